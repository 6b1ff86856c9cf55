// A value of a data-table row: a text, or a date the spreadsheet shows in a date format.
#pragma once

#include <string_view>

namespace tnw::sheet {

struct CellValue {
  enum class Kind { kText, kDate };
  Kind kind = Kind::kText;
  std::string_view text;  // kText: the bytes as read (not owned)
  double serial = 0;      // kDate: days since 30 December 1899, time as the fraction

  static CellValue Text(std::string_view t) { return {Kind::kText, t, 0}; }
  static CellValue Date(double s) { return {Kind::kDate, {}, s}; }
  bool isDate() const { return kind == Kind::kDate; }
};

}  // namespace tnw::sheet
