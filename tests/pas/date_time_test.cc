#include "pas/date_time.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <limits>

namespace tnw::pas {
namespace {

struct Parts {
  int y, mo, d, h, mi, s;
};

Parts partsOf(double serial) {
  Parts p{};
  EXPECT_TRUE(splitDateTime(serial, &p.y, &p.mo, &p.d, &p.h, &p.mi, &p.s)) << serial;
  return p;
}

#define EXPECT_PARTS(serial, Y, MO, D, H, MI, S) \
  do {                                           \
    const Parts p_ = partsOf(serial);            \
    EXPECT_EQ(p_.y, Y);                          \
    EXPECT_EQ(p_.mo, MO);                        \
    EXPECT_EQ(p_.d, D);                          \
    EXPECT_EQ(p_.h, H);                          \
    EXPECT_EQ(p_.mi, MI);                        \
    EXPECT_EQ(p_.s, S);                          \
  } while (0)

DateTimeValue parse(std::string_view text, bool expectParsed) {
  bool parsed = !expectParsed;
  const DateTimeValue v = parsePasDateTime(text, &parsed);
  EXPECT_EQ(parsed, expectParsed) << '"' << text << '"';
  return v;
}

void expectNotParsed(std::string_view text) {
  const DateTimeValue v = parse(text, false);
  EXPECT_EQ(v.serial, 0.0) << text;
  EXPECT_EQ(v.status, DateTimeValue::kValid) << text;
}

// --- Serial numbers -------------------------------------------------------------------------

TEST(DateTimeSerial, MatchesTheSpreadsheetFromMarch1900) {
  EXPECT_EQ(makeDateTime(1899, 12, 30, 0, 0, 0).serial, 0.0);
  EXPECT_EQ(makeDateTime(1899, 12, 31, 0, 0, 0).serial, 1.0);
  EXPECT_EQ(makeDateTime(1900, 3, 1, 0, 0, 0).serial, 61.0);
  EXPECT_EQ(makeDateTime(1970, 1, 1, 0, 0, 0).serial, 25569.0);
  EXPECT_EQ(makeDateTime(2008, 1, 1, 0, 0, 0).serial, 39448.0);
  EXPECT_EQ(makeDateTime(2000, 2, 29, 0, 0, 0).serial, 36585.0);
  EXPECT_EQ(makeDateTime(9999, 12, 31, 0, 0, 0).serial, 2958465.0);
  EXPECT_NEAR(makeDateTime(2008, 1, 15, 12, 30, 0).serial, 39462.520833333, 1e-9);
  EXPECT_EQ(makeDateTime(2008, 1, 15, 12, 30, 0).serial, 39462.0 + 45000.0 / 86400.0);
  EXPECT_EQ(makeDateTime(2008, 1, 15, 12, 0, 0).serial, 39462.5);
}

TEST(DateTimeSerial, BeforeTheEpochTheFractionIsStillTheTimeOfDay) {
  EXPECT_EQ(makeDateTime(1899, 12, 29, 0, 0, 0).serial, -1.0);
  EXPECT_EQ(makeDateTime(1899, 12, 29, 6, 0, 0).serial, -1.25);
  EXPECT_PARTS(-1.25, 1899, 12, 29, 6, 0, 0);
  EXPECT_EQ(makeDateTime(100, 1, 1, 0, 0, 0).serial, -657434.0);
  EXPECT_EQ(makeDateTime(1800, 1, 1, 12, 0, 0).serial, -36522.5);
  EXPECT_PARTS(-36522.5, 1800, 1, 1, 12, 0, 0);
  // Between -1 and 0 the whole part is day 0, as in the automation date.
  EXPECT_PARTS(-0.5, 1899, 12, 30, 12, 0, 0);
}

TEST(DateTimeSerial, SplitRoundsToTheNearestSecond) {
  const double noon = 39462.5;
  EXPECT_PARTS(noon + 0.4 / 86400, 2008, 1, 15, 12, 0, 0);
  EXPECT_PARTS(noon + 0.6 / 86400, 2008, 1, 15, 12, 0, 1);
  EXPECT_PARTS(noon - 0.4 / 86400, 2008, 1, 15, 12, 0, 0);
  EXPECT_PARTS(39462.0 + 86399.6 / 86400, 2008, 1, 16, 0, 0, 0);
  EXPECT_PARTS(39462.0 + 86399.4 / 86400, 2008, 1, 15, 23, 59, 59);
  EXPECT_PARTS(-1.0 - 86399.6 / 86400, 1899, 12, 30, 0, 0, 0);
}

TEST(DateTimeSerial, SplitRefusesWhatIsNoDate) {
  int y = -7, mo, d, h, mi, s;
  EXPECT_FALSE(splitDateTime(std::nan(""), &y, &mo, &d, &h, &mi, &s));
  EXPECT_FALSE(splitDateTime(std::numeric_limits<double>::infinity(), &y, &mo, &d, &h, &mi, &s));
  EXPECT_FALSE(splitDateTime(2958466.0, &y, &mo, &d, &h, &mi, &s));            // year 10000
  EXPECT_FALSE(splitDateTime(2958465.0 + 86399.6 / 86400, &y, &mo, &d, &h, &mi, &s));
  EXPECT_FALSE(splitDateTime(-657435.0, &y, &mo, &d, &h, &mi, &s));            // year 99
  EXPECT_FALSE(splitDateTime(1e300, &y, &mo, &d, &h, &mi, &s));
  EXPECT_EQ(y, -7);
  EXPECT_PARTS(2958465.0 + 86399.0 / 86400, 9999, 12, 31, 23, 59, 59);
}

TEST(DateTimeSerial, EveryDayOfYears100To9999RoundTrips) {
  int64_t expectedDay = -657434;  // 1 January 100
  for (int y = 100; y <= 9999; ++y) {
    for (int mo = 1; mo <= 12; ++mo) {
      for (int d = 1; d <= 31; ++d) {
        const int sec = static_cast<int>((expectedDay * 7919) % 86400 + 86400) % 86400;
        const DateTimeValue v = makeDateTime(y, mo, d, sec / 3600, sec / 60 % 60, sec % 60);
        if (v.status != DateTimeValue::kValid) {
          ASSERT_GE(d, 29) << y << "-" << mo << "-" << d;
          continue;
        }
        // Consecutive days; the whole part (toward zero) is the day.
        ASSERT_EQ(static_cast<int64_t>(std::trunc(v.serial)), expectedDay) << y << "-" << mo;
        int y2, mo2, d2, h2, mi2, s2;
        ASSERT_TRUE(splitDateTime(v.serial, &y2, &mo2, &d2, &h2, &mi2, &s2));
        ASSERT_EQ(y2 * 10000 + mo2 * 100 + d2, y * 10000 + mo * 100 + d);
        ASSERT_EQ(h2 * 3600 + mi2 * 60 + s2, sec) << y << "-" << mo << "-" << d;
        ++expectedDay;
      }
    }
  }
  EXPECT_EQ(expectedDay, 2958465 + 1);  // 31 December 9999 was the last
}

TEST(DateTimeSerial, InvalidParts) {
  EXPECT_EQ(makeDateTime(99, 12, 31, 0, 0, 0).status, DateTimeValue::kInvalid);
  EXPECT_EQ(makeDateTime(100, 1, 1, 0, 0, 0).status, DateTimeValue::kValid);
  EXPECT_EQ(makeDateTime(9999, 12, 31, 23, 59, 59).status, DateTimeValue::kValid);
  EXPECT_EQ(makeDateTime(10000, 1, 1, 0, 0, 0).status, DateTimeValue::kInvalid);
  EXPECT_EQ(makeDateTime(2008, 13, 1, 0, 0, 0).status, DateTimeValue::kInvalid);
  EXPECT_EQ(makeDateTime(2008, 0, 1, 0, 0, 0).status, DateTimeValue::kInvalid);
  EXPECT_EQ(makeDateTime(2008, 1, 0, 0, 0, 0).status, DateTimeValue::kInvalid);
  EXPECT_EQ(makeDateTime(2008, 2, 30, 0, 0, 0).status, DateTimeValue::kInvalid);
  EXPECT_EQ(makeDateTime(2008, 2, 29, 0, 0, 0).status, DateTimeValue::kValid);
  EXPECT_EQ(makeDateTime(2007, 2, 29, 0, 0, 0).status, DateTimeValue::kInvalid);
  EXPECT_EQ(makeDateTime(1900, 2, 29, 0, 0, 0).status, DateTimeValue::kInvalid);
  EXPECT_EQ(makeDateTime(2000, 2, 29, 0, 0, 0).status, DateTimeValue::kValid);
  EXPECT_EQ(makeDateTime(2008, 4, 31, 0, 0, 0).status, DateTimeValue::kInvalid);
  EXPECT_EQ(makeDateTime(2008, 1, 15, 24, 0, 0).status, DateTimeValue::kInvalid);
  EXPECT_EQ(makeDateTime(2008, 1, 15, 23, 60, 0).status, DateTimeValue::kInvalid);
  EXPECT_EQ(makeDateTime(2008, 1, 15, 23, 59, 60).status, DateTimeValue::kInvalid);
  EXPECT_EQ(makeDateTime(2008, 1, 15, -1, 0, 0).status, DateTimeValue::kInvalid);
  EXPECT_EQ(makeDateTime(2008, 1, 15, 0, -1, 0).status, DateTimeValue::kInvalid);
  EXPECT_EQ(makeDateTime(2008, 1, 15, 0, 0, -1).status, DateTimeValue::kInvalid);
  EXPECT_EQ(makeDateTime(2008, 1, 15, 24, 0, 0).serial, 0.0);
}

// --- Time stamps as files write them ------------------------------------------------------------------

TEST(ParsePasDateTime, HourAndMinuteRunTogether) {
  const DateTimeValue v = parse("2008 01 15 1230", true);
  EXPECT_EQ(v.status, DateTimeValue::kValid);
  EXPECT_EQ(v.serial, makeDateTime(2008, 1, 15, 12, 30, 0).serial);
  EXPECT_PARTS(v.serial, 2008, 1, 15, 12, 30, 0);
}

TEST(ParsePasDateTime, WithSeconds) {
  const DateTimeValue v = parse("2008 01 15 1230:45", true);
  EXPECT_EQ(v.status, DateTimeValue::kValid);
  EXPECT_PARTS(v.serial, 2008, 1, 15, 12, 30, 45);
}

TEST(ParsePasDateTime, WithAColonTheLengthDoesNotMatter) {
  const DateTimeValue v = parse("2008 1 15 930:05", true);
  EXPECT_EQ(v.status, DateTimeValue::kValid);
  EXPECT_PARTS(v.serial, 2008, 1, 15, 9, 30, 5);
}

TEST(ParsePasDateTime, ThirtiethOfFebruaryParsesButIsInvalid) {
  const DateTimeValue v = parse("2008 02 30 1200", true);
  EXPECT_EQ(v.status, DateTimeValue::kInvalid);
  const sheet::CellValue cell = pasValueToVariant("2008 02 30 1200");
  EXPECT_FALSE(cell.isDate());
  EXPECT_EQ(cell.text, "2008 02 30 1200");
}

TEST(ParsePasDateTime, ColonAfterTheHourIsReadAsHhmmAndSeconds) {
  const DateTimeValue v = parse("2008 01 15 12:30", true);
  EXPECT_EQ(v.status, DateTimeValue::kValid);
  EXPECT_PARTS(v.serial, 2008, 1, 15, 0, 12, 30);
}

TEST(ParsePasDateTime, WithoutBlanksStaysText) {
  expectNotParsed("200801151230");
  EXPECT_FALSE(pasValueToVariant("200801151230").isDate());
}

TEST(ParsePasDateTime, FifteenCharactersOfSomethingElse) {
  ASSERT_EQ(std::string_view("12.5 kPa at top").size(), 15u);
  expectNotParsed("12.5 kPa at top");
}

TEST(ParsePasDateTime, BlanksAtTheEndsAreIgnoredForTheParse) {
  const DateTimeValue v = parse(" \t 2008 01 15 1230 \r\n", true);
  EXPECT_EQ(v.status, DateTimeValue::kValid);
  EXPECT_PARTS(v.serial, 2008, 1, 15, 12, 30, 0);
  const DateTimeValue w = parse("  2008 01 15 1230:45\t", true);
  EXPECT_PARTS(w.serial, 2008, 1, 15, 12, 30, 45);
}

TEST(PasValueToVariant, ValidTimeStampBecomesADate) {
  const sheet::CellValue cell = pasValueToVariant("  2008 01 15 1230  ");
  ASSERT_TRUE(cell.isDate());
  EXPECT_EQ(cell.serial, makeDateTime(2008, 1, 15, 12, 30, 0).serial);
}

TEST(PasValueToVariant, OtherTextStaysAsItIsWithItsBlanks) {
  const std::string_view input = "  12.5 kPa  ";
  const sheet::CellValue cell = pasValueToVariant(input);
  EXPECT_FALSE(cell.isDate());
  EXPECT_EQ(cell.text.data(), input.data());  // a view of the input, not a copy
  EXPECT_EQ(cell.text.size(), input.size());
  EXPECT_EQ(pasValueToVariant("").text, "");
  EXPECT_FALSE(pasValueToVariant("").isDate());
}

// --- scanf semantics of "%d %d %d %d:%d" ----------------------------------------------------

TEST(ParsePasDateTime, BlankDirectivesMatchAnyRunOfWhiteSpace) {
  EXPECT_PARTS(parse("2008   01\t\t15 \v\f 1230:45", true).serial, 2008, 1, 15, 12, 30, 45);
  // %d skips white space after the colon too.
  EXPECT_PARTS(parse("2008 01 15 1230:  45", true).serial, 2008, 1, 15, 12, 30, 45);
}

TEST(ParsePasDateTime, TheColonMustFollowTheFourthNumberDirectly) {
  expectNotParsed("2008 01 15 1230 :45");
  expectNotParsed("2008 01 15 1230\t:45");
}

TEST(ParsePasDateTime, BlankDirectiveMatchesNoneAtAll) {
  // The "-" ends 2008 and starts the next number, as with sscanf.
  const DateTimeValue v = parse("2008-01-15 1230:00", true);
  EXPECT_EQ(v.status, DateTimeValue::kInvalid);  // month -1
}

TEST(ParsePasDateTime, SignsAreAccepted) {
  EXPECT_PARTS(parse("+2008 +01 +15 +1230:+45", true).serial, 2008, 1, 15, 12, 30, 45);
  EXPECT_EQ(parse("2008 01 15 -1230:00", true).status, DateTimeValue::kInvalid);
  expectNotParsed("2008 01 15 1230:-");
  expectNotParsed("2008 01 15 1230:+ 5");
  expectNotParsed("2008 - 01 15 1230:45");
}

TEST(ParsePasDateTime, ScanningStopsAfterTheFifthNumber) {
  EXPECT_PARTS(parse("2008 01 15 1230:45 kPa", true).serial, 2008, 1, 15, 12, 30, 45);
  EXPECT_PARTS(parse("2008 01 15 1230:45.9", true).serial, 2008, 1, 15, 12, 30, 45);
  EXPECT_PARTS(parse("2008 01 15 1230:45:17", true).serial, 2008, 1, 15, 12, 30, 45);
}

TEST(ParsePasDateTime, FewerThanFiveNumbers) {
  expectNotParsed(":");
  expectNotParsed("2008 01 15:30");
  expectNotParsed("2008 01 15 x1230:45");
  expectNotParsed("Time: 12");
  expectNotParsed("0x7D8 1 15 1230:45");
  expectNotParsed("2008 01 15 1230:");
}

TEST(ParsePasDateTime, NumbersOutsideIntAreRefused) {
  expectNotParsed("2008 01 15 1230:2147483648");
  expectNotParsed("2008 01 15 1230:-2147483649");
  expectNotParsed("99999999999999999999999 01 15 1230:00");
  // The extremes of int are still numbers; the date is invalid.
  EXPECT_EQ(parse("2008 01 15 2147483647:00", true).status, DateTimeValue::kInvalid);
  EXPECT_EQ(parse("2008 01 15 1230:-2147483648", true).status, DateTimeValue::kInvalid);
}

TEST(ParsePasDateTime, NoColonNeedsExactlyFifteenCharacters) {
  EXPECT_EQ(parse("2008 01 15 1230", true).status, DateTimeValue::kValid);
  expectNotParsed("2008 01 15 123");
  expectNotParsed("2008 01 15 12300");
  expectNotParsed("2008  01 15 1230");
  // The colon goes before the 14th character whatever the text is.
  EXPECT_EQ(parse("2008 1 15 12300", true).status, DateTimeValue::kInvalid);  // hour 123
  EXPECT_PARTS(parse("2008 1 15  0930", true).serial, 2008, 1, 15, 9, 30, 0);
  EXPECT_EQ(parse("2008-01-15 1230", true).status, DateTimeValue::kInvalid);
  expectNotParsed("");
  expectNotParsed("   ");
}

TEST(ParsePasDateTime, HhmmIsSplitByIntegerDivision) {
  EXPECT_PARTS(parse("2008 01 15 0:00", true).serial, 2008, 1, 15, 0, 0, 0);
  EXPECT_PARTS(parse("2008 01 15 59:00", true).serial, 2008, 1, 15, 0, 59, 0);
  EXPECT_PARTS(parse("2008 01 15 2359:59", true).serial, 2008, 1, 15, 23, 59, 59);
  EXPECT_EQ(parse("2008 01 15 60:00", true).status, DateTimeValue::kInvalid);    // minute 60
  EXPECT_EQ(parse("2008 01 15 2400:00", true).status, DateTimeValue::kInvalid);  // hour 24
  EXPECT_EQ(parse("2008 01 15 1230:60", true).status, DateTimeValue::kInvalid);
  EXPECT_EQ(parse("0099 12 31 1230:00", true).status, DateTimeValue::kInvalid);
  EXPECT_EQ(parse("2008 13 01 1230:00", true).status, DateTimeValue::kInvalid);
}

// --- Formatting -----------------------------------------------------------------------------

TEST(FormatDateTime, NullAndInvalid) {
  EXPECT_EQ(formatDateTime({39462.5, DateTimeValue::kNull}), "");
  EXPECT_EQ(formatDateTime({39462.5, DateTimeValue::kInvalid}), "Invalid DateTime");
  EXPECT_EQ(formatDateTime({std::nan(""), DateTimeValue::kValid}), "Invalid DateTime");
  EXPECT_EQ(formatDateTime({1e12, DateTimeValue::kValid}), "Invalid DateTime");
  EXPECT_EQ(formatDateTime(makeDateTime(2008, 2, 30, 0, 0, 0)), "Invalid DateTime");
}

TEST(FormatDateTime, ShortDateAndTimeOfTheLocale) {
  const std::string text = formatDateTime(makeDateTime(2008, 1, 15, 12, 30, 45));
#ifdef _WIN32
  // The user's formats come from the system; whatever they are, the year, minutes and
  // seconds show, and dates long past are written too.
  EXPECT_NE(text.find("2008"), std::string::npos) << text;
  EXPECT_NE(text.find("30"), std::string::npos) << text;
  EXPECT_NE(text.find("45"), std::string::npos) << text;
  EXPECT_NE(formatDateTime(makeDateTime(1899, 12, 29, 6, 0, 0)).find("1899"), std::string::npos);
  return;
#endif
  const char* locale = std::setlocale(LC_TIME, nullptr);
  if (locale != nullptr && (std::strcmp(locale, "C") == 0 || std::strcmp(locale, "POSIX") == 0)) {
    EXPECT_EQ(text, "01/15/08 12:30:45");
    EXPECT_EQ(formatDateTime(makeDateTime(1899, 12, 29, 6, 0, 0)), "12/29/99 06:00:00");
  } else {
    EXPECT_NE(text.find("30"), std::string::npos) << text;
  }
}

// Windows formats no date before 1601; such a date is still valid and gets text.
TEST(FormatDateTime, DatesTheSystemWillNotFormatAreWrittenTheInternationalWay) {
  const std::string text = formatDateTime(makeDateTime(1500, 6, 1, 8, 5, 9));
  EXPECT_NE(text, "Invalid DateTime");
#ifdef _WIN32
  EXPECT_EQ(text, "1500-06-01 08:05:09");
#endif
}

TEST(CurrentLocalDateTime, IsAValidRecentMoment) {
  const DateTimeValue now = currentLocalDateTime();
  EXPECT_EQ(now.status, DateTimeValue::kValid);
  EXPECT_GT(now.serial, makeDateTime(2024, 1, 1, 0, 0, 0).serial);
  EXPECT_LT(now.serial, makeDateTime(2200, 1, 1, 0, 0, 0).serial);
  // Whole seconds: splitting and rebuilding gives the same number.
  const Parts p = partsOf(now.serial);
  EXPECT_EQ(makeDateTime(p.y, p.mo, p.d, p.h, p.mi, p.s).serial, now.serial);
}

}  // namespace
}  // namespace tnw::pas
