// Helpers the tests share: converting PAS text in memory and reading the workbook back.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pas/pas_converter.h"
#include "sheet/memory_workbook.h"

namespace tnw::testing {

std::string sourcePath(std::string_view relative);  // a file of the source tree
std::string logoPath();                               // the shipped logo
sheet::LayoutOptions testLayout();

// A conversion of `text` into a fresh in-memory workbook.
struct Converted {
  sheet::MemoryWorkbook book;
  pas::PasConverter converter;
  bool completed = false;
  explicit Converted(int32_t initialSheets = 1) : book(initialSheets), converter(&book, testLayout()) {}
};
std::unique_ptr<Converted> convertText(std::string_view text, pas::ProgressReporter* progress = nullptr);

// What a cell shows: its text, or its number as the shortest text that reads back the same;
// empty for a blank or missing cell.
std::string shownValue(const sheet::MemoryWorkbook& book, std::string_view sheet, std::string_view cell);
std::optional<sheet::CellData> cellAt(const sheet::MemoryWorkbook& book, std::string_view sheet,
                                      std::string_view cell);
sheet::CellStyle styleAt(const sheet::MemoryWorkbook& book, std::string_view sheet, std::string_view cell);
// The cells of one row as shown, from column A to the last used one.
std::vector<std::string> rowValues(const sheet::MemoryWorkbook& book, std::string_view sheet, int32_t row);
std::vector<std::string> sheetNames(const sheet::MemoryWorkbook& book);
// The lines that ended as "Could not parse line" rows, each followed by a line feed.
std::string errorsOf(const Converted& converted);

std::string readFile(const std::string& path);
std::string readExample(std::string_view name);  // a file of examples/

// A temporary folder removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }
  void write(std::string_view name, std::string_view bytes) const;

 private:
  std::string path_;
};

}  // namespace tnw::testing
