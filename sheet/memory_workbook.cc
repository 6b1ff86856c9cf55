#include "sheet/memory_workbook.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <utility>

#include "sheet/number_text.h"
#include "sheet/picture_info.h"
#include "sheet/text_encoding.h"

namespace tnw::sheet {

namespace {

constexpr int32_t kMaxColumns = 16384;      // A to XFD
constexpr int32_t kMaxRows = 1 << 30;       // rows past the file's limit go on continuation sheets
constexpr size_t kTextBlock = 1 << 20;      // arena block size
constexpr size_t kShortText = 32;           // texts up to this long are stored once
constexpr size_t kMaxShortTexts = 1 << 16;  // ...until this many different ones are known
constexpr uint16_t kKindShift = 14;
constexpr uint16_t kColumnMask = (1 << kKindShift) - 1;

uint64_t cellKey(int32_t row, int32_t col) {
  return (static_cast<uint64_t>(row) << 16) | static_cast<uint64_t>(col);
}

// Colours are stored in 25 bits so that "none" (-1) has a code of its own.
uint64_t colourCode(Colour c) { return c < 0 ? 0x1000000u : static_cast<uint64_t>(c & 0xFFFFFF); }

uint64_t styleKey(const CellStyle& s) {
  return (s.bold ? 1u : 0u) | (s.italic ? 2u : 0u) | (colourCode(s.fontColour) << 2) |
         (colourCode(s.fill) << 27) | (static_cast<uint64_t>(s.numberFormat) << 52);
}

// Sheet names as the file format allows them; the length counts characters, not bytes.
bool sheetNameAllowed(std::string_view name) {
  size_t chars = isValidUtf8(name) ? utf8CharCount(name) : name.size();
  if (chars == 0 || chars > 31) return false;
  if (name.find_first_of("[]:*?/\\") != std::string_view::npos) return false;
  if (name.front() == '\'' || name.back() == '\'') return false;
  return true;
}

std::string foldedName(std::string_view name) {
  std::string out(name);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace

struct MemoryWorkbook::StoredCell {
  uint32_t row;
  uint16_t colKind;  // column in the low 14 bits, CellKind above
  uint16_t style;
  uint64_t payload;  // the number's bits, or the text's place in the arena

  int32_t col() const { return colKind & kColumnMask; }
  CellKind kind() const { return static_cast<CellKind>(colKind >> kKindShift); }
  void setKind(CellKind k) {
    colKind = static_cast<uint16_t>((colKind & kColumnMask) | (static_cast<uint16_t>(k) << kKindShift));
  }
  uint64_t key() const { return cellKey(static_cast<int32_t>(row), col()); }
};

struct MemoryWorkbook::SheetData {
  std::string name;
  std::deque<StoredCell> cells;  // sorted by row, then column; a deque never copies on growth
  std::map<int32_t, double> widths;
  std::vector<Range> merges;
  std::vector<Picture> pictures;
  std::vector<Chart> charts;
  int32_t repeatedRow = 0;
  int32_t repeatedCount = 1;
  std::optional<Cell> frozen;
  std::optional<Range> filter;
};

MemoryWorkbook::MemoryWorkbook(int32_t initialSheets) {
  static_assert(sizeof(StoredCell) == 16, "cells must stay compact");
  styles_.push_back(CellStyle{});
  styleIndex_.emplace(styleKey(CellStyle{}), 0);
  numberFormats_.push_back("General");
  numberFormatIndex_.emplace("General", 0);
  for (int32_t i = 0; i < std::max(initialSheets, 1); ++i) {
    auto sheet = std::make_unique<SheetData>();
    sheet->name = "Sheet" + std::to_string(nextSheetNumber_++);
    byFoldedName_.emplace(foldedName(sheet->name), static_cast<SheetId>(sheets_.size()));
    order_.push_back(static_cast<SheetId>(sheets_.size()));
    sheets_.push_back(std::move(sheet));
  }
  active_ = order_.front();
}

MemoryWorkbook::~MemoryWorkbook() = default;

MemoryWorkbook::SheetData& MemoryWorkbook::data(SheetId sheet) {
  return const_cast<SheetData&>(std::as_const(*this).data(sheet));
}

const MemoryWorkbook::SheetData& MemoryWorkbook::data(SheetId sheet) const {
  if (sheet < 0 || static_cast<size_t>(sheet) >= sheets_.size() || !sheets_[sheet])
    throw SpreadsheetError(kStatusNoSuchSheet, statusText(kStatusNoSuchSheet));
  return *sheets_[sheet];
}

int32_t MemoryWorkbook::sheetCount() const { return static_cast<int32_t>(order_.size()); }

SheetId MemoryWorkbook::sheetAt(int32_t index) const {
  if (index < 1 || index > sheetCount())
    throw SpreadsheetError(kStatusNoSuchSheet, statusText(kStatusNoSuchSheet));
  return order_[index - 1];
}

SheetId MemoryWorkbook::activeSheet() const { return active_; }

SheetId MemoryWorkbook::addSheetAfter(SheetId after) {
  data(after);
  auto sheet = std::make_unique<SheetData>();
  std::string name;
  do {
    name = "Sheet" + std::to_string(nextSheetNumber_++);
  } while (byFoldedName_.contains(foldedName(name)));
  sheet->name = name;
  SheetId id = static_cast<SheetId>(sheets_.size());
  byFoldedName_.emplace(foldedName(name), id);
  sheets_.push_back(std::move(sheet));
  order_.insert(std::find(order_.begin(), order_.end(), after) + 1, id);
  active_ = id;
  return id;
}

void MemoryWorkbook::deleteSheet(SheetId sheet) {
  data(sheet);
  if (order_.size() == 1) throw SpreadsheetError(kStatusLastSheet, statusText(kStatusLastSheet));
  auto at = std::find(order_.begin(), order_.end(), sheet);
  size_t position = static_cast<size_t>(at - order_.begin());
  order_.erase(at);
  byFoldedName_.erase(foldedName(sheets_[sheet]->name));
  sheets_[sheet].reset();
  // The spreadsheet activates the sheet that took the deleted one's place.
  if (active_ == sheet) active_ = order_[std::min(position, order_.size() - 1)];
}

void MemoryWorkbook::activate(SheetId sheet) {
  data(sheet);
  active_ = sheet;
}

void MemoryWorkbook::setName(SheetId sheet, std::string_view name) {
  SheetData& target = data(sheet);
  if (!sheetNameAllowed(name))
    throw SpreadsheetError(kStatusBadSheetName,
                           "The sheet name \"" + toUtf8(name) + "\" is not allowed");
  std::string key = foldedName(name);
  auto taken = byFoldedName_.find(key);
  if (taken != byFoldedName_.end() && taken->second != sheet)
    throw SpreadsheetError(kStatusBadSheetName,
                           "The sheet name \"" + toUtf8(name) + "\" is already taken");
  byFoldedName_.erase(foldedName(target.name));
  byFoldedName_.emplace(std::move(key), sheet);
  target.name = std::string(name);
}

void MemoryWorkbook::checkCell(Cell cell) const {
  if (cell.row < 1 || cell.row > kMaxRows || cell.col < 0 || cell.col >= kMaxColumns)
    throw SpreadsheetError(kStatusBadRange, statusText(kStatusBadRange));
}

MemoryWorkbook::StoredCell& MemoryWorkbook::cellForWrite(SheetData& sheet, Cell cell) {
  checkCell(cell);
  uint64_t key = cellKey(cell.row, cell.col);
  auto& cells = sheet.cells;
  StoredCell fresh{static_cast<uint32_t>(cell.row), static_cast<uint16_t>(cell.col), 0, 0};
  if (cells.empty() || cells.back().key() < key) return cells.emplace_back(fresh);
  if (cells.back().key() == key) return cells.back();
  auto at = std::lower_bound(cells.begin(), cells.end(), key,
                             [](const StoredCell& c, uint64_t k) { return c.key() < k; });
  if (at != cells.end() && at->key() == key) return *at;
  return *cells.insert(at, fresh);
}

void MemoryWorkbook::setText(SheetId sheet, Cell cell, std::string_view text) {
  StoredCell& stored = cellForWrite(data(sheet), cell);
  DecimalText number;
  if (readPlainDecimal(text, &number)) {
    stored.setKind(CellKind::kNumber);
    stored.payload = std::bit_cast<uint64_t>(number.value);
    if (styles_[stored.style].numberFormat == 0 && !number.format.empty()) {
      CellStyle style = styles_[stored.style];
      style.numberFormat = internNumberFormat(number.format);
      stored.style = internStyle(style);
    }
    return;
  }
  stored.setKind(CellKind::kText);
  stored.payload = storeText(text);
}

void MemoryWorkbook::setInteger(SheetId sheet, Cell cell, int32_t value) {
  StoredCell& stored = cellForWrite(data(sheet), cell);
  stored.setKind(CellKind::kNumber);
  stored.payload = std::bit_cast<uint64_t>(static_cast<double>(value));
}

void MemoryWorkbook::setDate(SheetId sheet, Cell cell, double serial) {
  StoredCell& stored = cellForWrite(data(sheet), cell);
  stored.setKind(CellKind::kNumber);
  stored.payload = std::bit_cast<uint64_t>(serial);
}

template <typename Change>
void MemoryWorkbook::restyle(SheetId sheet, Range range, Change change) {
  SheetData& target = data(sheet);
  checkCell(range.first);
  checkCell(range.last);
  for (int32_t row = std::min(range.first.row, range.last.row);
       row <= std::max(range.first.row, range.last.row); ++row) {
    for (int32_t col = std::min(range.first.col, range.last.col);
         col <= std::max(range.first.col, range.last.col); ++col) {
      StoredCell& stored = cellForWrite(target, {row, col});
      CellStyle style = styles_[stored.style];
      change(style);
      stored.style = internStyle(style);
    }
  }
}

void MemoryWorkbook::setNumberFormat(SheetId sheet, Range range, std::string_view format) {
  uint16_t id = internNumberFormat(format);
  restyle(sheet, range, [id](CellStyle& s) { s.numberFormat = id; });
}

void MemoryWorkbook::setBold(SheetId sheet, Range range) {
  restyle(sheet, range, [](CellStyle& s) { s.bold = true; });
}

void MemoryWorkbook::setItalic(SheetId sheet, Range range) {
  restyle(sheet, range, [](CellStyle& s) { s.italic = true; });
}

void MemoryWorkbook::setFontColour(SheetId sheet, Range range, Colour colour) {
  restyle(sheet, range, [colour](CellStyle& s) { s.fontColour = colour < 0 ? kNoColour : colour & 0xFFFFFF; });
}

void MemoryWorkbook::setFill(SheetId sheet, Range range, Colour colour) {
  restyle(sheet, range, [colour](CellStyle& s) { s.fill = colour < 0 ? kNoColour : colour & 0xFFFFFF; });
}

void MemoryWorkbook::setColumnWidth(SheetId sheet, int32_t col, double width) {
  SheetData& target = data(sheet);
  checkCell({1, col});
  if (!(width >= 0 && width <= 255))
    throw SpreadsheetError(kStatusBadRange, "A column width must lie between 0 and 255");
  target.widths[col] = width;
}

void MemoryWorkbook::merge(SheetId sheet, Range range) {
  SheetData& target = data(sheet);
  checkCell(range.first);
  checkCell(range.last);
  Range ordered({std::min(range.first.row, range.last.row), std::min(range.first.col, range.last.col)},
                {std::max(range.first.row, range.last.row), std::max(range.first.col, range.last.col)});
  target.merges.push_back(ordered);
}

double MemoryWorkbook::columnWidthInPoints(double characters) {
  // The spreadsheet draws a column of w characters (of its 7-pixel default digit) as w * 7
  // pixels, rounded, and 5 of padding; narrower ones in proportion. A pixel is 0.75 points.
  // The .xlsx writer sizes columns the same way, so pictures land where they were placed.
  double pixels = characters < 1 ? std::trunc(characters * 12 + 0.5) : std::trunc(characters * 7 + 0.5) + 5;
  return pixels * 0.75;
}

Rect MemoryWorkbook::rangeRect(SheetId sheet, Range range) const {
  const SheetData& target = data(sheet);
  checkCell(range.first);
  checkCell(range.last);
  auto width = [&](int32_t col) {
    auto it = target.widths.find(col);
    return columnWidthInPoints(it == target.widths.end() ? kDefaultColumnWidth : it->second);
  };
  int32_t c1 = std::min(range.first.col, range.last.col), c2 = std::max(range.first.col, range.last.col);
  int32_t r1 = std::min(range.first.row, range.last.row), r2 = std::max(range.first.row, range.last.row);
  Rect rect;
  for (int32_t c = 0; c < c1; ++c) rect.left += width(c);
  for (int32_t c = c1; c <= c2; ++c) rect.width += width(c);
  rect.top = (r1 - 1) * kDefaultRowHeight;
  rect.height = (r2 - r1 + 1) * kDefaultRowHeight;
  return rect;
}

Size MemoryWorkbook::pictureSize(const std::string& path) {
  PictureInfo info;
  std::string err;
  if (!readPictureInfo(path, &info, &err)) throw SpreadsheetError(kStatusPicture, err);
  return {info.widthPx * 0.75, info.heightPx * 0.75};
}

int32_t MemoryWorkbook::addPicture(SheetId sheet, const std::string& path, Rect place) {
  SheetData& target = data(sheet);
  PictureInfo info;
  std::string err;
  if (!readPictureInfo(path, &info, &err)) throw SpreadsheetError(kStatusPicture, err);
  target.pictures.push_back(Picture{path, place, {}, {}});
  return static_cast<int32_t>(target.pictures.size());
}

void MemoryWorkbook::addHyperlink(SheetId sheet, int32_t picture, std::string_view address,
                                  std::string_view screenTip) {
  SheetData& target = data(sheet);
  if (picture < 1 || static_cast<size_t>(picture) > target.pictures.size())
    throw SpreadsheetError(kStatusPicture, "No such picture to link");
  target.pictures[picture - 1].address = std::string(address);
  target.pictures[picture - 1].screenTip = std::string(screenTip);
}

void MemoryWorkbook::setRepeatedRow(SheetId sheet, int32_t row) { setRepeatedRows(sheet, row, 1); }

void MemoryWorkbook::setRepeatedRows(SheetId sheet, int32_t first, int32_t count) {
  SheetData& target = data(sheet);
  target.repeatedRow = first;
  target.repeatedCount = std::max(count, 1);
}

void MemoryWorkbook::freezePanes(SheetId sheet, Cell firstUnfrozen) {
  checkCell(firstUnfrozen);
  data(sheet).frozen = firstUnfrozen;
}

void MemoryWorkbook::setAutoFilter(SheetId sheet, Range range) {
  checkCell(range.first);
  checkCell(range.last);
  Cell first{std::min(range.first.row, range.last.row), std::min(range.first.col, range.last.col)};
  Cell last{std::max(range.first.row, range.last.row), std::max(range.first.col, range.last.col)};
  data(sheet).filter = Range(first, last);
}

void MemoryWorkbook::addChart(SheetId sheet, Chart chart) { data(sheet).charts.push_back(std::move(chart)); }

uint16_t MemoryWorkbook::internStyle(const CellStyle& style) {
  // Rows repeat the same few styles; a small direct-mapped cache answers before the map.
  uint64_t key = styleKey(style);
  // Multiplied so that every field of the key (the number format's at the top among them) moves
  // the slot: cells of one row that differ by their number format alone took turns in one slot.
  static_assert(std::tuple_size_v<decltype(styleCache_)> == 64);
  StyleCacheEntry& cached = styleCache_[(key * 0x9E3779B97F4A7C15ull) >> 58];
  if (cached.valid && cached.key == key) return cached.index;
  uint16_t index = internStyleSlow(key, style);
  cached = {key, index, true};
  return index;
}

uint16_t MemoryWorkbook::internStyleSlow(uint64_t key, const CellStyle& style) {
  auto [it, added] = styleIndex_.try_emplace(key, static_cast<uint16_t>(styles_.size()));
  if (added) {
    if (styles_.size() >= 0xFFFF) {
      styleIndex_.erase(it);
      throw SpreadsheetError(kStatusBadRange, "Too many different cell formats");
    }
    styles_.push_back(style);
  }
  return it->second;
}

uint16_t MemoryWorkbook::internNumberFormat(std::string_view format) {
  // A table's columns take turns with a handful of formats; remember the last few.
  for (uint16_t id : recentFormats_)
    if (id != kNoFormat && numberFormats_[id] == format) return id;
  uint16_t id;
  auto it = numberFormatIndex_.find(format);
  if (it != numberFormatIndex_.end()) {
    id = it->second;
  } else {
    if (numberFormats_.size() >= 4095)  // the style key keeps 12 bits for it
      throw SpreadsheetError(kStatusBadRange, "Too many different number formats");
    id = static_cast<uint16_t>(numberFormats_.size());
    numberFormats_.emplace_back(format);
    numberFormatIndex_.emplace(std::string(format), id);
  }
  recentFormats_[nextRecent_++ % recentFormats_.size()] = id;
  return id;
}

uint64_t MemoryWorkbook::storeText(std::string_view text) {
  bool isShort = text.size() <= kShortText;
  if (isShort) {
    auto it = shortTexts_.find(text);
    if (it != shortTexts_.end()) return it->second;
  }
  size_t need = sizeof(uint32_t) + text.size();
  if (blocks_.empty() || blockUsed_ + need > blockSize_) {
    blockSize_ = std::max(kTextBlock, need);
    blocks_.push_back(std::make_unique<char[]>(blockSize_));
    blockUsed_ = 0;
  }
  char* at = blocks_.back().get() + blockUsed_;
  uint32_t length = static_cast<uint32_t>(std::min<size_t>(text.size(), UINT32_MAX));
  std::memcpy(at, &length, sizeof length);
  if (length != 0) std::memcpy(at + sizeof length, text.data(), length);
  uint64_t ref = (static_cast<uint64_t>(blocks_.size() - 1) << 32) | blockUsed_;
  blockUsed_ += need;
  if (isShort && shortTexts_.size() < kMaxShortTexts)
    shortTexts_.emplace(std::string_view(at + sizeof length, length), ref);
  return ref;
}

std::string_view MemoryWorkbook::loadText(uint64_t ref) const {
  const char* at = blocks_[ref >> 32].get() + (ref & 0xFFFFFFFFu);
  uint32_t length;
  std::memcpy(&length, at, sizeof length);
  return {at + sizeof length, length};
}

CellData MemoryWorkbook::toData(const StoredCell& stored) const {
  CellData out;
  out.cell = {static_cast<int32_t>(stored.row), stored.col()};
  out.kind = stored.kind();
  out.style = stored.style;
  if (out.kind == CellKind::kNumber) out.number = std::bit_cast<double>(stored.payload);
  if (out.kind == CellKind::kText) out.text = loadText(stored.payload);
  return out;
}

std::vector<SheetId> MemoryWorkbook::sheetOrder() const { return order_; }

const std::string& MemoryWorkbook::sheetName(SheetId sheet) const { return data(sheet).name; }

std::optional<SheetId> MemoryWorkbook::findSheet(std::string_view name) const {
  auto it = byFoldedName_.find(foldedName(name));
  if (it == byFoldedName_.end() || sheets_[it->second]->name != name) return std::nullopt;
  return it->second;
}

std::optional<CellData> MemoryWorkbook::cell(SheetId sheet, Cell cell) const {
  const auto& cells = data(sheet).cells;
  uint64_t key = cellKey(cell.row, cell.col);
  auto at = std::lower_bound(cells.begin(), cells.end(), key,
                             [](const StoredCell& c, uint64_t k) { return c.key() < k; });
  if (at == cells.end() || at->key() != key) return std::nullopt;
  return toData(*at);
}

size_t MemoryWorkbook::cellCount(SheetId sheet) const { return data(sheet).cells.size(); }

CellData MemoryWorkbook::cellAtIndex(SheetId sheet, size_t index) const {
  return toData(data(sheet).cells.at(index));
}

int32_t MemoryWorkbook::lastRow(SheetId sheet) const {
  const auto& cells = data(sheet).cells;
  return cells.empty() ? 0 : static_cast<int32_t>(cells.back().row);
}

const std::map<int32_t, double>& MemoryWorkbook::columnWidths(SheetId sheet) const {
  return data(sheet).widths;
}

const std::vector<Range>& MemoryWorkbook::merges(SheetId sheet) const { return data(sheet).merges; }

const std::vector<Picture>& MemoryWorkbook::pictures(SheetId sheet) const {
  return data(sheet).pictures;
}

int32_t MemoryWorkbook::repeatedRow(SheetId sheet) const { return data(sheet).repeatedRow; }

int32_t MemoryWorkbook::repeatedRowCount(SheetId sheet) const { return data(sheet).repeatedCount; }

std::optional<Cell> MemoryWorkbook::frozenAt(SheetId sheet) const { return data(sheet).frozen; }

std::optional<Range> MemoryWorkbook::autoFilter(SheetId sheet) const { return data(sheet).filter; }

const std::vector<Chart>& MemoryWorkbook::charts(SheetId sheet) const { return data(sheet).charts; }

const CellStyle& MemoryWorkbook::style(uint16_t index) const { return styles_.at(index); }

size_t MemoryWorkbook::styleCount() const { return styles_.size(); }

const std::string& MemoryWorkbook::numberFormat(uint16_t index) const {
  return numberFormats_.at(index);
}

Workbook& MemoryApplication::addWorkbook() {
  if (quit_) throw SpreadsheetError(kStatusQuit, statusText(kStatusQuit));
  workbooks_.push_back(std::make_unique<MemoryWorkbook>(initialSheets_));
  return *workbooks_.back();
}

void MemoryApplication::quit() {
  quit_ = true;
  workbooks_.clear();
}

}  // namespace tnw::sheet
