#include "readers/framework.h"

#include <gtest/gtest.h>

#include "pas/pas_converter.h"
#include "test_support.h"

namespace tnw::readers {
namespace {

using testing::errorsOf;

using testing::rowValues;
using testing::shownValue;
using testing::styleAt;
using V = std::vector<std::string>;

const ValueTable kSummary = {{"GSERU.", "Units"}, {"GSER.", "Serial"}, {"STGE.", "Stage", "STGE"}};
const ValueTable kGauge = {{"GSER.", "Gauge Serial Number"}, {"TCUM.MIN", "Cumulative Time"}};

// Converts `text` with a reader made of the registrations used by these tests.
std::unique_ptr<testing::Converted> convertWith(std::string_view text) {
  auto c = std::make_unique<testing::Converted>();
  c->converter.useReader(std::make_unique<TableReader>(
      c->converter, std::vector<Registration>{
                        valueSection("~TEST SUMMARY DATA", "SUMMARY", kSummary),
                        numberedValueSection("~HEADER DATA - GAUGE", "GAUGE %d", kGauge),
                        numberedColumnDefinitions("~DATA TABLE - GAUGE", "GAUGE %d", kGauge),
                        dataBlock("~DTREC", "RECOVERIES"),
                        dataBlock("~DTCC", "CLOSED CHAMBER", DateColumn::kSecond),
                        numberedDataBlock("~DTG", "GAUGE %d", DateColumn::kFirst, true, true),
                        numberedDataBlock("~DTFG", "GAUGE %d"),
                    }));
  auto source = pas::LineSource::fromBytes(std::string(text));
  c->completed = c->converter.convert(*source, nullptr);
  return c;
}


TEST(ValueSections, TheEscapedDotAndCommaKeepSimilarMnemonicsApart) {
  auto c = convertWith(
      "~TEST SUMMARY DATA,GSER.,1234,Serial,\n"
      "~TEST SUMMARY DATA,GSERU.,5678,,\n"
      "~TEST SUMMARY DATA,STGE.,2,,\n"
      "~TEST SUMMARY DATA,GSERX.,1,,\n");
  EXPECT_EQ(rowValues(c->book, "SUMMARY", 2), (V{"1", "~TEST SUMMARY DATA", "GSER.", "1234", "", "", "Serial"}));
  EXPECT_EQ(rowValues(c->book, "SUMMARY", 3), (V{"2", "~TEST SUMMARY DATA", "GSERU.", "5678", "", "", "Units"}));
  EXPECT_EQ(shownValue(c->book, "SUMMARY", "C4"), "STGE");  // the label, not the mnemonic
  EXPECT_EQ(errorsOf(*c), "~TEST SUMMARY DATA,GSERX.,1,,\n");
}

TEST(NumberedValueSections, TheNumberChoosesTheSheetAndIsWrittenPlainly) {
  auto c = convertWith(
      "~HEADER DATA - GAUGE (1),GSER.,A5,Serial,\n"
      "~HEADER DATA - GAUGE (01),GSER.,A6,Serial,\n"
      "~HEADER DATA - GAUGE,GSER.,A7,Serial,\n"
      "~HEADER DATA - GAUGE (n),GSER.,A8,x,\n"
      "~DATA TABLE - GAUGE (2),TCUM.MIN,2,Elapsed,\n"
      "~HEADER DATA - GAUGE (99999999999),GSER.,A9,x,\n"
      "~HEADER DATA - GAUGE (2147483647),GSER.,A10,x,\n");
  EXPECT_EQ(rowValues(c->book, "GAUGE 1", 2), (V{"1", "~HEADER DATA - GAUGE (1)", "GSER.", "A5", "", "", "Gauge Serial Number"}));
  EXPECT_EQ(rowValues(c->book, "GAUGE 1", 3), (V{"2", "~HEADER DATA - GAUGE (1)", "GSER.", "A6", "", "", "Gauge Serial Number"}));
  EXPECT_EQ(rowValues(c->book, "GAUGE 0", 2), (V{"4", "~HEADER DATA - GAUGE (0)", "GSER.", "A8", "", "", "Gauge Serial Number"}));
  EXPECT_EQ(rowValues(c->book, "GAUGE 2", 2), (V{"5", "~DATA TABLE - GAUGE (2)", "TCUM.MIN", "2", "", "", "Cumulative Time"}));
  EXPECT_EQ(styleAt(c->book, "GAUGE 2", "C2").fill, 0xEAD5D5);
  EXPECT_EQ(styleAt(c->book, "GAUGE 1", "C2").fill, sheet::kNoColour);
  EXPECT_EQ(shownValue(c->book, "GAUGE 2147483647", "D2"), "A10");
  // No number, and a number too large to be one, are declined.
  EXPECT_EQ(errorsOf(*c), "~HEADER DATA - GAUGE,GSER.,A7,Serial,\n~HEADER DATA - GAUGE (99999999999),GSER.,A9,x,\n");
}

TEST(DataBlocks, FieldsAndTheFirstFieldRule) {
  auto c = convertWith(
      "~DTREC,1,,WATER,\n"
      "~DTRECX,1,\n"
      "~DTREC\n"
      "~DTREC,\n");
  EXPECT_EQ(rowValues(c->book, "RECOVERIES", 2), (V{"1", "~DTREC", "1", "", "WATER"}));
  EXPECT_EQ(rowValues(c->book, "RECOVERIES", 3), (V{"4", "~DTREC"}));  // a row of no values
  EXPECT_EQ(errorsOf(*c), "~DTRECX,1,\n~DTREC\n");
}

TEST(DataBlocks, TheStartOfTableStyleFollowsTheLastRowWrittenAnywhere) {
  auto c = convertWith(
      "~DTREC,1,\n~DTREC,2,\n~DTREC,3,\n# a comment\n~DTREC,4,\n"
      "~DTFG (1),a,\n~DTFG (2),b,\n~DTFG (1),c,\n");
  auto bold = [&](const char* sheet, const char* cell) { return styleAt(c->book, sheet, cell).bold; };
  EXPECT_TRUE(bold("RECOVERIES", "C2"));
  EXPECT_FALSE(bold("RECOVERIES", "C3"));
  EXPECT_FALSE(bold("RECOVERIES", "C4"));
  EXPECT_TRUE(bold("RECOVERIES", "C5"));
  EXPECT_EQ(styleAt(c->book, "RECOVERIES", "C5").fill, 0xEAD5D5);
  EXPECT_FALSE(bold("RECOVERIES", "A5"));
  EXPECT_EQ(styleAt(c->book, "RECOVERIES", "B5").fill, sheet::kNoColour);
  EXPECT_TRUE(bold("GAUGE 1", "C2"));
  EXPECT_TRUE(bold("GAUGE 2", "C2"));
  EXPECT_TRUE(bold("GAUGE 1", "C3"));  // alternating tables are each a new start
}

TEST(DataBlocks, DateColumns) {
  auto c = convertWith(
      "~DTCC,2009 05 06 1230:00,2009 05 06 1230:00,\n"
      "~DTG (1),2009 05 06 1230:00,812.5,\n"
      "~DTG (1),not a date,812.5,\n");
  auto cell = [&](const char* sheet, const char* ref) { return *testing::cellAt(c->book, sheet, ref); };
  EXPECT_EQ(cell("CLOSED CHAMBER", "C2").kind, sheet::CellKind::kText);
  EXPECT_EQ(cell("CLOSED CHAMBER", "D2").kind, sheet::CellKind::kNumber);
  EXPECT_EQ(c->book.numberFormat(styleAt(c->book, "CLOSED CHAMBER", "D2").numberFormat), "yyyy mm dd hhmm:ss");
  EXPECT_NEAR(cell("GAUGE 1", "C2").number, 39939.520833, 1e-6);
  EXPECT_EQ(shownValue(c->book, "GAUGE 1", "C3"), "not a date");
}

TEST(NumberedDataBlocks, TheBlankBeforeTheNumberIsRequiredUnlessOptional) {
  auto c = convertWith("~DTG(1),a,\n~DTFG(1),b,\n~DTFG (1),c,\n");
  EXPECT_EQ(shownValue(c->book, "GAUGE 1", "C2"), "a");
  // ~DTFG(1) is not matched raw, but its canonical line has the blank.
  EXPECT_EQ(rowValues(c->book, "GAUGE 1", 3), (V{"2", "~DTFG (1)", "b"}));
  EXPECT_EQ(errorsOf(*c), "");
}

TEST(NumberedDataBlocks, UntaggedRowsTakeTheNumberOfTheNextRow) {
  auto c = convertWith(
      "~DTG,2009 05 06 1230:00,1,\n~DTG (2),2009 05 06 1231:00,2,\n"
      "~DTG,a,\n~DTG,b,\n~DTG (3),c,\n"
      "~DTG,before another section,\n~DTREC,x,\n"
      "~DTG,last,\n");
  EXPECT_EQ(rowValues(c->book, "GAUGE 2", 2)[0], "1");
  EXPECT_EQ(shownValue(c->book, "GAUGE 2", "B2"), "~DTG (2)");
  EXPECT_EQ(shownValue(c->book, "GAUGE 2", "A3"), "2");
  EXPECT_TRUE(styleAt(c->book, "GAUGE 2", "C2").bold);
  EXPECT_FALSE(styleAt(c->book, "GAUGE 2", "C3").bold);
  EXPECT_EQ(rowValues(c->book, "GAUGE 3", 2), (V{"4", "~DTG (3)", "b"}));
  EXPECT_EQ(rowValues(c->book, "GAUGE 3", 3), (V{"5", "~DTG (3)", "c"}));
  EXPECT_EQ(errorsOf(*c), "~DTG,a,\n~DTG,before another section,\n~DTG,last,\n");
  EXPECT_EQ(shownValue(c->book, "RECOVERIES", "A2"), "7");
}

TEST(Readers, DataTableSectionsForCanonicalLines) {
  testing::Converted c;
  TableReader reader(c.converter, {});
  EXPECT_TRUE(reader.isDataTableSection("~DTSUM"));
  EXPECT_TRUE(reader.isDataTableSection(" ~DTG (1)"));
  EXPECT_FALSE(reader.isDataTableSection("~DATA TABLE - GAUGE (1)"));
  EXPECT_FALSE(reader.handleComment("# x"));
}

TEST(Fields, SplittingRows) {
  std::vector<std::string_view> out;
  splitFields("a,,b,", out);
  EXPECT_EQ(out, (std::vector<std::string_view>{"a", "", "b"}));
  splitFields("a,b", out);
  EXPECT_EQ(out, (std::vector<std::string_view>{"a", "b"}));
  splitFields("", out);
  EXPECT_TRUE(out.empty());
  splitFields(",", out);
  EXPECT_EQ(out, (std::vector<std::string_view>{""}));
  size_t end;
  EXPECT_EQ(firstField(",,~DTREC,1", &end), "~DTREC");
  EXPECT_EQ(end, 8u);
  EXPECT_EQ(firstField("~DTREC", &end), "~DTREC");
  EXPECT_EQ(end, std::string_view::npos);
  EXPECT_EQ(readInstanceNumber("0002"), 2);
  EXPECT_EQ(readInstanceNumber("2147483648"), std::nullopt);
  EXPECT_EQ(readInstanceNumber("000000000000000000000000000001"), 1);
  EXPECT_EQ(sheetFor("GAUGE %d", 12), "GAUGE 12");
  EXPECT_EQ(sheetFor("ANALYSIS", 12), "ANALYSIS");
}

}  // namespace
}  // namespace tnw::readers
