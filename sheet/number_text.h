// Which texts the workbook stores as numbers. Ours is deliberately conservative: only a plain
// decimal number becomes a number cell, and it gets a number format that shows its digits as
// written, so "2.50" still reads 2.50 and a well id or serial never turns into a number.
#pragma once

#include <string>
#include <string_view>

namespace tnw::sheet {

struct DecimalText {
  double value = 0;
  std::string format;  // "" means General
};

// True when the text, blanks at its ends aside, is a plain decimal number:
//   "-"?  ("0" | [1-9][0-9]*)  ("." [0-9]+  ([Ee] [+-]? [0-9]{1,3})?)?
// with at most 15 significant digits and at most 30 decimals, not a negative zero, finite. An
// exponent stands only after a fraction whose integer part is one digit 1-9 ("1.5E-03"; not
// "12E45", "0.5E3" or "15.0E2", which a scientific format could not show as written), and not
// as "-0". Then *out holds the correctly rounded value and the format:
//   integer of up to 11 digits -> "" (General shows it as written); longer integer -> "0";
//   k decimals -> "0." and k zeros; with an exponent of n digits -> that, then "E+" when the
//   text wrote "+", "E-" otherwise, then n zeros ("1.5E-03" -> "0.0E-00").
// False leaves *out untouched. Called for every cell: rejection is cheap, and a General number
// does not allocate.
bool readPlainDecimal(std::string_view text, DecimalText* out);

}  // namespace tnw::sheet
