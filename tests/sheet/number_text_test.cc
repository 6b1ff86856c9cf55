#include "sheet/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace tnw::sheet {
namespace {

using namespace std::string_literals;

// The number and format read from a text; fails the test when it stays text.
DecimalText number(std::string_view text) {
  DecimalText out;
  EXPECT_TRUE(readPlainDecimal(text, &out)) << '"' << text << '"';
  return out;
}

#define EXPECT_NUMBER(text, expectedValue, expectedFormat) \
  do {                                                     \
    const DecimalText n_ = number(text);                   \
    EXPECT_EQ(n_.value, expectedValue) << text;            \
    EXPECT_EQ(n_.format, expectedFormat) << text;          \
  } while (0)

#define EXPECT_TEXT(text)                                      \
  do {                                                         \
    DecimalText n_{7, "keep"};                                 \
    EXPECT_FALSE(readPlainDecimal(text, &n_)) << '"' << text << '"'; \
    EXPECT_EQ(n_.value, 7);                                    \
    EXPECT_EQ(n_.format, "keep");                              \
  } while (0)

TEST(ReadPlainDecimal, Integers) {
  EXPECT_NUMBER("0", 0.0, "");
  EXPECT_NUMBER("5", 5.0, "");
  EXPECT_NUMBER("-5", -5.0, "");
  EXPECT_NUMBER("1230", 1230.0, "");
  EXPECT_NUMBER("12345678901", 12345678901.0, "");    // 11 digits: General
  EXPECT_NUMBER("-12345678901", -12345678901.0, "");
  EXPECT_NUMBER("123456789012", 123456789012.0, "0");  // 12: General would go scientific
  EXPECT_NUMBER("123456789012345", 123456789012345.0, "0");
  EXPECT_NUMBER("-999999999999999", -999999999999999.0, "0");
  EXPECT_NUMBER("100000000000000", 1e14, "0");
}

TEST(ReadPlainDecimal, Fractions) {
  EXPECT_NUMBER("2.50", 2.5, "0.00");
  EXPECT_NUMBER("0.5", 0.5, "0.0");
  EXPECT_NUMBER("-0.5", -0.5, "0.0");
  EXPECT_NUMBER("0.0", 0.0, "0.0");
  EXPECT_NUMBER("0.000", 0.0, "0.000");
  EXPECT_NUMBER("0.1", 0.1, "0.0");
  EXPECT_NUMBER("2.675", 2.675, "0.000");
  EXPECT_NUMBER("101.325", 101.325, "0.000");
  EXPECT_NUMBER("-1234.5678", -1234.5678, "0.0000");
  EXPECT_NUMBER("123456789012.345", 123456789012.345, "0.000");  // 15 significant digits
  EXPECT_NUMBER("0.000000000000001234", 1.234e-15, "0." + std::string(18, '0'));
  EXPECT_NUMBER("0." + std::string(29, '0') + "1", 1e-30, "0." + std::string(30, '0'));
  EXPECT_NUMBER("1.00000000000000", 1.0, "0.00000000000000");  // 15 digits, trailing zeros
}

TEST(ReadPlainDecimal, Exponents) {
  EXPECT_NUMBER("1.5E-03", 1.5e-3, "0.0E-00");
  EXPECT_NUMBER("1.50E+3", 1500.0, "0.00E+0");
  EXPECT_NUMBER("1.5e3", 1500.0, "0.0E-0");  // no sign written: "E-" shows none for 3
  EXPECT_NUMBER("-1.5E-03", -1.5e-3, "0.0E-00");
  EXPECT_NUMBER("9.87654321098765E+100", 9.87654321098765e100, "0.00000000000000E+000");
  EXPECT_NUMBER("1.5E+00", 1.5, "0.0E+00");
  EXPECT_NUMBER("1.5E00", 1.5, "0.0E-00");
  EXPECT_NUMBER("9.9E+307", 9.9e307, "0.0E+000");
  EXPECT_NUMBER("2.3E-307", 2.3e-307, "0.0E-000");
}

TEST(ReadPlainDecimal, BlanksAtTheEndsAside) {
  EXPECT_NUMBER("  2.50  ", 2.5, "0.00");
  EXPECT_NUMBER(" 7", 7.0, "");
  EXPECT_NUMBER("-3 ", -3.0, "");
  EXPECT_TEXT("\t5");  // a tab is no blank
  EXPECT_TEXT("5\t");
  EXPECT_TEXT("5\r\n");
  EXPECT_TEXT("5 0");
  EXPECT_TEXT("- 5");
  EXPECT_TEXT("1 000");
}

TEST(ReadPlainDecimal, NotPlainDecimalsStayText) {
  EXPECT_TEXT("");
  EXPECT_TEXT(" ");
  EXPECT_TEXT("   ");
  EXPECT_TEXT("-");
  EXPECT_TEXT("+5");
  EXPECT_TEXT(".5");
  EXPECT_TEXT("-.5");
  EXPECT_TEXT("5.");
  EXPECT_TEXT("01");
  EXPECT_TEXT("00");
  EXPECT_TEXT("-01");
  EXPECT_TEXT("00.5");
  EXPECT_TEXT("1,000");
  EXPECT_TEXT("1,5");
  EXPECT_TEXT("0x1A");
  EXPECT_TEXT("1.5.5");
  EXPECT_TEXT("1..5");
  EXPECT_TEXT("--1");
  EXPECT_TEXT("1-");
  EXPECT_TEXT("5%");
  EXPECT_TEXT("$5");
  EXPECT_TEXT("=1+2");
  EXPECT_TEXT("inf");
  EXPECT_TEXT("-inf");
  EXPECT_TEXT("nan");
  EXPECT_TEXT("Infinity");
  EXPECT_TEXT("1/2");
  EXPECT_TEXT("2008 01 15 1230");
  EXPECT_TEXT("100/01-02-003-04W5/0");
  EXPECT_TEXT("12.5 kPa");
  EXPECT_TEXT("5\0"s);
}

TEST(ReadPlainDecimal, NegativeZeroStaysText) {
  EXPECT_TEXT("-0");
  EXPECT_TEXT("-0.00");
  EXPECT_TEXT("-0.0");
  EXPECT_TEXT(" -0 ");
}

TEST(ReadPlainDecimal, AtMostFifteenSignificantDigits) {
  EXPECT_TEXT("1234567890123456");
  EXPECT_TEXT("1000000000000000");
  EXPECT_TEXT("9007199254740993");
  EXPECT_TEXT("123456789012.3456");
  EXPECT_TEXT("0.1234567890123456");
  EXPECT_TEXT("1.000000000000000");  // 16 with the trailing zeros
  EXPECT_TEXT("1.234567890123456E+10");
  EXPECT_NUMBER("1.23456789012345E+10", 1.23456789012345e10, "0.00000000000000E+00");
  EXPECT_NUMBER("0.123456789012345", 0.123456789012345, "0.000000000000000");
  EXPECT_NUMBER("0.000123456789012345", 0.000123456789012345, "0." + std::string(18, '0'));
}

TEST(ReadPlainDecimal, AtMostThirtyDecimals) {
  EXPECT_TEXT("0." + std::string(30, '0') + "1");
  EXPECT_TEXT("0." + std::string(31, '0'));
}

TEST(ReadPlainDecimal, ExponentOnlyAfterAFractionOfScientificShape) {
  EXPECT_TEXT("12E45");  // a serial, not a number
  EXPECT_TEXT("1E5");
  EXPECT_TEXT("1e-5");
  EXPECT_TEXT("0E0");
  EXPECT_TEXT("1.E5");
  EXPECT_TEXT("0.5E3");    // would show as 5.0E2
  EXPECT_TEXT("15.0E2");   // would show as 1.5E3
  EXPECT_TEXT("0.0E+00");
  EXPECT_TEXT("-0.0E+00");
  EXPECT_TEXT("1.5E");
  EXPECT_TEXT("1.5E+");
  EXPECT_TEXT("1.5E-");
  EXPECT_TEXT("1.5E+-3");
  EXPECT_TEXT("1.5E3.0");
  EXPECT_TEXT("1.5 E3");
  EXPECT_TEXT("1.5E 3");
  EXPECT_TEXT("1.5D3");
  EXPECT_TEXT("1.5E-0");   // would show as 1.5E0
  EXPECT_TEXT("1.5E-00");
  EXPECT_TEXT("1.5E+0003");  // more exponent digits than a double has
}

TEST(ReadPlainDecimal, MustBeFinite) {
  EXPECT_TEXT("1.5E400");
  EXPECT_TEXT("-1.5E400");
  EXPECT_TEXT("1.8E308");
  EXPECT_TEXT("1.5E-400");  // underflows to 0
  EXPECT_TEXT("1.5E-310");  // subnormal
}

TEST(ReadPlainDecimal, ValuesAreCorrectlyRounded) {
  EXPECT_EQ(number("0.3").value, 0.3);
  EXPECT_EQ(number("123456.789012345").value, 123456.789012345);
  EXPECT_EQ(number("8.98846567431158E+307").value, 8.98846567431158e307);
  EXPECT_EQ(number("4.94065645841247E-300").value, 4.94065645841247e-300);
}

TEST(ReadPlainDecimal, GeneralFormatClearsAnEarlierOne) {
  DecimalText out{1, "0.00"};
  ASSERT_TRUE(readPlainDecimal("42", &out));
  EXPECT_EQ(out.value, 42.0);
  EXPECT_EQ(out.format, "");
}

TEST(ReadPlainDecimal, ReadsOnlyTheView) {
  const std::string line = "2.50,kPa";
  DecimalText out;
  ASSERT_TRUE(readPlainDecimal(std::string_view(line).substr(0, 4), &out));
  EXPECT_EQ(out.value, 2.5);
  EXPECT_TEXT(std::string_view(line).substr(0, 5));
  EXPECT_TEXT(std::string_view(line).substr(0, 0));
}

}  // namespace
}  // namespace tnw::sheet
