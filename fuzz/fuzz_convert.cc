// libFuzzer over the whole conversion of one file and the save of its workbook, the way
// tarnwell-convert does them: the input is written to a file, opened, converted into the
// in-memory workbook with a progress reporter (so the lines are counted first), given its
// pressure charts and saved.
//
// Besides what the sanitizers catch, three things must hold for every input; a breach stops
// the run like a crash:
//   - the conversion completes and the workbook is saved;
//   - every non-blank line of the file is one row of the workbook (value, table, comment or
//     error row), each row carrying its file line, the rows of a sheet in file order;
//   - the saved file is a zip archive whose XML parts are valid UTF-8 holding only characters
//     XML allows: what spreadsheet programs refuse a file for.
#include <stdlib.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "pas/line_source.h"
#include "pas/progress.h"
#include "pas/text.h"
#include "sheet/charts.h"
#include "sheet/export_driver.h"
#include "sheet/memory_workbook.h"
#include "sheet/text_encoding.h"
#include "sheet/xlsx_writer.h"

namespace {

using namespace tnw;

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "fuzz_convert: %s\n", what.c_str());
  std::abort();
}

// A folder of this process's own for the input and the workbook, removed at exit.
const std::string& scratch() {
  static const std::string folder = [] {
    std::string name = (std::filesystem::temp_directory_path() / "tarnwell-fuzz-XXXXXX").string();
    if (!::mkdtemp(name.data())) fail("cannot make a scratch folder");
    return name;
  }();
  static const bool cleanup = [] {
    return std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(scratch(), ignored);
    }) == 0;
  }();
  (void)cleanup;
  return folder;
}

// Wants the count, never cancels: the path the command line takes on a terminal.
class Counting : public pas::ProgressReporter {
 public:
  void showProgress(std::string_view, int) override {}
  bool cancelRequested() override { return false; }
};

std::vector<int32_t> nonBlankLines(const std::string& path) {
  std::string err;
  auto source = pas::LineSource::open(path, &err);
  if (!source) fail("cannot open the input again: " + err);
  std::vector<int32_t> lines;
  std::string line;
  for (int32_t n = 1; source->readLine(line); ++n)
    if (!pas::trim(line).empty()) lines.push_back(n);
  return lines;
}

// The file lines of the rows below each sheet's header row, sheet after sheet.
std::vector<int32_t> rowsWritten(const sheet::MemoryWorkbook& book) {
  std::vector<int32_t> lines;
  for (sheet::SheetId id : book.sheetOrder()) {
    const int32_t header = book.repeatedRow(id);
    if (header < 1) fail("sheet \"" + book.sheetName(id) + "\" has no header row");
    int32_t rowWithLine = 0, previousLine = 0;
    for (size_t i = 0, n = book.cellCount(id); i < n; ++i) {
      sheet::CellData cell = book.cellAtIndex(id, i);
      if (cell.cell.row <= header) continue;
      std::string where = "sheet \"" + book.sheetName(id) + "\", " + sheet::cellName(cell.cell);
      if (cell.cell.col == 0) {
        if (cell.kind != sheet::CellKind::kNumber) fail(where + ": the file line is no number");
        int32_t line = static_cast<int32_t>(cell.number);
        if (line <= previousLine) fail(where + ": rows out of file order");
        lines.push_back(previousLine = line);
        rowWithLine = cell.cell.row;
      } else if (cell.cell.row != rowWithLine && cell.kind != sheet::CellKind::kBlank) {
        fail(where + ": a row without its file line");
      }
    }
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

uint32_t little(const std::string& bytes, size_t at, int count) {
  if (at + count > bytes.size()) fail("the workbook's zip directory points past its end");
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

std::string inflated(const std::string& zip, size_t at, uint32_t packed, uint32_t size, uint32_t method,
                     const std::string& name) {
  if (at + packed > zip.size()) fail(name + ": its data runs past the end of the zip");
  if (method == 0) return zip.substr(at, packed);
  if (method != 8) fail(name + ": compressed by an unknown method");
  std::string out(size, '\0');
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) fail("zlib cannot start");
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.data() + at));
  z.avail_in = packed;
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = size;
  int status = inflate(&z, Z_FINISH);
  inflateEnd(&z);
  if (status != Z_STREAM_END || z.total_out != size) fail(name + ": does not inflate to its size");
  return out;
}

// What an XML 1.0 document may hold: valid UTF-8, no control characters but tab, LF and CR,
// neither U+FFFE nor U+FFFF.
void checkXmlText(const std::string& name, const std::string& text) {
  if (!sheet::isValidUtf8(text)) fail(name + ": not valid UTF-8");
  for (size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
      fail(name + ": control character " + std::to_string(c) + " at byte " + std::to_string(i));
    if (c == 0xEF && text.compare(i, 2, "\xEF\xBF") == 0 && i + 2 < text.size() &&
        (text[i + 2] == '\xBE' || text[i + 2] == '\xBF'))
      fail(name + ": U+FFFE or U+FFFF at byte " + std::to_string(i));
  }
}

void checkPackage(const std::string& path) {
  const std::string zip = readFile(path);
  size_t end = zip.rfind(std::string("PK\x05\x06", 4));
  if (end == std::string::npos) fail("the workbook is no zip archive");
  uint32_t count = little(zip, end + 10, 2);
  size_t at = little(zip, end + 16, 4);
  bool sawWorkbook = false;
  for (uint32_t k = 0; k < count; ++k) {
    if (little(zip, at, 4) != 0x02014b50) fail("a broken entry in the zip directory");
    uint32_t method = little(zip, at + 10, 2), packed = little(zip, at + 20, 4), size = little(zip, at + 24, 4);
    size_t nameLength = little(zip, at + 28, 2);
    size_t local = little(zip, at + 42, 4);
    if (at + 46 + nameLength > zip.size()) fail("a zip entry's name runs past the end");
    std::string name = zip.substr(at + 46, nameLength);
    at += 46 + nameLength + little(zip, at + 30, 2) + little(zip, at + 32, 2);
    if (little(zip, local, 4) != 0x04034b50) fail(name + ": no local header where the directory says");
    size_t data = local + 30 + little(zip, local + 26, 2) + little(zip, local + 28, 2);
    std::string content = inflated(zip, data, packed, size, method, name);
    if (name.ends_with(".xml") || name.ends_with(".rels")) checkXmlText(name, content);
    sawWorkbook |= name == "xl/workbook.xml";
  }
  if (!sawWorkbook) fail("the zip holds no xl/workbook.xml");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = scratch() + "/input.pas", output = scratch() + "/output.xlsx";
  {
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) fail("cannot write the input file");
  }
  std::string err;
  auto source = pas::LineSource::open(input, &err);
  if (!source) fail("cannot open the input: " + err);
  sheet::MemoryApplication application;
  sheet::ExportOptions options;
  options.logoPath = TARNWELL_LOGO;
  options.generatedAt = "2025 01 01 1200:00";
  Counting progress;
  sheet::ExportResult result = sheet::exportFile(application, *source, input, &progress, options);
  if (result.outcome != sheet::ExportResult::kCompleted) fail("the conversion failed: " + result.message);
  sheet::MemoryWorkbook& book = *application.workbooks().back();

  std::vector<int32_t> expected = nonBlankLines(input), written = rowsWritten(book);
  if (written != expected)
    fail(std::to_string(written.size()) + " rows written for " + std::to_string(expected.size()) +
         " non-blank lines");

  sheet::addPressureCharts(book);
  sheet::SaveReport report;
  if (!sheet::saveXlsx(book, output, &report, &err)) fail("the workbook was not saved: " + err);
  checkPackage(output);
  return 0;
}
