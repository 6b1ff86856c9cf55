#include "pas/date_time.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "platform/platform.h"

namespace tnw::pas {

namespace {

// Day numbers relative to 1 January 1970 in the proleptic Gregorian calendar (H. Hinnant's
// days_from_civil / civil_from_days). Exact for every year we accept; no platform calls, so the
// serial does not depend on the time zone or the C library's range of time_t.
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;                                    // [0, 399]
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;  // [0, 365]
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;            // [0, 146096]
  return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int64_t* y, int* m, int* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = yoe + era * 400 + (*m <= 2);
}

// 30 December 1899, the spreadsheet's day 0.
constexpr int64_t kEpochDays = -25569;
constexpr int kMinYear = 100;
constexpr int kMaxYear = 9999;

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

// The C library's isspace in the "C" locale: what a blank directive and %d of scanf skip.
bool isScanSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Trimming: blanks, tabs and line-end characters.
std::string_view trim(std::string_view s) {
  auto isTrimmed = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && isTrimmed(s.front())) s.remove_prefix(1);
  while (!s.empty() && isTrimmed(s.back())) s.remove_suffix(1);
  return s;
}

// scanf's %d: white space skipped, an optional sign, one or more decimal digits. A number
// outside int is refused instead of being left to undefined behaviour.
bool scanInt(std::string_view s, size_t* pos, int* out) {
  size_t p = *pos;
  while (p < s.size() && isScanSpace(s[p])) ++p;
  bool negative = false;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) negative = s[p++] == '-';
  const size_t firstDigit = p;
  const int64_t limit = negative ? -static_cast<int64_t>(INT_MIN) : INT_MAX;
  int64_t value = 0;
  while (p < s.size() && s[p] >= '0' && s[p] <= '9') {
    value = value * 10 + (s[p] - '0');
    if (value > limit) return false;
    ++p;
  }
  if (p == firstDigit) return false;
  *out = static_cast<int>(negative ? -value : value);
  *pos = p;
  return true;
}

// sscanf(s, "%d %d %d %d:%d", ...) without the C library: returns how many numbers were read.
// A blank of the format matches any run of white space, none included; the ':' is matched
// literally, with no white space before it.
int scanFiveNumbers(std::string_view s, int v[5]) {
  size_t pos = 0;
  for (int i = 0; i < 5; ++i) {
    if (i == 4) {
      if (pos >= s.size() || s[pos] != ':') return i;
      ++pos;
    } else if (i > 0) {
      while (pos < s.size() && isScanSpace(s[pos])) ++pos;
    }
    if (!scanInt(s, &pos, &v[i])) return i;
  }
  return 5;
}

bool partsInRange(int y, int mo, int d, int h, int mi, int s) {
  return y >= kMinYear && y <= kMaxYear && mo >= 1 && mo <= 12 && d >= 1 &&
         d <= daysInMonth(y, mo) && h >= 0 && h <= 23 && mi >= 0 && mi <= 59 && s >= 0 &&
         s <= 59;
}

}  // namespace

DateTimeValue makeDateTime(int y, int mo, int d, int h, int mi, int s) {
  const DateTimeValue invalid{0, DateTimeValue::kInvalid};
  if (!partsInRange(y, mo, d, h, mi, s)) return invalid;
  const int64_t day = daysFromCivil(y, mo, d) - kEpochDays;
  const double time = (h * 3600 + mi * 60 + s) / 86400.0;
  const double serial = day >= 0 ? static_cast<double>(day) + time
                                 : static_cast<double>(day) - time;
  // Parts in range name a real date and time, and whole seconds survive the day number exactly,
  // so the number gives back the very parts it was built from (a test walks every day of the
  // range through splitDateTime to keep that true).
  return {serial, DateTimeValue::kValid};
}

bool splitDateTime(double serial, int* y, int* mo, int* d, int* h, int* mi, int* s) {
  // A day of margin either side of years 100..9999; the year check below is the exact one.
  if (!std::isfinite(serial) || serial < -657436.0 || serial > 2958467.0) return false;
  const double whole = std::trunc(serial);
  int64_t day = static_cast<int64_t>(whole);
  int64_t seconds = std::llround(std::fabs(serial - whole) * 86400.0);
  if (seconds >= 86400) {  // 23:59:59.5 and later round into the next day
    ++day;
    seconds -= 86400;
  }
  int64_t year;
  int month, mday;
  civilFromDays(day + kEpochDays, &year, &month, &mday);
  if (year < kMinYear || year > kMaxYear) return false;
  *y = static_cast<int>(year);
  *mo = month;
  *d = mday;
  *h = static_cast<int>(seconds / 3600);
  *mi = static_cast<int>(seconds / 60 % 60);
  *s = static_cast<int>(seconds % 60);
  return true;
}

DateTimeValue parsePasDateTime(std::string_view text, bool* parsed) {
  *parsed = false;
  const DateTimeValue none{0, DateTimeValue::kValid};
  const std::string_view t = trim(text);
  int v[5];
  int y, mo, d, h, mi, s;
  if (t.find(':') != std::string_view::npos) {
    if (scanFiveNumbers(t, v) < 5) return none;
    y = v[0], mo = v[1], d = v[2], h = v[3] / 100, mi = v[3] % 100, s = v[4];
  } else {
    if (t.size() != 15) return none;
    // "yyyy mm dd hhmm" -> "yyyy mm dd hh:mm", so the scan splits the hour from the minute.
    char buf[16];
    t.copy(buf, 13);
    buf[13] = ':';
    t.copy(buf + 14, 2, 13);
    if (scanFiveNumbers(std::string_view(buf, sizeof buf), v) < 5) return none;
    y = v[0], mo = v[1], d = v[2], h = v[3], mi = v[4], s = 0;
  }
  *parsed = true;
  return makeDateTime(y, mo, d, h, mi, s);
}

sheet::CellValue pasValueToVariant(std::string_view text) {
  bool parsed;
  const DateTimeValue v = parsePasDateTime(text, &parsed);
  if (parsed && v.status == DateTimeValue::kValid) return sheet::CellValue::Date(v.serial);
  return sheet::CellValue::Text(text);
}

std::string formatDateTime(const DateTimeValue& v) {
  static constexpr const char* kInvalid = "Invalid DateTime";
  if (v.status == DateTimeValue::kNull) return {};
  if (v.status != DateTimeValue::kValid) return kInvalid;
  int y, mo, d, h, mi, s;
  if (!splitDateTime(v.serial, &y, &mo, &d, &h, &mi, &s)) return kInvalid;
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  const int64_t days = daysFromCivil(y, mo, d);  // since 1970-01-01, a Thursday
  tm.tm_wday = static_cast<int>(((days + 4) % 7 + 7) % 7);
  tm.tm_yday = static_cast<int>(days - daysFromCivil(y, 1, 1));
  tm.tm_isdst = -1;
  std::string text = platform::localDateTimeText(tm);
  if (!text.empty()) return text;
  // A date the system will not write in the user's form (Windows knows none before 1601) is
  // still a valid date: it is written the international way.
  char iso[32];
  std::snprintf(iso, sizeof iso, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
  return iso;
}

DateTimeValue currentLocalDateTime() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  if (now == static_cast<std::time_t>(-1) || !platform::localTime(now, &tm)) return {0, DateTimeValue::kInvalid};
  // A leap second (tm_sec 60) is shown as the second before it rather than as invalid.
  return makeDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                      tm.tm_sec > 59 ? 59 : tm.tm_sec);
}

}  // namespace tnw::pas
