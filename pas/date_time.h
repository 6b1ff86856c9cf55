// Date and time values of PAS data tables: the "yyyy mm dd hhmm" and
// "yyyy mm dd hhmm:ss" time stamps, and the generation time stamp of the title line.
#pragma once

#include <string>
#include <string_view>

#include "sheet/cell_value.h"

namespace tnw::pas {

// A date and time as the spreadsheet keeps it: days since 30 December 1899, midnight, the time
// of day as the fraction. Before that day the serial follows the automation date convention:
// the whole part counts the days back, the fraction is still the time of day (-1.25 is
// 29 December 1899, 06:00). Day numbers are proleptic Gregorian, so from 1 March 1900 on the
// serial is exactly the spreadsheet's own.
struct DateTimeValue {
  enum Status { kValid = 0, kInvalid = 1, kNull = 2 };
  double serial = 0;
  Status status = kValid;
};

// Reads a PAS time stamp. *parsed tells whether the text had the shape of one (five numbers
// by the scan format "%d %d %d %d:%d", after trimming; without a colon the text must be 15
// characters long and gets a colon before its 14th); the status tells whether the parts form
// a real date and time in the years 100 to 9999. Not parsed gives {0, kValid}.
DateTimeValue parsePasDateTime(std::string_view text, bool* parsed);

// A date when the text parses as a valid time stamp, otherwise the text itself, untrimmed (a
// view of the argument, so it lives as long as the argument does).
sheet::CellValue pasValueToVariant(std::string_view text);

// Null -> "", invalid -> "Invalid DateTime", otherwise the C library's locale short date and
// time of day ("%x %X" of the LC_TIME locale in force).
std::string formatDateTime(const DateTimeValue& v);

// Now, by the local clock, to the second.
DateTimeValue currentLocalDateTime();

// Builds a value from calendar parts; invalid status (serial 0) when the parts name no real
// date and time in the years 100 to 9999.
DateTimeValue makeDateTime(int y, int mo, int d, int h, int mi, int s);

// The calendar parts of a serial, rounded to the nearest second. False (parts untouched) when
// the serial is not finite or lies outside the years 100 to 9999.
bool splitDateTime(double serial, int* y, int* mo, int* d, int* h, int* mi, int* s);

}  // namespace tnw::pas
