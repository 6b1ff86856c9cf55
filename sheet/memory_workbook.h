// The embedded spreadsheet: a workbook kept in memory, compact enough for a million-row
// conversion, and read back by the .xlsx writer and by the tests.
//
// Cells are 16 bytes, kept per sheet in row order; texts live in an arena, short repeated ones
// (section names, mnemonics) stored once; formats are interned and cells refer to them by
// number. Writes come in row order almost always, so the common write is an append; a write to
// an earlier row (the summary cells of the general sheet) is an insertion.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sheet/spreadsheet.h"

namespace tnw::sheet {

// The font and fill of a cell and its number format.
struct CellStyle {
  bool bold = false;
  bool italic = false;
  Colour fontColour = kNoColour;  // kNoColour: automatic (black)
  Colour fill = kNoColour;        // kNoColour: no fill
  uint16_t numberFormat = 0;      // 0: General; else MemoryWorkbook::numberFormat(n)
  friend bool operator==(const CellStyle&, const CellStyle&) = default;
};

enum class CellKind : uint8_t { kBlank, kNumber, kText };

// What one cell holds, for reading back.
struct CellData {
  Cell cell;
  CellKind kind = CellKind::kBlank;
  double number = 0;      // kNumber
  std::string_view text;  // kText: the bytes as given (converted to UTF-8 only when saved)
  uint16_t style = 0;     // index into MemoryWorkbook::style()
};

// A scatter chart over ranges of one sheet: x values in one column, y values in another, for the
// same rows. Rows are 1-based, columns 0-based, as cells are.
struct ChartSeries {
  std::string name;
  int32_t firstRow = 0, lastRow = 0;
  int32_t xCol = 0, yCol = 0;
};
struct Chart {
  std::string title;
  std::string xTitle, yTitle;
  bool xIsDate = false;  // the x values are dates: the axis shows them as such
  std::vector<ChartSeries> series;
  Cell anchor;  // the cell its top-left corner sits on
};

struct Picture {
  std::string path;
  Rect place;  // points
  std::string address;
  std::string screenTip;
};

class MemoryWorkbook : public Workbook {
 public:
  // A new workbook has `initialSheets` sheets named "Sheet1", "Sheet2", ...; the first active.
  explicit MemoryWorkbook(int32_t initialSheets = 1);
  ~MemoryWorkbook() override;
  MemoryWorkbook(const MemoryWorkbook&) = delete;
  MemoryWorkbook& operator=(const MemoryWorkbook&) = delete;

  // Workbook.
  int32_t sheetCount() const override;
  SheetId sheetAt(int32_t index) const override;
  SheetId activeSheet() const override;
  SheetId addSheetAfter(SheetId after) override;
  void deleteSheet(SheetId sheet) override;
  void activate(SheetId sheet) override;
  void setName(SheetId sheet, std::string_view name) override;
  void setText(SheetId sheet, Cell cell, std::string_view text) override;
  void setInteger(SheetId sheet, Cell cell, int32_t value) override;
  void setDate(SheetId sheet, Cell cell, double serial) override;
  void setNumberFormat(SheetId sheet, Range range, std::string_view format) override;
  void setBold(SheetId sheet, Range range) override;
  void setItalic(SheetId sheet, Range range) override;
  void setFontColour(SheetId sheet, Range range, Colour colour) override;
  void setFill(SheetId sheet, Range range, Colour colour) override;
  void setColumnWidth(SheetId sheet, int32_t col, double width) override;
  void merge(SheetId sheet, Range range) override;
  Rect rangeRect(SheetId sheet, Range range) const override;
  Size pictureSize(const std::string& path) override;
  int32_t addPicture(SheetId sheet, const std::string& path, Rect place) override;
  void addHyperlink(SheetId sheet, int32_t picture, std::string_view address,
                    std::string_view screenTip) override;
  void setRepeatedRow(SheetId sheet, int32_t row) override;
  // Not part of the spreadsheet operations: charts are worked out from the finished workbook.
  void addChart(SheetId sheet, Chart chart);
  // Nor these, for tables made to be sorted and filtered (the summary across files): `count`
  // header rows from `first` repeated on every continuation sheet; the rows above and the
  // columns left of `firstUnfrozen` kept in view; drop-down filters on the first row of `range`.
  void setRepeatedRows(SheetId sheet, int32_t first, int32_t count);
  void freezePanes(SheetId sheet, Cell firstUnfrozen);
  void setAutoFilter(SheetId sheet, Range range);

  // Reading back. Sheets in tab order.
  std::vector<SheetId> sheetOrder() const;
  const std::string& sheetName(SheetId sheet) const;
  std::optional<SheetId> findSheet(std::string_view name) const;
  // The cell, or nothing when it was never written or formatted.
  std::optional<CellData> cell(SheetId sheet, Cell cell) const;
  size_t cellCount(SheetId sheet) const;
  CellData cellAtIndex(SheetId sheet, size_t index) const;  // in row order, then column
  int32_t lastRow(SheetId sheet) const;                     // 0 for an empty sheet
  const std::map<int32_t, double>& columnWidths(SheetId sheet) const;
  const std::vector<Range>& merges(SheetId sheet) const;
  const std::vector<Picture>& pictures(SheetId sheet) const;
  int32_t repeatedRow(SheetId sheet) const;  // 0 when none; the first of them
  int32_t repeatedRowCount(SheetId sheet) const;
  std::optional<Cell> frozenAt(SheetId sheet) const;
  std::optional<Range> autoFilter(SheetId sheet) const;
  const std::vector<Chart>& charts(SheetId sheet) const;
  const CellStyle& style(uint16_t index) const;
  size_t styleCount() const;
  const std::string& numberFormat(uint16_t index) const;  // index 0 is "General"

  // Default sizes used to place pictures: the spreadsheet's default column of 8.43
  // characters (64 pixels) and row of 15 points.
  static constexpr double kDefaultColumnWidth = 8.43;
  static constexpr double kDefaultRowHeight = 15.0;
  static double columnWidthInPoints(double characters);

 private:
  struct StoredCell;
  struct SheetData;
  SheetData& data(SheetId sheet);
  const SheetData& data(SheetId sheet) const;
  StoredCell& cellForWrite(SheetData& sheet, Cell cell);
  void checkCell(Cell cell) const;
  template <typename Change>
  void restyle(SheetId sheet, Range range, Change change);
  uint16_t internStyle(const CellStyle& style);
  uint16_t internStyleSlow(uint64_t key, const CellStyle& style);
  uint16_t internNumberFormat(std::string_view format);
  uint64_t storeText(std::string_view text);
  std::string_view loadText(uint64_t ref) const;
  CellData toData(const StoredCell& stored) const;

  std::vector<std::unique_ptr<SheetData>> sheets_;  // by id; deleted sheets stay null
  std::vector<SheetId> order_;
  // Every sheet by its name with ASCII letters folded to lower case, as names clash: a file
  // may bring twenty thousand sheets, each named once and looked up by name.
  std::unordered_map<std::string, SheetId> byFoldedName_;
  SheetId active_ = 0;
  int32_t nextSheetNumber_ = 1;

  std::vector<CellStyle> styles_;
  std::unordered_map<uint64_t, uint16_t> styleIndex_;
  struct StyleCacheEntry {
    uint64_t key = 0;
    uint16_t index = 0;
    bool valid = false;
  };
  std::array<StyleCacheEntry, 64> styleCache_{};
  static constexpr uint16_t kNoFormat = 0xFFFF;
  std::array<uint16_t, 4> recentFormats_{kNoFormat, kNoFormat, kNoFormat, kNoFormat};
  size_t nextRecent_ = 0;
  std::vector<std::string> numberFormats_;
  std::map<std::string, uint16_t, std::less<>> numberFormatIndex_;

  // Text arena: blocks of fixed size, each text stored as a 32-bit length then its bytes.
  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t blockUsed_ = 0;
  size_t blockSize_ = 0;
  std::unordered_map<std::string_view, uint64_t> shortTexts_;
};

// The application that hands out in-memory workbooks; it remembers what it was told.
class MemoryApplication : public Application {
 public:
  Workbook& addWorkbook() override;
  void setVisible(bool visible) override { visible_ = visible; }
  void setUserControl(bool userControl) override { userControl_ = userControl; }
  void setDisplayAlerts(bool displayAlerts) override { displayAlerts_ = displayAlerts; }
  void quit() override;

  bool visible() const { return visible_; }
  bool userControl() const { return userControl_; }
  bool displayAlerts() const { return displayAlerts_; }
  bool quitted() const { return quit_; }
  // The workbooks added, in order; empty after quit (the unsaved work is gone).
  const std::vector<std::unique_ptr<MemoryWorkbook>>& workbooks() const { return workbooks_; }
  // Sheets a new workbook starts with.
  void setInitialSheets(int32_t n) { initialSheets_ = n; }

 private:
  std::vector<std::unique_ptr<MemoryWorkbook>> workbooks_;
  int32_t initialSheets_ = 1;
  bool visible_ = false, userControl_ = false, displayAlerts_ = true, quit_ = false;
};

}  // namespace tnw::sheet
