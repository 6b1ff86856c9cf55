// The spreadsheet operations the conversion needs, as an interface. The conversion code talks
// only to this; the in-memory workbook (memory_workbook.h) is the default implementation, and a
// live spreadsheet application could sit behind the same calls.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tnw::sheet {

// Colours in the spreadsheet's 0xBBGGRR byte order; kNoColour means "none".
using Colour = int32_t;
constexpr Colour kNoColour = -1;

// A cell: 1-based row, 0-based column (A is 0), so "B5" is {5, 1}.
struct Cell {
  int32_t row = 1;
  int32_t col = 0;
  friend bool operator==(Cell, Cell) = default;
};

// A rectangular range given by two corners, as the spreadsheet's Range(Cell1, Cell2).
struct Range {
  Cell first;
  Cell last;
  Range(Cell one) : first(one), last(one) {}  // NOLINT: a single cell is a range
  Range(Cell a, Cell b) : first(a), last(b) {}
};

// The spreadsheet's column letters: 0 -> "A", 25 -> "Z", 26 -> "AA".
std::string columnName(int32_t col);
// "B5", "AA7".
std::string cellName(Cell cell);
// Reads "B5" (letters then a row number >= 1); false for anything else.
bool parseCellName(std::string_view text, Cell* cell);

// Positions and sizes in points.
struct Rect {
  double left = 0, top = 0, width = 0, height = 0;
};
struct Size {
  double width = 0, height = 0;
};

// What the spreadsheet reports when it refuses an operation: a status code and its text.
class SpreadsheetError : public std::runtime_error {
 public:
  SpreadsheetError(int32_t status, const std::string& description)
      : std::runtime_error(description), status_(status) {}
  int32_t status() const { return status_; }

 private:
  int32_t status_;
};

// Status codes of SpreadsheetError, one line of text each (see statusText).
enum Status : int32_t {
  kStatusOk = 0,
  kStatusBadSheetName = 1,
  kStatusNoSuchSheet = 2,
  kStatusBadRange = 3,
  kStatusPicture = 4,
  kStatusLastSheet = 5,
  kStatusQuit = 6,
};
const char* statusText(int32_t status);

// Sheets are addressed by an id that stays valid while the sheet exists.
using SheetId = int32_t;

// One open workbook. Operations mirror the spreadsheet's object model: the Sheets collection,
// Range values and formats, Font and Interior, Merge, Pictures and Hyperlinks. Every refusal
// throws SpreadsheetError.
class Workbook {
 public:
  virtual ~Workbook() = default;

  // Sheets.
  virtual int32_t sheetCount() const = 0;
  virtual SheetId sheetAt(int32_t index) const = 0;  // 1-based position, as Sheets.Item
  virtual SheetId activeSheet() const = 0;
  // Adds a sheet right after `after`; the new sheet becomes the active one.
  virtual SheetId addSheetAfter(SheetId after) = 0;
  virtual void deleteSheet(SheetId sheet) = 0;
  virtual void activate(SheetId sheet) = 0;
  // Refuses names the file format does not allow, and names another sheet has in any case.
  virtual void setName(SheetId sheet, std::string_view name) = 0;

  // Cell values (Range.Value2). A text is interpreted by the workbook as the spreadsheet would:
  // see memory_workbook.h for how conservatively.
  virtual void setText(SheetId sheet, Cell cell, std::string_view text) = 0;
  virtual void setInteger(SheetId sheet, Cell cell, int32_t value) = 0;
  // A date: days since 30 December 1899, the time as the fraction.
  virtual void setDate(SheetId sheet, Cell cell, double serial) = 0;

  // Formats of every cell of a range.
  virtual void setNumberFormat(SheetId sheet, Range range, std::string_view format) = 0;
  virtual void setBold(SheetId sheet, Range range) = 0;
  virtual void setItalic(SheetId sheet, Range range) = 0;
  virtual void setFontColour(SheetId sheet, Range range, Colour colour) = 0;
  virtual void setFill(SheetId sheet, Range range, Colour colour) = 0;
  // Width of whole columns, in characters.
  virtual void setColumnWidth(SheetId sheet, int32_t col, double width) = 0;
  virtual void merge(SheetId sheet, Range range) = 0;
  // Where a range lies on the sheet, in points (Range.Left, Top, Width, Height).
  virtual Rect rangeRect(SheetId sheet, Range range) const = 0;

  // The natural size of a picture file in points (Pictures.Insert, then Width and Height,
  // then Delete). Throws when the file cannot be read as a picture.
  virtual Size pictureSize(const std::string& path) = 0;
  // Embeds a picture at a place and size (Shapes.AddPicture); returns the picture's number.
  virtual int32_t addPicture(SheetId sheet, const std::string& path, Rect place) = 0;
  // Makes a picture a link (Hyperlinks.Add with the picture as anchor).
  virtual void addHyperlink(SheetId sheet, int32_t picture, std::string_view address,
                            std::string_view screenTip) = 0;

  // Not part of the object model: the row that a sheet continued past the file format's row
  // limit repeats at its top (its header row).
  virtual void setRepeatedRow(SheetId sheet, int32_t row) = 0;
};

// The spreadsheet application: hands out one workbook per export and is then shown to the
// user, or told to quit without saving.
class Application {
 public:
  virtual ~Application() = default;
  virtual Workbook& addWorkbook() = 0;  // Workbooks.Add with no template
  virtual void setVisible(bool visible) = 0;
  virtual void setUserControl(bool userControl) = 0;
  virtual void setDisplayAlerts(bool displayAlerts) = 0;
  virtual void quit() = 0;
};

}  // namespace tnw::sheet
