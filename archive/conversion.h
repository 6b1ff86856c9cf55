// One conversion of a PAS file, kept for everything the archive makes of it: the per-file
// workbook, the row of the summary workbook, the rows of the database. All of them read the
// same workbook the conversion wrote, so a value is the same wherever it lands.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pas/progress.h"
#include "sheet/export_driver.h"
#include "sheet/memory_workbook.h"
#include "sheet/workbook_layout.h"

namespace tnw::archive {

// The header facts of a file, as UTF-8; empty where the file says nothing.
struct Facts {
  std::string type, typeName, version, uwi, company, formation, licensee, trackingId, submissionDate;
};

// A cell as the workbook shows it.
struct Shown {
  enum class Kind { kNone, kText, kNumber, kDate };
  Kind kind = Kind::kNone;
  std::string text;   // what the cell shows: the digits as written, a date in its format
  double number = 0;  // kNumber: the number; kDate: the spreadsheet's serial
  std::string time;   // kDate: ISO 8601, "2025-03-14T09:58:00"
};

struct TableCell {
  int32_t col = 0;          // 1 for the first value of the row (column C)
  std::string_view header;  // the mnemonic of the table's column definition there, or empty
  Shown value;
};

// One row of the workbook: what one non-blank line of the file became.
struct Row {
  int32_t line = 0;
  std::string_view sheet;
  std::string section;
  sheet::RowKind kind = sheet::RowKind::kValue;
  std::optional<std::string> mnemonic, description;
  Shown value;                   // column D of a value, comment or error row
  std::vector<TableCell> cells;  // a data-table row's values
};

// "value", "comment", "error" or "table"; a column definition is a value row.
std::string_view kindName(sheet::RowKind kind);

class Conversion {
 public:
  // Converts the file. False with *err naming the file when it cannot be opened or read;
  // a cancelled conversion is false with an empty *err.
  bool run(const std::string& path, pas::ProgressReporter* progress, std::string* err,
           const sheet::ExportOptions& options = {});

  const sheet::ExportResult& result() const { return result_; }
  sheet::MemoryWorkbook* workbook() const;
  Facts facts() const;

  // Every row in file order. The row handed over is reused for the next one.
  void visitRows(const std::function<void(const Row&)>& visit) const;

 private:
  sheet::MemoryApplication application_;
  sheet::RowJournal journal_;
  sheet::ExportResult result_;
};

// The text a number cell shows in the number format the workbook gave it.
std::string shownNumber(double value, std::string_view format);
// The ISO 8601 form of a serial, to the second; empty outside the years 100 to 9999.
std::string isoTime(double serial);

}  // namespace tnw::archive
