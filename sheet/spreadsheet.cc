#include "sheet/spreadsheet.h"

namespace tnw::sheet {

std::string columnName(int32_t col) {
  std::string name;
  for (int32_t n = col + 1; n > 0; n = (n - 1) / 26) name.insert(name.begin(), char('A' + (n - 1) % 26));
  return name;
}

std::string cellName(Cell cell) { return columnName(cell.col) + std::to_string(cell.row); }

bool parseCellName(std::string_view text, Cell* cell) {
  size_t i = 0;
  int64_t col = 0, row = 0;
  for (; i < text.size() && text[i] >= 'A' && text[i] <= 'Z' && i < 3; ++i) col = col * 26 + (text[i] - 'A' + 1);
  if (i == 0 || i == text.size() || text[i] == '0') return false;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9' || row > 1'000'000'000) return false;
    row = row * 10 + (text[i] - '0');
  }
  if (col > 16384 || row < 1) return false;
  *cell = {static_cast<int32_t>(row), static_cast<int32_t>(col - 1)};
  return true;
}

const char* statusText(int32_t status) {
  switch (status) {
    case kStatusOk: return "No error";
    case kStatusBadSheetName: return "The sheet name is not allowed";
    case kStatusNoSuchSheet: return "There is no such sheet";
    case kStatusBadRange: return "The cell reference is not valid";
    case kStatusPicture: return "The picture could not be inserted";
    case kStatusLastSheet: return "A workbook must keep at least one sheet";
    case kStatusQuit: return "The spreadsheet application has quit";
  }
  return "Unknown spreadsheet error";
}

}  // namespace tnw::sheet
