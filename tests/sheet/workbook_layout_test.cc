#include "sheet/workbook_layout.h"

#include <gtest/gtest.h>

#include "sheet/memory_workbook.h"
#include "test_support.h"

namespace tnw::sheet {
namespace {

using testing::rowValues;
using testing::sheetNames;
using testing::shownValue;
using testing::styleAt;
using V = std::vector<std::string>;

// A GIF header is all the layout reads of a picture: its size.
std::string gifOfSize(int w, int h) {
  std::string bytes = "GIF89a";
  for (int v : {w, h}) {
    bytes.push_back(static_cast<char>(v & 0xFF));
    bytes.push_back(static_cast<char>(v >> 8));
  }
  bytes += std::string("\x00\x00\x00", 3) + std::string(";");
  return bytes;
}

TEST(WorkbookLayout, TheFirstSheetUsedReplacesTheDefaultsAndStaysActive) {
  MemoryWorkbook book(3);
  WorkbookLayout layout(&book, testing::testLayout());
  layout.writeValueRow(1, "SUMMARY", "~S", "M", "1", std::nullopt, kNoColour);
  layout.writeValueRow(2, "TEST INFORMATION", "~VERSION", "VERS.", "2", std::nullopt, kNoColour);
  layout.writeValueRow(3, "GAUGE 1", "~G", "M", "1", std::nullopt, kNoColour);
  layout.writeValueRow(4, "SUMMARY", "~S", "N", "2", std::nullopt, kNoColour);
  EXPECT_EQ(sheetNames(book), (V{"SUMMARY", "TEST INFORMATION", "GAUGE 1"}));
  EXPECT_EQ(book.sheetName(book.activeSheet()), "SUMMARY");
  EXPECT_EQ(rowValues(book, "SUMMARY", 3), (V{"4", "~S", "N", "2"}));  // below its earlier row
  EXPECT_EQ(rowValues(book, "TEST INFORMATION", 5), (V{"2", "~VERSION", "VERS.", "2"}));
}

TEST(WorkbookLayout, HeaderRows) {
  MemoryWorkbook book;
  WorkbookLayout layout(&book, testing::testLayout());
  layout.selectSheet("TEST INFORMATION");
  layout.selectSheet("ANALYSIS");
  V header{"File Line", "Section", "PAS Mnemonic", "Value", "", "", "Description"};
  EXPECT_EQ(rowValues(book, "TEST INFORMATION", 4), header);
  EXPECT_EQ(rowValues(book, "ANALYSIS", 1), header);
  for (const char* cell : {"A1", "B1", "C1", "D1", "G1"}) EXPECT_TRUE(styleAt(book, "ANALYSIS", cell).bold) << cell;
  EXPECT_FALSE(styleAt(book, "ANALYSIS", "E1").bold);
  for (const char* cell : {"A1", "E1", "O1"}) EXPECT_EQ(styleAt(book, "ANALYSIS", cell).fill, 0xB4E8FE) << cell;
  EXPECT_FALSE(testing::cellAt(book, "ANALYSIS", "P1"));
  SheetId analysis = *book.findSheet("ANALYSIS");
  EXPECT_EQ(book.columnWidths(analysis), (std::map<int32_t, double>{{1, 30}, {2, 20}}));
  EXPECT_EQ(book.repeatedRow(analysis), 1);
  EXPECT_EQ(book.repeatedRow(*book.findSheet("TEST INFORMATION")), 4);
  EXPECT_TRUE(book.pictures(analysis).empty());
}

TEST(WorkbookLayout, TheLogoFitsTheMergedCellAtItsTopLeft) {
  testing::TempDir dir;
  dir.write("tall.gif", gifOfSize(180, 90));  // 135 x 67.5 points: taller than the cell allows
  dir.write("flat.gif", gifOfSize(400, 20));  // 300 x 15 points
  struct Case {
    std::string file;
    Rect expected;
  } cases[] = {{"tall.gif", {48, 0, 90, 45}}, {"flat.gif", {48, 0, 161.25, 8.0625}}};
  for (const Case& c : cases) {
    MemoryWorkbook book;
    WorkbookLayout layout(&book, {dir.file(c.file), "https://report.test/p", "https://site.test/"});
    layout.selectSheet("TEST INFORMATION");
    SheetId info = book.activeSheet();
    ASSERT_EQ(book.merges(info).size(), 1u);
    EXPECT_EQ(book.merges(info)[0].first, (Cell{1, 1}));
    EXPECT_EQ(book.merges(info)[0].last, (Cell{3, 1}));
    ASSERT_EQ(book.pictures(info).size(), 1u);
    const Picture& logo = book.pictures(info)[0];
    EXPECT_DOUBLE_EQ(logo.place.left, c.expected.left) << c.file;
    EXPECT_DOUBLE_EQ(logo.place.top, c.expected.top) << c.file;
    EXPECT_DOUBLE_EQ(logo.place.width, c.expected.width) << c.file;
    EXPECT_DOUBLE_EQ(logo.place.height, c.expected.height) << c.file;
    EXPECT_EQ(logo.address, "https://report.test/p");
    EXPECT_EQ(logo.screenTip, "https://site.test/");
  }
}

TEST(WorkbookLayout, ValueRowCells) {
  MemoryWorkbook book;
  WorkbookLayout layout(&book, testing::testLayout());
  layout.writeValueRow(9, "S", "~SEC", "MN.U", std::nullopt, "", 0);
  layout.writeValueRow(10, "S", "~SEC", "MN.U", "", std::nullopt, kNoColour);
  EXPECT_EQ(testing::cellAt(book, "S", "D2")->kind, CellKind::kBlank);  // no value: D only filled
  CellStyle description = styleAt(book, "S", "G2");
  EXPECT_TRUE(description.italic);
  EXPECT_EQ(description.fontColour, 0x808080);
  EXPECT_EQ(styleAt(book, "S", "C2").fill, 0);   // black is a fill
  EXPECT_EQ(styleAt(book, "S", "O2").fill, 0);
  EXPECT_EQ(styleAt(book, "S", "B2").fill, kNoColour);
  EXPECT_EQ(testing::cellAt(book, "S", "D3")->kind, CellKind::kText);  // an empty value is a value
  EXPECT_FALSE(testing::cellAt(book, "S", "G3"));
  EXPECT_EQ(testing::cellAt(book, "S", "A3")->number, 10);
  EXPECT_EQ(layout.lastSection(), "~SEC");
}

TEST(WorkbookLayout, TableRows) {
  MemoryWorkbook book;
  WorkbookLayout layout(&book, testing::testLayout());
  TableRowStyle start{kTableStartFill, true};
  std::vector<CellValue> values = {CellValue::Date(39462.5), CellValue::Text("12.5"), CellValue::Text("2008 02 30")};
  layout.writeTableSheet(3, "GAUGE 1", "~DTG (1)", values, &start);
  layout.writeTableSheet(4, "GAUGE 1", "~DTG (1)", {}, nullptr);
  EXPECT_EQ(rowValues(book, "GAUGE 1", 2), (V{"3", "~DTG (1)", "39462.5", "12.5", "2008 02 30"}));
  EXPECT_EQ(book.numberFormat(styleAt(book, "GAUGE 1", "C2").numberFormat), "yyyy mm dd hhmm:ss");
  EXPECT_EQ(book.numberFormat(styleAt(book, "GAUGE 1", "E2").numberFormat), "General");
  for (const char* cell : {"C2", "D2", "E2"}) {
    EXPECT_TRUE(styleAt(book, "GAUGE 1", cell).bold) << cell;
    EXPECT_EQ(styleAt(book, "GAUGE 1", cell).fill, 0xEAD5D5) << cell;
  }
  EXPECT_FALSE(styleAt(book, "GAUGE 1", "A2").bold);
  EXPECT_EQ(styleAt(book, "GAUGE 1", "B2").fill, kNoColour);
  EXPECT_EQ(rowValues(book, "GAUGE 1", 3), (V{"4", "~DTG (1)"}));  // no values still uses a row
  EXPECT_EQ(book.lastRow(*book.findSheet("GAUGE 1")), 3);
}

TEST(WorkbookLayout, TableRowsGoOnPastZAndKeepWhatPassesTheLastColumn) {
  MemoryWorkbook book;
  WorkbookLayout layout(&book, testing::testLayout());
  std::vector<std::string> texts;
  for (int i = 0; i < 16390; ++i) texts.push_back("v" + std::to_string(i));
  std::vector<CellValue> values;
  for (const std::string& t : texts) values.push_back(CellValue::Text(t));
  layout.writeTableSheet(1, "T", "~DTX", std::span(values).first(25), nullptr);
  EXPECT_EQ(shownValue(book, "T", "Z2"), "v23");
  EXPECT_EQ(shownValue(book, "T", "AA2"), "v24");
  EXPECT_TRUE(layout.warnings().empty());
  layout.writeTableSheet(2, "T", "~DTX", values, nullptr);
  EXPECT_EQ(shownValue(book, "T", "XFC3"), "v16380");
  EXPECT_EQ(shownValue(book, "T", "XFD3"), "v16381,v16382,v16383,v16384,v16385,v16386,v16387,v16388,v16389");
  ASSERT_EQ(layout.warnings().size(), 1u);
  EXPECT_EQ(layout.warnings()[0], "sheet \"T\", row 3: 9 values past the last column were joined into it");
}

TEST(WorkbookLayout, GeneratedLineAndSummary) {
  MemoryWorkbook book;
  WorkbookLayout layout(&book, testing::testLayout());
  layout.writeSummary(120, 0);
  layout.writeGeneratedLine("/data/a.pas", "12/08/26 01:02:03");
  EXPECT_EQ(shownValue(book, "TEST INFORMATION", "D1"), "PAS File (/data/a.pas)    Generated (12/08/26 01:02:03)");
  EXPECT_TRUE(styleAt(book, "TEST INFORMATION", "D1").bold);
  EXPECT_EQ(styleAt(book, "TEST INFORMATION", "D1").fontColour, 0xFF0000);
  EXPECT_EQ(shownValue(book, "TEST INFORMATION", "D2"), "120 lines scanned and converted (0 Errors detected)");
  layout.writeValueRow(1, "TEST INFORMATION", "x", "y", std::nullopt, std::nullopt, kNoColour);
  EXPECT_EQ(shownValue(book, "TEST INFORMATION", "B7"), "x");
}

TEST(WorkbookLayout, NamesDifferingOnlyInCaseAreRefusedByTheSpreadsheet) {
  MemoryWorkbook book;
  WorkbookLayout layout(&book, testing::testLayout());
  layout.selectSheet("GAUGE 1");
  EXPECT_THROW(layout.selectSheet("Gauge 1"), SpreadsheetError);
}

TEST(WorkbookLayout, WithoutAWorkbookOnlyTheSectionIsRecorded) {
  WorkbookLayout layout(nullptr, {});
  layout.writeTableSheet(1, "T", "~DTX", {}, nullptr);
  EXPECT_EQ(layout.lastSection(), "~DTX");
  layout.writeGeneratedLine("p", "w");
  layout.writeSummary(1, 1);
}

}  // namespace
}  // namespace tnw::sheet
