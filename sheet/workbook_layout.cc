#include "sheet/workbook_layout.h"

#include <cmath>

namespace tnw::sheet {

namespace {

constexpr int32_t kColA = 0, kColB = 1, kColC = 2, kColD = 3, kColG = 6, kColO = 14;
constexpr int32_t kLastColumn = 16383;  // XFD
constexpr int32_t kFirstValueColumn = kColC;

struct HeaderCell {
  int32_t col;
  std::string_view text;
  double width;  // 0: the spreadsheet's default
};
constexpr HeaderCell kHeader[] = {
    {kColA, "File Line", 0}, {kColB, "Section", 30}, {kColC, "PAS Mnemonic", 20},
    {kColD, "Value", 0},     {kColG, "Description", 0},
};

}  // namespace

WorkbookLayout::WorkbookLayout(Workbook* workbook, LayoutOptions options)
    : workbook_(workbook), options_(std::move(options)) {}

WorkbookLayout::SheetEntry& WorkbookLayout::entryFor(std::string_view name) {
  if (lastEntry_ && lastName_ == name) return *lastEntry_;
  auto found = sheets_.find(name);
  if (found == sheets_.end()) {
    if (sheets_.empty()) {
      // A new workbook comes with the application's default sheets; the first sheet used
      // takes the place of all of them.
      for (int32_t n = workbook_->sheetCount(); n > 1; --n) workbook_->deleteSheet(workbook_->activeSheet());
    }
    SheetId sheet;
    if (sheets_.empty()) {
      sheet = workbook_->activeSheet();
    } else {
      // Sheets stand in the order of their first use; the first one stays active.
      SheetId active = workbook_->activeSheet();
      sheet = workbook_->addSheetAfter(workbook_->sheetAt(workbook_->sheetCount()));
      workbook_->activate(active);
    }
    workbook_->setName(sheet, name);
    found = sheets_.emplace(std::string(name), SheetEntry{sheet, 0}).first;
    prepareSheet(found->second, name == kGeneralSheet);
  }
  lastName_.assign(name);
  lastEntry_ = &found->second;
  return found->second;
}

WorkbookLayout::SheetEntry WorkbookLayout::selectSheet(std::string_view name) { return entryFor(name); }

void WorkbookLayout::prepareSheet(SheetEntry& entry, bool isGeneral) {
  int32_t row = entry.lastRow + (isGeneral ? 3 : 0) + 1;
  for (const HeaderCell& header : kHeader) {
    workbook_->setText(entry.sheet, {row, header.col}, header.text);
    workbook_->setBold(entry.sheet, Cell{row, header.col});
    if (header.width > 0) workbook_->setColumnWidth(entry.sheet, header.col, header.width);
  }
  workbook_->setFill(entry.sheet, Range({row, kColA}, {row, kColO}), kHeaderFill);
  workbook_->setRepeatedRow(entry.sheet, row);
  if (isGeneral) placeLogo(entry.sheet);
  entry.lastRow = row;
}

void WorkbookLayout::placeLogo(SheetId sheet) {
  Size natural = workbook_->pictureSize(options_.logoPath);
  Range cell({1, kColB}, {3, kColB});
  workbook_->merge(sheet, cell);
  Rect box = workbook_->rangeRect(sheet, cell);
  // Fit the picture into the merged cell keeping its proportions; a size of 0 gives no
  // number, and then the height decides.
  double fittedHeight = natural.height * (box.width / natural.width);
  Rect place{box.left, box.top, box.width, fittedHeight};
  if (!(fittedHeight <= box.height)) {
    place.width = natural.width * (box.height / natural.height);
    place.height = box.height;
  }
  // The sizes travel as single-precision numbers.
  place = {static_cast<float>(place.left), static_cast<float>(place.top),
           static_cast<float>(place.width), static_cast<float>(place.height)};
  int32_t picture = workbook_->addPicture(sheet, options_.logoPath, place);
  workbook_->addHyperlink(sheet, picture, options_.reportAddress, options_.siteAddress);
}

void WorkbookLayout::writeValueRow(int32_t fileLine, std::string_view sheet, std::string_view section,
                                   std::string_view mnemonic, std::optional<std::string_view> value,
                                   std::optional<std::string_view> description, Colour fill) {
  lastSection_.assign(section);
  if (!workbook_) return;
  SheetEntry& entry = entryFor(sheet);
  int32_t row = entry.lastRow + 1;
  workbook_->setInteger(entry.sheet, {row, kColA}, fileLine);
  workbook_->setText(entry.sheet, {row, kColB}, section);
  workbook_->setText(entry.sheet, {row, kColC}, mnemonic);
  workbook_->setBold(entry.sheet, Cell{row, kColC});
  if (value) workbook_->setText(entry.sheet, {row, kColD}, *value);
  if (description) {
    workbook_->setText(entry.sheet, {row, kColG}, *description);
    workbook_->setItalic(entry.sheet, Cell{row, kColG});
    workbook_->setFontColour(entry.sheet, Cell{row, kColG}, kDescriptionColour);
  }
  if (fill != kNoColour) workbook_->setFill(entry.sheet, Range({row, kColC}, {row, kColO}), fill);
  entry.lastRow = row;
  if (options_.journal) {
    RowKind kind = fill == kCommentFill      ? RowKind::kComment
                   : fill == kErrorFill      ? RowKind::kError
                   : fill == kTableStartFill ? RowKind::kColumnDefinition
                                             : RowKind::kValue;
    options_.journal->push_back({fileLine, entry.sheet, row, kind});
  }
}

void WorkbookLayout::writeTableSheet(int32_t fileLine, std::string_view sheet, std::string_view section,
                                     std::span<const CellValue> values, const TableRowStyle* style) {
  lastSection_.assign(section);
  if (!workbook_) return;
  SheetEntry& entry = entryFor(sheet);
  int32_t row = entry.lastRow + 1;
  workbook_->setInteger(entry.sheet, {row, kColA}, fileLine);
  workbook_->setText(entry.sheet, {row, kColB}, section);
  // Values go on past Z into AA, AB, ...; those that would pass the last column share it, so
  // nothing of the line is lost.
  size_t room = kLastColumn - kFirstValueColumn + 1;
  std::string rest;
  if (values.size() > room) {
    for (size_t i = room - 1; i < values.size(); ++i) {
      if (i != room - 1) rest.push_back(',');
      rest.append(values[i].isDate() ? "" : values[i].text);
    }
    warnings_.push_back("sheet \"" + std::string(sheet) + "\", row " + std::to_string(row) + ": " +
                        std::to_string(values.size() - room + 1) + " values past the last column were joined into it");
  }
  size_t count = std::min(values.size(), room);
  for (size_t i = 0; i < count; ++i) {
    Cell cell{row, kFirstValueColumn + static_cast<int32_t>(i)};
    const CellValue& value = values[i];
    if (i == room - 1 && !rest.empty()) {
      workbook_->setText(entry.sheet, cell, rest);
    } else if (value.isDate()) {
      workbook_->setNumberFormat(entry.sheet, cell, kDateFormat);
      workbook_->setDate(entry.sheet, cell, value.serial);
    } else {
      workbook_->setText(entry.sheet, cell, value.text);
    }
    if (style && style->bold) workbook_->setBold(entry.sheet, cell);
    if (style && style->fill != kNoColour) workbook_->setFill(entry.sheet, cell, style->fill);
  }
  entry.lastRow = row;
  if (options_.journal) options_.journal->push_back({fileLine, entry.sheet, row, RowKind::kTable});
}

void WorkbookLayout::writeGeneratedLine(std::string_view path, std::string_view when) {
  if (!workbook_) return;
  SheetEntry& entry = entryFor(kGeneralSheet);
  std::string text = "PAS File (" + std::string(path) + ")    Generated (" + std::string(when) + ")";
  workbook_->setText(entry.sheet, {1, kColD}, text);
  workbook_->setBold(entry.sheet, Cell{1, kColD});
  workbook_->setFontColour(entry.sheet, Cell{1, kColD}, kBlue);
}

void WorkbookLayout::writeSummary(int32_t lines, int32_t errors) {
  if (!workbook_) return;
  SheetEntry& entry = entryFor(kGeneralSheet);
  entry.lastRow += 2;
  std::string text = std::to_string(lines) + " lines scanned and converted (" + std::to_string(errors) + " " +
                     (errors == 1 ? "Error" : "Errors") + " detected)";
  Cell cell{2, kColD};
  workbook_->setText(entry.sheet, cell, text);
  workbook_->setBold(entry.sheet, cell);
  workbook_->setItalic(entry.sheet, cell);
  workbook_->setFontColour(entry.sheet, cell, errors == 0 ? kBlue : kRed);
}

void WorkbookLayout::writeNote(std::string_view text) {
  if (!workbook_) return;
  SheetEntry& entry = entryFor(kGeneralSheet);
  Cell cell{3, kColD};
  workbook_->setText(entry.sheet, cell, text);
  workbook_->setBold(entry.sheet, cell);
  workbook_->setItalic(entry.sheet, cell);
  workbook_->setFontColour(entry.sheet, cell, kRed);
}

}  // namespace tnw::sheet
