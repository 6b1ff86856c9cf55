// The workbook's layout: one sheet per section group, found or created by name, each with its
// header row; value rows and data-table rows appended in file order; the general sheet
// "TEST INFORMATION" with the logo, the generated line and the summary.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sheet/cell_value.h"
#include "sheet/spreadsheet.h"

namespace tnw::sheet {

inline constexpr std::string_view kGeneralSheet = "TEST INFORMATION";

// Colours the readers and the conversion pass for rows (0xBBGGRR).
inline constexpr Colour kCommentFill = 0x80FFFF;     // light yellow
inline constexpr Colour kErrorFill = 0x4040FF;       // light red
inline constexpr Colour kTableStartFill = 0xEAD5D5;  // light blue-grey
inline constexpr Colour kHeaderFill = 0xB4E8FE;      // light orange
inline constexpr Colour kDescriptionColour = 0x808080;
inline constexpr Colour kBlue = 0xFF0000;
inline constexpr Colour kRed = 0x0000FF;

inline constexpr std::string_view kDateFormat = "yyyy mm dd hhmm:ss";

// What a row written for a line of the file is. The conversion marks comments, unreadable lines
// and a data table's column definitions by their fills, so the layout can tell them apart.
enum class RowKind : uint8_t { kValue, kColumnDefinition, kComment, kError, kTable };

// Where the row of each file line went, in file order: the archive reads a conversion's rows
// back from the workbook through it, so what it stores is what the workbook shows.
struct JournalEntry {
  int32_t fileLine = 0;
  SheetId sheet = 0;
  int32_t row = 0;
  RowKind kind = RowKind::kValue;
};
using RowJournal = std::vector<JournalEntry>;

struct LayoutOptions {
  std::string logoPath;       // the picture placed on the general sheet
  std::string reportAddress;  // where clicking the logo leads
  std::string siteAddress;    // shown as the logo's screen tip
  RowJournal* journal = nullptr;  // when given, every row is noted in it
};

// The style of the first row of a data table.
struct TableRowStyle {
  Colour fill = kNoColour;
  bool bold = false;
};

class WorkbookLayout {
 public:
  struct SheetEntry {
    SheetId sheet = 0;
    int32_t lastRow = 0;  // 0 before the header row exists
  };

  // With no workbook every write only records its section.
  WorkbookLayout(Workbook* workbook, LayoutOptions options);

  bool bound() const { return workbook_ != nullptr; }
  // The section of the most recent row, written or not; data tables use it to see where a
  // run of rows starts.
  const std::string& lastSection() const { return lastSection_; }

  SheetEntry selectSheet(std::string_view name);
  // One row: A the file line, B the section, C the mnemonic (bold), D the value, G the
  // description (grey italics); a fill colours C to O.
  void writeValueRow(int32_t fileLine, std::string_view sheet, std::string_view section,
                     std::string_view mnemonic, std::optional<std::string_view> value,
                     std::optional<std::string_view> description, Colour fill);
  // One data-table row: A the file line, B the table, the values from C on.
  void writeTableSheet(int32_t fileLine, std::string_view sheet, std::string_view section,
                       std::span<const CellValue> values, const TableRowStyle* style);
  // D1 of the general sheet: the file and when the workbook was made.
  void writeGeneratedLine(std::string_view path, std::string_view when);
  // D2 of the general sheet, and two empty rows before anything written after it.
  void writeSummary(int32_t lines, int32_t errors);
  // D3 of the general sheet, in the summary's style and red: something the user must know
  // about how the file was read. It takes no row of its own: rows stand for lines of the file.
  void writeNote(std::string_view text);

  // Things the file format could not hold as they were, one line each, for the user.
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  void prepareSheet(SheetEntry& entry, bool isGeneral);
  void placeLogo(SheetId sheet);
  SheetEntry& entryFor(std::string_view name);

  Workbook* workbook_;
  LayoutOptions options_;
  std::map<std::string, SheetEntry, std::less<>> sheets_;
  // The last sheet used, looked up without the map: rows of one sheet come together.
  std::string lastName_;
  SheetEntry* lastEntry_ = nullptr;
  std::string lastSection_;
  std::vector<std::string> warnings_;
};

}  // namespace tnw::sheet
