#include "sheet/charts.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tnw::sheet {
namespace {

constexpr std::string_view kV4 = "~VERSION,TYPE.,DST,,\n~VERSION,VERS.,4.0,,\n";
constexpr std::string_view kV3 = "~VERSION,TYPE.,DST,,\n~VERSION,VERS.,3.0,,\n";
constexpr std::string_view kGaugeColumns =
    "~DATA TABLE - GAUGE (1),TIME.DAY/HR/SS,,x,\n~DATA TABLE - GAUGE (1),TCUM.MIN,,x,\n"
    "~DATA TABLE - GAUGE (1),PRGA.KPAA,,x,\n~DATA TABLE - GAUGE (1),TGA.DEGC,,x,\n";
constexpr std::string_view kGaugeRows =
    "~DTG (1),2009 05 06 1230:00,0.0,812.5,56.7,\n~DTG (1),2009 05 06 1231:00,1.0,815.0,56.8,\n"
    "~DTG (1),2009 05 06 1232:00,2.0,818.5,56.9,\n";

std::vector<Chart> chartsOf(std::string_view text, std::string_view sheet) {
  auto c = testing::convertText(text);
  auto id = c->book.findSheet(sheet);
  return id ? planCharts(c->book, *id) : std::vector<Chart>{};
}

TEST(Charts, PressureAndTemperatureAgainstTheTimeColumnOfTheirTable) {
  std::vector<Chart> charts = chartsOf(std::string(kV4) + std::string(kGaugeColumns) + std::string(kGaugeRows), "GAUGE 1");
  ASSERT_EQ(charts.size(), 2u);
  const Chart& pressure = charts[0];
  EXPECT_EQ(pressure.title, "GAUGE 1 - ~DTG (1): pressure");
  EXPECT_TRUE(pressure.xIsDate);
  EXPECT_EQ(pressure.xTitle, "Time");
  ASSERT_EQ(pressure.series.size(), 1u);
  // Row 1 is the header, rows 2 to 5 the definitions, the table rows 6 to 8; C is time, E pressure.
  EXPECT_EQ(pressure.series[0].firstRow, 6);
  EXPECT_EQ(pressure.series[0].lastRow, 8);
  EXPECT_EQ(pressure.series[0].xCol, 2);
  EXPECT_EQ(pressure.series[0].yCol, 4);
  EXPECT_EQ(pressure.anchor, (Cell{2, 16}));
  EXPECT_EQ(charts[1].title, "GAUGE 1 - ~DTG (1): temperature");
  EXPECT_EQ(charts[1].series[0].yCol, 5);
  EXPECT_EQ(charts[1].anchor, (Cell{2, 24}));
}

TEST(Charts, TimeThatIsNoDateFallsBackOnTheCumulativeTime) {
  std::vector<Chart> charts = chartsOf(std::string(kV3) + std::string(kGaugeColumns) + std::string(kGaugeRows), "GAUGE 1");
  ASSERT_EQ(charts.size(), 2u);
  EXPECT_FALSE(charts[0].xIsDate);
  EXPECT_EQ(charts[0].xTitle, "Time (TCUM.MIN)");
  EXPECT_EQ(charts[0].series[0].xCol, 3);
}

TEST(Charts, EachTableOfASheetGetsItsOwnAndTheLongestRunCounts) {
  std::string text(kV4);
  text += "~DATA TABLE - FLOWING SUMMARY - GAUGE (1),TIME.DAY/HR/SS,,x,\n"
          "~DATA TABLE - FLOWING SUMMARY - GAUGE (1),STGE.,,x,\n"
          "~DATA TABLE - FLOWING SUMMARY - GAUGE (1),PRGA.KPAA,,x,\n"
          "~DTFG (1),2009 05 06 1230:00,1,800.0,\n~DTFG (1),2009 05 06 1240:00,2,900.0,\n";
  text += std::string(kGaugeColumns) + "~DTG (1),2009 05 06 1229:00,0,1,2,\n~HEADER DATA - GAUGE (1),GSER.,A1,x,\n";
  text += kGaugeRows;
  std::vector<Chart> charts = chartsOf(text, "GAUGE 1");
  ASSERT_EQ(charts.size(), 3u);
  EXPECT_EQ(charts[0].title, "GAUGE 1 - ~DTFG (1): pressure");
  EXPECT_EQ(charts[0].series[0].yCol, 4);  // the third field of its own table
  EXPECT_EQ(charts[1].title, "GAUGE 1 - ~DTG (1): pressure");
  EXPECT_EQ(charts[1].series[0].firstRow, 13);  // after the header row that broke the first run
  EXPECT_EQ(charts[1].series[0].lastRow, 15);
  EXPECT_EQ(charts[1].anchor, (Cell{24, 16}));
}

TEST(Charts, NoChartWithoutDefinitionsOrWithoutAPressure) {
  EXPECT_TRUE(chartsOf(std::string(kV4) + std::string(kGaugeRows), "GAUGE 1").empty());
  EXPECT_TRUE(chartsOf(std::string(kV4) + "~DATA TABLE - RECOVERIES,RECD.M,,x,\n~DTREC,1,2,\n", "RECOVERIES").empty());
  EXPECT_TRUE(chartsOf(std::string(kV4) + "~DATA TABLE - GAUGE (1),TCUM.MIN,,x,\n~DTG (1),0,1,\n", "GAUGE 1").empty());
}

TEST(Charts, AddedToTheWorkbookWithoutChangingACell) {
  // Two gauges: their sheets are looked through on one thread and on two alike.
  std::string gauge1 = std::string(kGaugeColumns) + std::string(kGaugeRows), gauge2 = gauge1;
  for (size_t at; (at = gauge2.find("(1)")) != std::string::npos;) gauge2.replace(at, 3, "(2)");
  for (int threads : {1, 2}) {
    auto c = testing::convertText(std::string(kV4) + gauge1 + gauge2);
    SheetId gauge = *c->book.findSheet("GAUGE 1");
    size_t cells = c->book.cellCount(gauge);
    EXPECT_EQ(addPressureCharts(c->book, threads), 4);
    for (std::string name : {"GAUGE 1", "GAUGE 2"}) {
      const std::vector<Chart>& charts = c->book.charts(*c->book.findSheet(name));
      ASSERT_EQ(charts.size(), 2u) << name;
      EXPECT_EQ(charts[1].title, name + " - ~DTG (" + name.back() + "): temperature");
    }
    EXPECT_EQ(c->book.cellCount(gauge), cells);
    EXPECT_TRUE(c->book.charts(*c->book.findSheet("TEST INFORMATION")).empty());
  }
}

}  // namespace
}  // namespace tnw::sheet
