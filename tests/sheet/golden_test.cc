// Every example converts to exactly the workbook it converted to when the fingerprints in
// tests/golden/examples.txt were taken: any change to what a file's cells hold, or how they
// look, shows here. Speed work must leave these alone. After a change of output that is meant,
// run the test with TARNWELL_UPDATE_GOLDEN=1 to take the fingerprints again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "sheet/export_driver.h"
#include "sheet/memory_workbook.h"
#include "test_support.h"

namespace tnw::sheet {
namespace {

// FNV-1a over a text rendering of every sheet, cell and style.
struct Fingerprint {
  uint64_t hash = 1469598103934665603ull;
  size_t cells = 0;
  void add(std::string_view text) {
    for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
    hash = (hash ^ '\n') * 1099511628211ull;
  }
};

Fingerprint fingerprint(const MemoryWorkbook& book) {
  Fingerprint f;
  f.add("active " + book.sheetName(book.activeSheet()));
  char buf[64];
  for (SheetId id : book.sheetOrder()) {
    f.add("sheet " + book.sheetName(id));
    for (auto [col, width] : book.columnWidths(id)) f.add("width " + std::to_string(col) + " " + std::to_string(width));
    for (const Range& r : book.merges(id)) f.add("merge " + cellName(r.first) + ":" + cellName(r.last));
    for (const Picture& p : book.pictures(id)) {
      std::snprintf(buf, sizeof buf, "%.3f %.3f %.3f %.3f", p.place.left, p.place.top, p.place.width, p.place.height);
      f.add("picture " + std::string(buf) + " " + p.address + " " + p.screenTip);
    }
    for (size_t i = 0; i < book.cellCount(id); ++i) {
      CellData cell = book.cellAtIndex(id, i);
      const CellStyle& s = book.style(cell.style);
      std::string line = cellName(cell.cell) + " " + std::to_string(static_cast<int>(cell.kind)) + " ";
      if (cell.kind == CellKind::kNumber) std::snprintf(buf, sizeof buf, "%.17g", cell.number), line += buf;
      if (cell.kind == CellKind::kText) line += cell.text;
      std::snprintf(buf, sizeof buf, " %d%d %d %d ", s.bold, s.italic, s.fontColour, s.fill);
      f.add(line + buf + book.numberFormat(s.numberFormat));
      ++f.cells;
    }
  }
  return f;
}

std::string goldenPath() { return testing::sourcePath("tests/golden/examples.txt"); }

std::map<std::string, std::string> readGolden() {
  std::map<std::string, std::string> out;
  std::ifstream in(goldenPath());
  std::string name, value;
  while (in >> name && std::getline(in, value)) out[name] = value.substr(1);
  return out;
}

TEST(Golden, EveryExampleConvertsToTheWorkbookItAlwaysDid) {
  std::map<std::string, std::string> now;
  for (const auto& entry : std::filesystem::directory_iterator(testing::sourcePath("examples"))) {
    if (entry.path().extension() != ".pas") continue;
    MemoryApplication app;
    auto source = pas::LineSource::fromBytes(testing::readFile(entry.path().string()));
    ExportOptions options;
    options.logoPath = testing::logoPath();
    options.generatedAt = "fixed";
    ExportResult result = exportFile(app, *source, entry.path().filename().string(), nullptr, options);
    ASSERT_EQ(result.outcome, ExportResult::kCompleted) << entry.path();
    Fingerprint f = fingerprint(*app.workbooks().back());
    char text[64];
    std::snprintf(text, sizeof text, "%zu %016llx", f.cells, static_cast<unsigned long long>(f.hash));
    now[entry.path().filename().string()] = text;
  }
  if (std::getenv("TARNWELL_UPDATE_GOLDEN")) {
    std::ofstream out(goldenPath());
    for (const auto& [name, value] : now) out << name << " " << value << "\n";
    GTEST_SKIP() << "fingerprints taken anew";
  }
  std::map<std::string, std::string> golden = readGolden();
  for (const auto& [name, value] : now) {
    auto it = golden.find(name);
    if (it == golden.end()) {
      ADD_FAILURE() << name << " has no fingerprint yet: run with TARNWELL_UPDATE_GOLDEN=1";
      continue;
    }
    EXPECT_EQ(value, it->second) << name << " converts differently than it did";
  }
}

}  // namespace
}  // namespace tnw::sheet
