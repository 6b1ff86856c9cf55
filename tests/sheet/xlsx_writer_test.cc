#include "sheet/xlsx_writer.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "pas/line_source.h"
#include "platform/platform.h"
#include "sheet/export_driver.h"
#include "test_support.h"

namespace tnw::sheet {
namespace {

namespace fs = std::filesystem;

// Reads a workbook back with openpyxl, a reader independent of libxlsxwriter, and prints one
// "key<TAB>value" line per fact. Texts are shown as a spreadsheet shows them, with the file's
// _xHHHH_ escapes decoded; pictures come from the drawing parts of the zip.
constexpr const char* kDumpScript = R"PY(
import sys, zipfile, posixpath, xml.etree.ElementTree as ET
import openpyxl
from openpyxl.cell.cell import MergedCell
from openpyxl.utils import get_column_letter
from openpyxl.utils.escape import unescape
path = sys.argv[1]
wb = openpyxl.load_workbook(path)
def put(key, value): print(key + "\t" + value)
def rgb(c): return c.rgb if c is not None and c.type == "rgb" else None
put("sheets", "|".join(wb.sheetnames))
put("active", wb.active.title)
put("firstSheet", str(wb.views[0].firstSheet or 0))
for ws in wb.worksheets:
    t = ws.title + "!"
    put(t + "merges", " ".join(sorted(str(r) for r in ws.merged_cells.ranges)))
    put(t + "maxRow", str(ws.max_row))
    put(t + "panes", "%s %s" % (ws.freeze_panes, ws.auto_filter.ref))
    for letter, dim in ws.column_dimensions.items():
        if dim.width: put(t + "width:" + letter, "%.2f" % dim.width)
    for row in ws.iter_rows():
        for c in row:
            if isinstance(c, MergedCell) or (c.value is None and not c.has_style): continue
            v = c.value
            put(t + c.coordinate, ascii(unescape(v)) if isinstance(v, str) else repr(v))
            if isinstance(v, str): put(t + c.coordinate + ":len", str(len(unescape(v))))
            style = [n for n, on in (("bold", c.font.b), ("italic", c.font.i)) if on]
            if rgb(c.font.color): style.append("font=" + rgb(c.font.color))
            if c.fill.fill_type == "solid": style.append("fill=" + rgb(c.fill.fgColor))
            if c.number_format != "General": style.append("format=" + c.number_format)
            put(t + c.coordinate + ":style", " ".join(style))
z = zipfile.ZipFile(path)
M = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
R = "{http://schemas.openxmlformats.org/officeDocument/2006/relationships}"
X = "{http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing}"
A = "{http://schemas.openxmlformats.org/drawingml/2006/main}"
def rels(part):
    folder, name = posixpath.split(part)
    rp = posixpath.join(folder, "_rels", name + ".rels")
    if rp not in z.namelist(): return {}
    return {r.get("Id"): r.get("Target") if r.get("TargetMode") == "External"
            else posixpath.normpath(posixpath.join(folder, r.get("Target")))
            for r in ET.fromstring(z.read(rp))}
links = rels("xl/workbook.xml")
for sheet in ET.fromstring(z.read("xl/workbook.xml")).iter(M + "sheet"):
    pictures = []
    for drawing in (p for p in rels(links[sheet.get(R + "id")]).values() if "/drawings/" in p):
        targets = rels(drawing)
        for anchor in ET.fromstring(z.read(drawing)):
            at = lambda tag: int(anchor.find(X + "from").find(X + tag).text)
            ext, link = anchor.find(".//" + A + "ext"), anchor.find(".//" + A + "hlinkClick")
            text = "%s%d+%dpx+%dpx %.2fx%.2fpt %s" % (
                get_column_letter(at("col") + 1), at("row") + 1, at("colOff") // 9525,
                at("rowOff") // 9525, int(ext.get("cx")) / 12700, int(ext.get("cy")) / 12700,
                posixpath.basename(targets[anchor.find(".//" + A + "blip").get(R + "embed")]))
            if link is not None: text += " link=%s tip=%s" % (targets[link.get(R + "id")], link.get("tooltip"))
            pictures.append(text)
    put(sheet.get("name") + "!pictures", " ; ".join(pictures))
)PY";

struct Facts {
  std::map<std::string, std::string> lines;
  std::string operator[](const std::string& key) const {
    auto it = lines.find(key);
    return it == lines.end() ? "<none>" : it->second;
  }
};

#ifdef _WIN32
// openpyxl runs on the Linux side only; the workbooks of the Windows build are read back by
// the read-back and hostile suites, run against tarnwell-convert.exe.
#define SKIP_WITHOUT_OPENPYXL() GTEST_SKIP() << "reads the workbook back with openpyxl, a Linux program"
#else
#define SKIP_WITHOUT_OPENPYXL() static_cast<void>(0)
#endif

// Runs a Python script on a file and returns what it printed; the test fails when it fails.
std::string runPython(const testing::TempDir& dir, const char* script, const std::string& file) {
  dir.write("script.py", script);
  std::string command = "/usr/bin/python3 '" + dir.file("script.py") + "' '" + file + "' 2>&1";
  std::string output;
#ifndef _WIN32
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return "popen failed";
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << output;
#endif
  return output;
}

Facts readBack(const testing::TempDir& dir, const std::string& xlsx) {
  Facts facts;
  std::string output = runPython(dir, kDumpScript, xlsx);
  for (size_t at = 0, end; (end = output.find('\n', at)) != std::string::npos; at = end + 1) {
    std::string line = output.substr(at, end - at);
    size_t tab = line.find('\t');
    if (tab != std::string::npos) facts.lines[line.substr(0, tab)] = line.substr(tab + 1);
  }
  return facts;
}

std::vector<std::string> filesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(platform::pathToUtf8(entry.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

std::string contents(const std::string& path) {
  std::ifstream in(platform::pathFromUtf8(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class XlsxWriterTest : public ::testing::Test {
 protected:
  Facts saveAndRead(const MemoryWorkbook& book, detail::SaveLimits limits = {}) {
    std::string err;
    EXPECT_TRUE(detail::saveXlsx(book, out_, limits, &report_, &err)) << err;
    return readBack(dir_, out_);
  }

  testing::TempDir dir_;
  std::string out_ = dir_.file("out.xlsx");
  SaveReport report_;
  MemoryWorkbook book_;
  SheetId sheet_ = book_.sheetAt(1);
};

std::string fileText(std::string_view bytes, size_t maxChars = 100) {
  std::string out;
  return (detail::appendFileText(bytes, maxChars, &out) ? "" : "CUT ") + out;
}

TEST(XlsxFileText, ConvertsToUtf8AndProtectsWhatReadersWouldDecode) {
  EXPECT_EQ(fileText("caf\xE9"), "caf\xC3\xA9");  // Windows-1252
  EXPECT_EQ(fileText("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(fileText("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(fileText(std::string_view("a\0b", 3)), "a_x0000_b");
  EXPECT_EQ(fileText("_x0041_"), "_x005F_x0041_");
  EXPECT_EQ(fileText("_X00e9_ _x00FF_"), "_x005F_X00e9_ _x005F_x00FF_");
  EXPECT_EQ(fileText("_x004_ _x0041 _x00G1_"), "_x004_ _x0041 _x00G1_");
  EXPECT_EQ(fileText("a\xEF\xBF\xBE\xEF\xBF\xBF"), "a_xFFFE__xFFFF_");
  EXPECT_EQ(fileText("a\x01\tb"), "a\x01\tb");  // libxlsxwriter escapes these itself
}

TEST(XlsxFileText, CutsAtTheLimitCountingCharactersAndEscapesInFull) {
  EXPECT_EQ(fileText("abcde", 5), "abcde");
  EXPECT_EQ(fileText("abcdef", 5), "CUT abcde");
  EXPECT_EQ(fileText("\xE9\xE9\xE9", 2), "CUT \xC3\xA9\xC3\xA9");
  EXPECT_EQ(fileText(std::string_view("ab\0", 3), 8), "CUT ab");
  EXPECT_EQ(fileText(std::string_view("ab\0", 3), 9), "ab_x0000_");
}

TEST_F(XlsxWriterTest, TextsReadBackAsWritten) {
  SKIP_WITHOUT_OPENPYXL();
  const char* texts[] = {"caf\xE9", "caf\xC3\xA9", "\x80 5", "a\x01" "b\tc\nd\re", "_x0041_",
                         "\xEF\xBF\xBF", "  blanks  "};
  for (int32_t row = 1; const char* text : texts) book_.setText(sheet_, {row++, 0}, text);
  book_.setText(sheet_, {8, 0}, std::string_view("x\0y", 3));
  book_.setText(sheet_, {9, 0}, std::string(40'000, '\xE9'));

  Facts facts = saveAndRead(book_);
  EXPECT_EQ(facts["Sheet1!A1"], R"('caf\xe9')");
  EXPECT_EQ(facts["Sheet1!A2"], R"('caf\xe9')");
  EXPECT_EQ(facts["Sheet1!A3"], R"('\u20ac 5')");
  EXPECT_EQ(facts["Sheet1!A4"], R"('a\x01b\tc\nd\re')");
  EXPECT_EQ(facts["Sheet1!A5"], R"('_x0041_')");
  EXPECT_EQ(facts["Sheet1!A6"], R"('\uffff')");
  EXPECT_EQ(facts["Sheet1!A7"], R"('  blanks  ')");
  EXPECT_EQ(facts["Sheet1!A8"], R"('x\x00y')");
  EXPECT_EQ(facts["Sheet1!A9:len"], "32767");
  EXPECT_EQ(report_.warnings,
            std::vector<std::string>{
                "sheet \"Sheet1\", cell A9: text cut to the 32,767 characters a cell can hold"});
}

TEST_F(XlsxWriterTest, StylesNumbersAndBlanks) {
  SKIP_WITHOUT_OPENPYXL();
  book_.setText(sheet_, {1, 0}, "bold");
  book_.setBold(sheet_, Range({1, 0}));
  book_.setText(sheet_, {1, 1}, "grey");
  book_.setItalic(sheet_, Range({1, 1}));
  book_.setFontColour(sheet_, Range({1, 1}), 0x808080);
  book_.setFontColour(sheet_, Range({1, 2}), 0x0000FF);  // red in the model's 0xBBGGRR
  book_.setFill(sheet_, Range({1, 3}), 0xB4E8FE);
  book_.setFill(sheet_, Range({1, 4}), 0);  // black is a colour like any other
  book_.setFontColour(sheet_, Range({1, 4}), 0);
  book_.setText(sheet_, {1, 5}, "");
  book_.setBold(sheet_, Range({1, 5}));
  book_.setText(sheet_, {1, 6}, "");
  book_.setInteger(sheet_, {2, 0}, 42);
  book_.setDate(sheet_, {2, 1}, 45000.5);
  book_.setNumberFormat(sheet_, Range({2, 1}), "yyyy-mm-dd hh:mm");
  book_.setNumberFormat(sheet_, Range({2, 2}), "0.000");
  book_.setInteger(sheet_, {2, 2}, 3);
  book_.setDate(sheet_, {2, 3}, NAN);
  book_.setBold(sheet_, Range({3, 0}, {3, 25}));
  book_.setColumnWidth(sheet_, 1, 30);

  Facts facts = saveAndRead(book_);
  EXPECT_EQ(facts["Sheet1!A1:style"], "bold");
  EXPECT_EQ(facts["Sheet1!B1:style"], "italic font=FF808080");
  EXPECT_EQ(facts["Sheet1!C1:style"], "font=FFFF0000");
  EXPECT_EQ(facts["Sheet1!D1:style"], "fill=FFFEE8B4");
  EXPECT_EQ(facts["Sheet1!E1:style"], "font=FF000000 fill=FF000000");
  EXPECT_EQ(facts["Sheet1!F1"], "None");
  EXPECT_EQ(facts["Sheet1!F1:style"], "bold");
  EXPECT_EQ(facts["Sheet1!G1"], "<none>");
  EXPECT_EQ(facts["Sheet1!A2"], "42");
  EXPECT_EQ(facts["Sheet1!B2"], "datetime.datetime(2023, 3, 15, 12, 0)");
  EXPECT_EQ(facts["Sheet1!B2:style"], "format=yyyy-mm-dd hh:mm");
  EXPECT_EQ(facts["Sheet1!C2"], "3");
  EXPECT_EQ(facts["Sheet1!C2:style"], "format=0.000");
  EXPECT_EQ(facts["Sheet1!D2"], "'NaN'");
  EXPECT_EQ(facts["Sheet1!Z3:style"], "bold");
  EXPECT_EQ(facts["Sheet1!width:B"].substr(0, 3), "30.");
  EXPECT_EQ(report_.warnings, std::vector<std::string>{
                                  "sheet \"Sheet1\", cell D2: the number NaN cannot be stored; "
                                  "written as text"});
}

// The general sheet's top: the logo merge B1:B3 beside D1 and D2, the picture in it.
TEST_F(XlsxWriterTest, MergesAndPicturesKeepTheCellsAroundThem) {
  SKIP_WITHOUT_OPENPYXL();
  book_.setName(sheet_, "TEST INFORMATION");
  book_.setColumnWidth(sheet_, 1, 30);
  book_.merge(sheet_, Range({1, 1}, {3, 1}));
  Rect logo = book_.rangeRect(sheet_, Range({1, 1}, {3, 1}));
  int32_t picture = book_.addPicture(sheet_, testing::logoPath(), {logo.left, logo.top, 90, 45});
  book_.addHyperlink(sheet_, picture, "https://report.test/page", "https://site.test/");
  book_.setText(sheet_, {1, 3}, "PAS File (x)");
  book_.setText(sheet_, {2, 3}, "Summary");
  book_.setText(sheet_, {4, 0}, "File Line");
  Rect c5 = book_.rangeRect(sheet_, Range({5, 2}));
  picture = book_.addPicture(sheet_, testing::logoPath(), {c5.left + 15, c5.top + 7.5, 135, 67.5});
  book_.addHyperlink(sheet_, picture, "https://site.test/" + std::string(2100, 'a'), "tip");

  SheetId other = book_.addSheetAfter(sheet_);
  book_.setText(other, {1, 1}, "top");  // its row is still the current one at the merge
  book_.setText(other, {1, 3}, "beside");
  book_.merge(other, Range({1, 1}, {3, 1}));
  book_.merge(other, Range({2, 1}, {4, 2}));  // overlaps the one before
  book_.merge(other, Range({5, 0}, {5, 2}));
  book_.setText(other, {5, 0}, "across");
  book_.setText(other, {5, 3}, "after");
  book_.merge(other, Range({8, 4}, {9, 5}));  // below every cell

  Facts facts = saveAndRead(book_);
  EXPECT_EQ(facts["TEST INFORMATION!merges"], "B1:B3");
  EXPECT_EQ(facts["TEST INFORMATION!D1"], "'PAS File (x)'");
  EXPECT_EQ(facts["TEST INFORMATION!D2"], "'Summary'");
  EXPECT_EQ(facts["TEST INFORMATION!A4"], "'File Line'");
  EXPECT_EQ(facts["TEST INFORMATION!pictures"],
            "B1+0px+0px 90.00x45.00pt image1.gif link=https://report.test/page "
            "tip=https://site.test/ ; C5+20px+10px 135.00x67.50pt image1.gif");
  EXPECT_EQ(facts["Sheet2!merges"], "A5:C5 B1:B3 E8:F9");
  EXPECT_EQ(facts["Sheet2!B1"], "'top'");
  EXPECT_EQ(facts["Sheet2!D1"], "'beside'");
  EXPECT_EQ(facts["Sheet2!A5"], "'across'");
  EXPECT_EQ(facts["Sheet2!D5"], "'after'");
  EXPECT_EQ(report_.warnings,
            (std::vector<std::string>{
                "sheet \"TEST INFORMATION\", picture at C5: its link is longer than 2,079 "
                "characters and is left out",
                "sheet \"Sheet2\": merge B2:C4 overlaps another one and is left out"}));
}

TEST_F(XlsxWriterTest, RowsPastTheLimitContinueOnSheetsOfTheirOwn) {
  SKIP_WITHOUT_OPENPYXL();
  book_.setName(sheet_, "Data");
  book_.setText(sheet_, {1, 0}, "Line");
  book_.setBold(sheet_, Range({1, 0}));
  book_.setRepeatedRow(sheet_, 1);
  book_.setColumnWidth(sheet_, 1, 20);
  for (int32_t row = 2; row <= 25; ++row) book_.setInteger(sheet_, {row, 0}, row);
  book_.merge(sheet_, Range({12, 0}, {13, 1}));
  book_.merge(sheet_, Range({9, 2}, {12, 2}));
  SheetId clash = book_.addSheetAfter(sheet_);
  book_.setName(clash, "data (2)");
  SheetId longName = book_.addSheetAfter(clash);
  book_.setName(longName, "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");
  for (int32_t row = 1; row <= 12; ++row) book_.setInteger(longName, {row, 0}, row);
  book_.activate(clash);

  Facts facts = saveAndRead(book_, {.maxRows = 10});
  EXPECT_EQ(facts["sheets"],
            "Data|Data (3)|Data (4)|data (2)|ABCDEFGHIJKLMNOPQRSTUVWXYZ01234|"
            "ABCDEFGHIJKLMNOPQRSTUVWXYZ0 (2)");
  EXPECT_EQ(facts["active"], "data (2)");
  EXPECT_EQ(facts["firstSheet"], "3");
  EXPECT_EQ(facts["Data!maxRow"], "10");
  EXPECT_EQ(facts["Data (3)!A1"], "'Line'");
  EXPECT_EQ(facts["Data (3)!A1:style"], "bold");
  EXPECT_EQ(facts["Data (3)!A2"], "11");
  EXPECT_EQ(facts["Data (3)!A10"], "19");
  EXPECT_EQ(facts["Data (3)!merges"], "A3:B4");
  EXPECT_EQ(facts["Data!width:B"].substr(0, 3), "20.");
  EXPECT_EQ(facts["Data (3)!width:B"], facts["Data!width:B"]);
  EXPECT_EQ(facts["Data (4)!A2"], "20");
  EXPECT_EQ(facts["Data (4)!A7"], "25");
  EXPECT_EQ(facts["Data (4)!maxRow"], "7");
  EXPECT_EQ(facts["ABCDEFGHIJKLMNOPQRSTUVWXYZ0 (2)!A1"], "11");  // no header to repeat
  EXPECT_EQ(report_.warnings,
            (std::vector<std::string>{
                "sheet \"Data\" has more rows than a sheet can hold (10); they continue on sheet "
                "\"Data (3)\"",
                "sheet \"Data\" has more rows than a sheet can hold (10); they continue on sheet "
                "\"Data (4)\"",
                "sheet \"Data\": merge C9:C12 crosses the row limit and is left out",
                "sheet \"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234\" has more rows than a sheet can hold "
                "(10); they continue on sheet \"ABCDEFGHIJKLMNOPQRSTUVWXYZ0 (2)\""}));
}

// A table to filter: three header rows repeated on the continuation, which keeps the frozen
// panes and has a filter of its own over its rows.
TEST_F(XlsxWriterTest, FrozenPanesAndFiltersOnEveryPart) {
  SKIP_WITHOUT_OPENPYXL();
  for (int32_t row = 1; row <= 3; ++row) book_.setText(sheet_, {row, 1}, "head" + std::to_string(row));
  for (int32_t row = 4; row <= 14; ++row) book_.setInteger(sheet_, {row, 0}, row);
  book_.setRepeatedRows(sheet_, 1, 3);
  book_.freezePanes(sheet_, {4, 2});
  book_.setAutoFilter(sheet_, Range({3, 0}, {14, 3}));
  SheetId plain = book_.addSheetAfter(sheet_);
  book_.setInteger(plain, {1, 0}, 1);

  Facts facts = saveAndRead(book_, {.maxRows = 10});
  EXPECT_EQ(facts["sheets"], "Sheet1|Sheet1 (2)|Sheet2");
  EXPECT_EQ(facts["Sheet1!panes"], "C4 A3:D10");
  EXPECT_EQ(facts["Sheet1 (2)!panes"], "C4 A3:D7");
  EXPECT_EQ(facts["Sheet1 (2)!B3"], "'head3'");
  EXPECT_EQ(facts["Sheet1 (2)!A4"], "11");
  EXPECT_EQ(facts["Sheet1 (2)!A7"], "14");
  EXPECT_EQ(facts["Sheet2!panes"], "None None");
}

// The real limit, with one cell per row so that it stays quick (a second or two).
TEST_F(XlsxWriterTest, AMillionRowsAndOneMore) {
  SKIP_WITHOUT_OPENPYXL();
  book_.setText(sheet_, {1, 0}, "Header");
  book_.setRepeatedRow(sheet_, 1);
  for (int32_t row = 2; row <= 1'048'578; ++row) book_.setInteger(sheet_, {row, 0}, row);
  std::string err;
  ASSERT_TRUE(saveXlsx(book_, out_, &report_, &err)) << err;
  std::string shown = runPython(dir_, R"PY(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1], read_only=True)
print(wb.sheetnames, wb["Sheet1"].max_row, [r[0].value for r in wb["Sheet1 (2)"].iter_rows()])
)PY", out_);
  EXPECT_EQ(shown, "['Sheet1', 'Sheet1 (2)'] 1048576 ['Header', 1048577, 1048578]\n");
  EXPECT_EQ(report_.warnings.size(), 1u);
}

TEST_F(XlsxWriterTest, TheFileAppearsWholeOrNotAtAll) {
  std::string missing = dir_.file("missing/out.xlsx");
  std::string err;
  EXPECT_FALSE(saveXlsx(book_, missing, nullptr, &err));
#ifdef _WIN32
  EXPECT_EQ(err.rfind("cannot write " + missing + ": ", 0), 0u) << err;  // the system's words
#else
  EXPECT_EQ(err, "cannot write " + missing + ": No such file or directory");
#endif
  EXPECT_FALSE(fs::exists(dir_.file("missing")));

  fs::create_directory(dir_.file("folder"));
  dir_.write("folder/inside", "x");
  EXPECT_FALSE(saveXlsx(book_, dir_.file("folder"), nullptr, &err));
#ifdef _WIN32
  EXPECT_EQ(err.rfind("cannot write " + dir_.file("folder") + ": ", 0), 0u) << err;
#else
  EXPECT_EQ(err, "cannot write " + dir_.file("folder") + ": Is a directory");
#endif

  dir_.write("out.xlsx", "old");
  ASSERT_TRUE(saveXlsx(book_, out_, nullptr, &err)) << err;
  EXPECT_EQ(contents(out_).substr(0, 2), "PK");

  // A picture that went away between adding and saving fails the save.
  fs::copy_file(testing::logoPath(), dir_.file("logo.gif"));
  book_.addPicture(sheet_, dir_.file("logo.gif"), {0, 0, 10, 10});
  fs::remove(dir_.file("logo.gif"));
  dir_.write("out.xlsx", "old");
  EXPECT_FALSE(saveXlsx(book_, out_, nullptr, &err));
  EXPECT_EQ(err.rfind("cannot write " + out_ + ": sheet \"Sheet1\", picture at A1: ", 0), 0u) << err;
  EXPECT_EQ(contents(out_), "old");
  EXPECT_EQ(filesIn(dir_.path()), (std::vector<std::string>{"folder", "out.xlsx"}));
}

// A file its owner marked read-only keeps its content; a rename would replace it regardless.
TEST_F(XlsxWriterTest, AReadOnlyTargetIsLeftAlone) {
  dir_.write("out.xlsx", "old");
  fs::permissions(platform::pathFromUtf8(out_), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  std::string err;
  EXPECT_FALSE(saveXlsx(book_, out_, nullptr, &err));
  EXPECT_EQ(err, "cannot write " + out_ + ": it is read-only");
  fs::permissions(platform::pathFromUtf8(out_), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(contents(out_), "old");
  EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"out.xlsx"});
  ASSERT_TRUE(saveXlsx(book_, out_, nullptr, &err)) << err;
  EXPECT_EQ(contents(out_).substr(0, 2), "PK");
}

// A full disk, made with a file size limit in a child process: the limit also hits
// libxlsxwriter's temporary files, whose failed writes it does not report itself.
TEST_F(XlsxWriterTest, AFullDiskLeavesTheOldFile) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no file size limit per process to stand for a full disk";
#else
  for (int32_t row = 1; row <= 150'000; ++row)
    book_.setText(sheet_, {row, 0}, "text number " + std::to_string(row));
  // The last: a part cut short that is still large enough to be compressed on several threads.
  for (rlim_t limit : {4'000, 60'000, 400'000, 3'000'000}) {
    dir_.write("out.xlsx", "old");
    pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
      std::freopen("/dev/null", "w", stderr);  // libxlsxwriter's own complaints
      signal(SIGXFSZ, SIG_IGN);
      rlimit size{limit, limit};
      setrlimit(RLIMIT_FSIZE, &size);
      std::string err;
      bool saved = saveXlsx(book_, out_, nullptr, &err);
      _exit(saved ? 1 : err.rfind("cannot write " + out_ + ": ", 0) == 0 ? 0 : 2);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "limit " << limit;
    EXPECT_EQ(contents(out_), "old");
    EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"out.xlsx"});
  }
#endif
}

// A cancel keeps no file, whenever it comes: before the save, between rows, or during the
// compression that cannot be interrupted (it takes effect when that returns). A file already at
// the target stays as it was, and nothing is left beside it. Streamed and held sheets alike.
TEST_F(XlsxWriterTest, ACancelledSaveKeepsNoFile) {
  for (SheetId id : {sheet_, book_.addSheetAfter(sheet_)})
    for (int32_t row = 1; row <= 50'000; ++row) book_.setText(id, {row, 0}, "row " + std::to_string(row));
  for (size_t streamed : {size_t{64}, size_t{1}}) {
    for (double cancelAt : {0.0, 0.5, 1.0, 2.0}) {  // of the rows; past 1: never
      SCOPED_TRACE("cancel at " + std::to_string(cancelAt) + ", streamed sheets " + std::to_string(streamed));
      dir_.write("out.xlsx", "old");
      std::atomic<bool> cancel{cancelAt == 0};
      uint64_t most = 0;
      SaveControl control{.cancel = &cancel, .progress = [&](uint64_t written, uint64_t total) {
                            most = std::max(most, written);
                            cancel = cancel || written >= cancelAt * total;
                          }};
      std::string err;
      bool saved = detail::saveXlsx(book_, out_, {.threads = 1, .maxStreamedSheets = streamed, .control = &control},
                                    nullptr, &err);
      EXPECT_EQ(filesIn(dir_.path()), std::vector<std::string>{"out.xlsx"});
      EXPECT_EQ(saved, cancelAt > 1) << err;
      EXPECT_EQ(contents(out_).substr(0, 3), saved ? std::string("PK\3") : "old");
      EXPECT_EQ(err, saved ? "" : "cannot write " + out_ + ": " + std::string(kSaveCancelled));
      EXPECT_EQ(most < 100'000, cancelAt < 1) << "rows written: " << most;
    }
  }
}

// Sheets written at the same time make the same file as sheets written one after another:
// every part byte for byte (the creation time aside), and the same warnings in the same
// order. A real two-gauge conversion with its charts, and a workbook whose sheets continue
// on further parts and carry merges, escapes and texts to cut.
TEST(XlsxWriterThreads, SheetsWrittenAtOnceMakeTheSameFile) {
  SKIP_WITHOUT_OPENPYXL();
  testing::TempDir dir;
  const char* kParts = R"PY(
import sys, zipfile, hashlib
z = zipfile.ZipFile(sys.argv[1])
for name in z.namelist():
    if name != "docProps/core.xml":
        print(name, hashlib.sha1(z.read(name)).hexdigest())
)PY";
  auto compare = [&](const MemoryWorkbook& book, detail::SaveLimits limits, const std::string& what) {
    std::string parts[2];
    std::vector<std::string> warnings[2];
    for (int run = 0; run < 2; ++run) {
      limits.threads = run == 0 ? 1 : 3;
      SaveReport report;
      std::string err, out = dir.file("run" + std::to_string(run) + ".xlsx");
      ASSERT_TRUE(detail::saveXlsx(book, out, limits, &report, &err)) << err;
      parts[run] = runPython(dir, kParts, out);
      warnings[run] = report.warnings;
    }
    EXPECT_GT(std::count(parts[0].begin(), parts[0].end(), '\n'), 10) << what;
    EXPECT_EQ(parts[0], parts[1]) << what;
    EXPECT_EQ(warnings[0], warnings[1]) << what;
  };

  MemoryApplication app;
  auto source = pas::LineSource::fromBytes(testing::readExample("drillstem-test.pas"));
  ExportOptions options;
  options.logoPath = testing::logoPath();
  options.generatedAt = "fixed";
  ASSERT_EQ(exportFile(app, *source, "drillstem-test.pas", nullptr, options).outcome, ExportResult::kCompleted);
  ASSERT_GE(app.workbooks().back()->sheetOrder().size(), 3u);
  compare(*app.workbooks().back(), {}, "drillstem test");

  MemoryWorkbook book;
  for (int32_t n = 0; n < 5; ++n) {
    SheetId id = n == 0 ? book.sheetAt(1) : book.addSheetAfter(book.sheetOrder().back());
    book.setName(id, "Sheet " + std::to_string(n));
    book.setText(id, {1, 0}, "Line");
    book.setBold(id, Range({1, 0}));
    book.setRepeatedRow(id, 1);
    for (int32_t row = 2; row <= 40 * (n + 1); ++row) {
      book.setInteger(id, {row, 0}, row * (n + 1));
      book.setText(id, {row, 1}, row % 7 ? "caf\xE9 _x0041_ \x01" : std::string(40, 'x'));
      if (row % 5 == 0) book.setItalic(id, Range({row, 1}));
    }
    book.merge(id, Range({3, 2}, {4, 3}));
    book.merge(id, Range({8, 2}, {12, 2}));  // crosses the row limit
  }
  compare(book, {.maxRows = 10}, "continued sheets");
  // Past the streamed sheets, the others are held in memory and share one table of texts.
  compare(book, {.maxRows = 10, .maxStreamedSheets = 3}, "held sheets");
  compare(*app.workbooks().back(), {.maxStreamedSheets = 1}, "drillstem test, held sheets");
}

// Sheets held in memory, past the number streamed through a temporary file each, read back
// exactly as streamed ones do: cells, styles, widths, merges, the logo and its link, and a
// sheet that continues on further parts.
TEST(XlsxWriterMany, HeldSheetsReadBackAsStreamedOnes) {
  SKIP_WITHOUT_OPENPYXL();
  testing::TempDir dir;
  MemoryApplication app;
  auto source = pas::LineSource::fromBytes(testing::readExample("drillstem-test.pas"));
  ExportOptions options;
  options.logoPath = testing::logoPath();
  options.generatedAt = "fixed";
  ASSERT_EQ(exportFile(app, *source, "drillstem-test.pas", nullptr, options).outcome, ExportResult::kCompleted);
  const MemoryWorkbook& book = *app.workbooks().back();
  std::map<std::string, std::string> seen[3];
  std::vector<std::string> warnings[3];
  size_t budgets[3] = {64, 2, 0};
  for (int run = 0; run < 3; ++run) {
    SaveReport report;
    std::string err, out = dir.file("run" + std::to_string(run) + ".xlsx");
    ASSERT_TRUE(detail::saveXlsx(book, out, {.maxRows = 12, .maxStreamedSheets = budgets[run]}, &report, &err))
        << err;
    seen[run] = readBack(dir, out).lines;
    warnings[run] = report.warnings;
  }
  EXPECT_NE(seen[0]["TEST INFORMATION!pictures"], "");
  EXPECT_NE(seen[0]["TEST INFORMATION!merges"], "");
  EXPECT_NE(seen[0]["sheets"].find("(2)"), std::string::npos);  // some sheet continues
  for (int run = 1; run < 3; ++run) {
    EXPECT_EQ(seen[run], seen[0]) << "streamed sheets: " << budgets[run];
    EXPECT_EQ(warnings[run], warnings[0]);
  }
}

// Twenty thousand gauge sheets once took a temporary file and 128 KB each: the save ran out
// of open files. Now the files held open stay few, whatever the number of sheets.
TEST(XlsxWriterMany, ManySheetsSaveWithinALowLimitOfOpenFiles) {
  MemoryWorkbook book;
  constexpr int kSheets = 600;
  int rows = 0;
  for (int n = 0; n < kSheets; ++n) {
    SheetId id = n == 0 ? book.sheetAt(1) : book.addSheetAfter(book.sheetOrder().back());
    book.setName(id, "GAUGE " + std::to_string(n + 1));
    book.setText(id, {1, 0}, "File Line");
    book.setBold(id, Range({1, 0}));
    for (int32_t row = 2; row <= 2 + n % 3; ++row) book.setInteger(id, {row, 0}, row + n);
    rows += 2 + n % 3;
  }
  testing::TempDir dir;
  std::string out = dir.file("many.xlsx");
#ifdef _WIN32
  // The C runtime keeps at most 512 streams open at once: fewer than the sheets.
  std::string err;
  ASSERT_TRUE(saveXlsx(book, out, nullptr, &err, 2)) << err;
  SKIP_WITHOUT_OPENPYXL();
#else
  pid_t child = fork();
  if (child == 0) {
    rlimit files{100, 100};  // neither raised by the save nor near the number of sheets
    setrlimit(RLIMIT_NOFILE, &files);
    std::string err;
    bool saved = saveXlsx(book, out, nullptr, &err, 2);
    if (!saved) std::fprintf(stderr, "%s\n", err.c_str());
    _exit(saved ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
#endif
  const char* kCount = R"PY(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1], read_only=True)
print(len(wb.sheetnames), sum(sum(1 for r in ws.iter_rows() if r[0].value is not None) for ws in wb.worksheets))
)PY";
  EXPECT_EQ(runPython(dir, kCount, out), std::to_string(kSheets) + " " + std::to_string(rows) + "\n");
}

}  // namespace
}  // namespace tnw::sheet
