#include "sheet/number_text.h"

#include <charconv>
#include <cmath>
#include <cstddef>

namespace tnw::sheet {

namespace {

constexpr size_t kMaxSignificant = 15;  // what the spreadsheet keeps of a number
constexpr size_t kMaxGeneralDigits = 11;  // what General shows without going scientific
constexpr size_t kMaxDecimals = 30;      // the most decimals a number format shows
constexpr size_t kMaxExponentDigits = 3;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool readPlainDecimal(std::string_view text, DecimalText* out) {
  const char* p = text.data();
  const char* end = p + text.size();
  while (p != end && *p == ' ') ++p;
  // Most texts are turned away here, by their first character.
  if (p == end || (!isDigit(*p) && *p != '-')) return false;
  while (end[-1] == ' ') --end;  // stops at *p, which is no blank
  const char* const start = p;

  const bool negative = *p == '-';
  if (negative) ++p;
  if (p == end || !isDigit(*p)) return false;

  // Integer part: "0" alone or no leading zero.
  const char* const intBegin = p;
  if (*p == '0') {
    ++p;
    if (p != end && isDigit(*p)) return false;
  } else {
    while (p != end && isDigit(*p)) ++p;
  }
  const size_t intDigits = static_cast<size_t>(p - intBegin);

  // Fraction.
  const char* fracBegin = p;
  size_t decimals = 0;
  if (p != end && *p == '.') {
    fracBegin = ++p;
    while (p != end && isDigit(*p)) ++p;
    decimals = static_cast<size_t>(p - fracBegin);
    if (decimals == 0 || decimals > kMaxDecimals) return false;
  }

  // Exponent, only after a fraction.
  size_t exponentDigits = 0;
  char exponentSign = 0;
  if (p != end && (*p == 'E' || *p == 'e')) {
    // A scientific format puts one digit before the point: only d.ddd shows as written.
    if (decimals == 0 || intDigits != 1 || *intBegin == '0') return false;
    ++p;
    if (p != end && (*p == '+' || *p == '-')) exponentSign = *p++;
    const char* const expBegin = p;
    bool allZero = true;
    while (p != end && isDigit(*p)) allZero &= *p++ == '0';
    exponentDigits = static_cast<size_t>(p - expBegin);
    if (exponentDigits == 0 || exponentDigits > kMaxExponentDigits) return false;
    if (exponentSign == '-' && allZero) return false;  // "E-00" would show as "E00"
  }
  if (p != end) return false;

  // Significant digits: from the first non-zero digit of the mantissa to its last digit.
  size_t significant = 0;
  bool seenNonZero = false;
  for (const char* q = intBegin; q != fracBegin + decimals; ++q) {
    if (*q == '.') continue;
    seenNonZero |= *q != '0';
    significant += seenNonZero;
  }
  if (significant > kMaxSignificant) return false;
  if (negative && !seenNonZero) return false;  // "-0", "-0.00": the spreadsheet shows "0"

  double value;
  const auto [last, ec] = std::from_chars(start, end, value);
  if (ec != std::errc() || last != end || !std::isfinite(value)) return false;
  if (exponentDigits > 0 && !std::isnormal(value)) return false;  // under- or overflow

  out->value = value;
  if (decimals == 0) {
    if (intDigits <= kMaxGeneralDigits) {
      out->format.clear();
    } else {
      out->format.assign(1, '0');
    }
    return true;
  }
  out->format.assign("0.");
  out->format.append(decimals, '0');
  if (exponentDigits > 0) {
    out->format.append(exponentSign == '+' ? "E+" : "E-");
    out->format.append(exponentDigits, '0');
  }
  return true;
}

}  // namespace tnw::sheet
