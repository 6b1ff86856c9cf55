// The production test reader, through the converter.
#include "readers/production_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <span>

#include "test_support.h"

namespace tnw::readers {
namespace {

using testing::errorsOf;
using testing::readExample;

using testing::cellAt;
using testing::convertText;
using testing::rowValues;
using testing::shownValue;
using testing::styleAt;
using V = std::vector<std::string>;

constexpr std::string_view kHeader = "~VERSION,TYPE.,PRD,,\n~VERSION,VERS.,3.0,,\n";
constexpr sheet::Colour kColumnFill = 0xEAD5D5;



// The written mnemonic, when it is not the one accepted.
struct Expected {
  std::string_view accepted, description, written = {};
  std::string_view shown() const { return written.empty() ? accepted : written; }
};

// Typed out from the production test vocabulary on purpose: these are the texts a user sees.
const Expected kGasMeter[] = {
    {"MDTYPE.", "Metering Device Type Indicator", "MDTYPE"},
    {"TYPE.", "Metering Device Type Indicator", "TYPE"},
    {"RDGAS.", "Gas Relative Density", "RDGAS"},
    {"SGG.", "Gas Specific Gravity", "SGG"},
    {"N2.FRAC", "Nitrogen"},
    {"N2.FRACTION", "Nitrogen", "N2.FRAC"},
    {"CO2.FRAC", "Carbon Dioxide"},
    {"CO2.FRACTION", "Carbon Dioxide", "CO2.FRAC"},
    {"H2S.FRAC", "Hydrogen Sulphide for Metering Device Calc"},
    {"H2S.FRACTION", "Hydrogen Sulphide for Metering Device Calc", "H2S.FRAC"},
    {"PATM.KPA", "Atmospheric Pressure"},
    {"TAP.", "TAP Type Indicator"},
    {"TAPL.", "TAP Location Indicator"},
    {"RSIZ.MM", "Meter Run / Prover Size"},
    {"TCON.PULSES/M3", "Turbine Device Constant"},
    {"TCON.E3M3/REV", "Turbine Device Constant"},
    {"VGASP.E3M3", "Previous Gas Produced"},
    {"DNAM.", "Device Name"},
    {"ICON.", "Pitiot Tube Device Constant"},
    {"BETA.", "V-Cone Beta Ratio"},
    {"MCOF.", "V-Cone Meter Coefficient"},
    {"MCOMG.", "Comment - Gas Meter"},
};

const Expected kLiquidMeter[] = {
    {"LIQT.", "Liquid Type Indicator"},
    {"FLDT.", "Liquid Type Indicator"},
    {"LQMTYP.", "Metering Device Type Indicator"},
    {"TYPE.", "Metering Device Type Indicator"},
    {"TCON.PULSE/M3", "Turbine Device K-Factor"},
    {"TMEA.", "Tank Measurement Indicator"},
    {"TEQU.", "Tank Equation"},
    {"MCOML.", "Comment - Liquid Meter"},
    {"TAP.", "Tap Type Indicator"},
    {"TAPL.", "Tap Location Indicator"},
    {"RSIZ.MM", "Run / Prover Size"},
    {"TCON.M3/REV", "Turbine Device Constant"},
    {"ICON.", "Pitiot Tube Device Constant"},
    {"VFLP.M3", "Previous Fluid Produced"},
    {"V2FLP.M3", "Previous Secondary Fluid Produced"},
    {"DNAM.", "Device Name"},
    {"API.", "API Degrees"},
};

const Expected kGasColumns[] = {
    {"TIME.DAY/HR/SS", "Real Time"},
    {"QGAS.E3M3/D", "Gas Rate"},
    {"H2S.FRAC", "Hydrogen Sulphide Mole Fraction"},
    {"PLATE.MM", "Orifice /Choke Plate Size"},
    {"STAG.KPAA", "Meter Pressure (Gas) "},
    {"DIFG.KPA", "Pressure Differential (Gas)"},
    {"TMPG.DEGC", "Meter Temperature"},
    {"TRBG.PULSE", "Turbine Meter Reading"},
    {"N2.FRAC", "Nitrogen Mole Fraction"},
    {"CO2.FRAC", "Carbon Dioxide Mole Fraction"},
    {"RCOMP.", "Gas Composition Comment"},
    {"CHOK.MM", "Choke Size"},
    {"ORIG.MM", "Orifice Size"},
    {"TRBG.REV", "Turbine Meter Reading"},
};

const Expected kLiquidColumns[] = {
    {"TIME.DAY/HR/SS", "Real Time"},
    {"GNLF.MM", "Tank Gain Level"},
    {"GNVF.M3", "Tank Gain Volume"},
    {"TRBF.PULSE", "Turbine Meter Reading"},
    {"API.", "API"},
    {"BSW.FRAC", "Fraction of Total BS&W"},
    {"SALT.PPM", "Salinity PPM"},
    {"PH.", "PH"},
    {"OILRATE.M3/D", "Oil Rate"},
    {"CONRATE.M3/D", "Condensate Rate"},
    {"WTRRATE.M3/D", "Water Rate"},
    {"QLIQ.M3/D", "Measured Total Liquid Rate"},
    {"CHOK.MM", "Choke Size"},
    {"TNKF.DEGC", "Tank Temperature"},
    {"TRBF.REV", "Turbine Meter Reading"},
    {"ORIF.MM", "Orifice Size"},
    {"STAF.KPAA", "Static Pressure"},
    {"DIFF.KPA", "Pressure Differential"},
    {"TMPF.DEGC", "Temperature"},
    {"BG.FRACTION", "Shrinkage Factor"},
    {"FLDR.M3/D", "Fluid Rate"},
    {"FL2R.M3/D", "Secondary Fluid Rate"},
    {"BSW.FRACTION", "Basic Sediment and Water Fraction"},
};

const Expected kSummaryColumns[] = {
    {"TIME.DAY/HR/SS", "Real Time"},
    {"TWH.DEGC", "Wellhead Temperature"},
    {"TUPS.KPAA", "Tubing Pressure"},
    {"TTUB.DEGC", "Tubing Temperature"},
    {"CSPS.KPAA", "Casing Pressure"},
    {"TCAS.DEGC", "Casing Temperature"},
    {"QTGAS.E3M3/D", "Total Gas Rate All Meters"},
    {"QTOIL.M3/D", "Total Oil Rate All Meters"},
    {"QTCON.M3/D", "Total Condensate Rate All Meters"},
    {"QTWTR.M3/D", "Total Water Rate All Meters"},
    {"VTGAS.E3M3", "Cumulative Total Gas Volume All Meters"},
    {"VTOIL.M3", "Cumulative Total Oil Volume All Meters"},
    {"VTCON.M3", "Cumulative Total Condensate Volume All Meters"},
    {"VTWTR.M3", "Cumulative Total Water Volume All Meters"},
    {"COMM.", "Comment"},
    {"SALT.PPM", "Salinity"},
    {"PH.", "PH"},
};

struct Section {
  std::string_view field;        // as the file writes it
  std::string_view sectionText;  // as the row shows it
  std::string_view sheet;
  sheet::Colour fill;
};

// One line per entry, after `lead` (lines that set the current meters); each entry must give
// its row on the section's sheet, in order, with no error row. Values are single characters,
// so the device type entries take them too.
void expectCatalogue(const Section& s, std::span<const Expected> entries, std::string_view lead = {}) {
  std::string text = std::string(kHeader) + std::string(lead);
  int32_t firstLine = 3 + static_cast<int32_t>(std::count(lead.begin(), lead.end(), '\n'));
  for (size_t i = 0; i < entries.size(); ++i)
    text += std::string(s.field) + "," + std::string(entries[i].accepted) + "," + std::to_string(i % 10) + ",file,\n";
  auto c = convertText(text);
  int32_t row = static_cast<int32_t>(c->book.lastRow(*c->book.findSheet(s.sheet))) - static_cast<int32_t>(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    ++row;
    EXPECT_EQ(rowValues(c->book, s.sheet, row),
              (V{std::to_string(firstLine + static_cast<int32_t>(i)), std::string(s.sectionText),
                 std::string(entries[i].shown()), std::to_string(i % 10), "", "", std::string(entries[i].description)}))
        << s.field << " " << entries[i].accepted;
    EXPECT_EQ(styleAt(c->book, s.sheet, "C" + std::to_string(row)).fill, s.fill) << entries[i].accepted;
  }
  EXPECT_EQ(c->converter.errorCount(), 0) << s.field;
}

constexpr sheet::Colour kNone = sheet::kNoColour;

TEST(ProductionTestCatalogue, Meters) {
  expectCatalogue({"~METER GAS (1)", "~METER GAS (1)", "METER GAS 1", kNone}, kGasMeter);
  expectCatalogue({"~METER GAS (012)", "~METER GAS (12)", "METER GAS 12", kNone}, kGasMeter);
  expectCatalogue({"~METER LIQUID (1)", "~METER LIQUID (1)", "METER LIQUID 1", kNone}, kLiquidMeter);
  // Fluid meters share the liquid meter's sheet and keep their own name.
  expectCatalogue({"~METER FLUID (2)", "~METER FLUID (2)", "METER LIQUID 2", kNone}, kLiquidMeter);
}

TEST(ProductionTestCatalogue, ColumnDefinitions) {
  expectCatalogue({"~DATA TABLE GAS (1)", "~DATA TABLE GAS (1)", "METER GAS 1", kColumnFill}, kGasColumns);
  expectCatalogue({"~DATA TABLE - GAS", "~DATA TABLE - GAS", "METER GAS 4", kColumnFill}, kGasColumns,
                  "~METER GAS (4),DNAM.,North,,\n");
  expectCatalogue({"~DATA TABLE LIQUID (2)", "~DATA TABLE LIQUID (2)", "METER LIQUID 2", kColumnFill},
                  kLiquidColumns);
  expectCatalogue({"~DATA TABLE - FLUID", "~DATA TABLE - FLUID", "METER LIQUID 3", kColumnFill}, kLiquidColumns,
                  "~METER FLUID (3),API.,35,,\n");
  expectCatalogue({"~DATA TABLE SUMMARY", "~DATA TABLE SUMMARY", "SUMMARY", kColumnFill}, kSummaryColumns);
  expectCatalogue({"~DATA TABLE - SUMMARY", "~DATA TABLE - SUMMARY", "SUMMARY", kColumnFill}, kSummaryColumns);
}

TEST(ProductionTestMeters, TheDeviceTypeIsOneLetterOrDigit) {
  auto c = convertText(std::string(kHeader) +
                       "~METER GAS (1),MDTYPE.,O,Orifice,\n"
                       "~METER GAS (1),MDTYPE.,OR,x,\n"
                       "~METER GAS (1),MDTYPE.,,x,\n"
                       "~METER GAS (1),TYPE.,7,x,\n"
                       "~METER GAS (1),TYPE.,-,x,\n"
                       "~METER GAS (1),TYPE.,ORIFICE,x,\n"
                       // The liquid meter's type is free text.
                       "~METER LIQUID (1),TYPE.,TURBINE,x,\n");
  EXPECT_EQ(rowValues(c->book, "METER GAS 1", 2),
            (V{"3", "~METER GAS (1)", "MDTYPE", "O", "", "", "Metering Device Type Indicator"}));
  EXPECT_EQ(rowValues(c->book, "METER GAS 1", 3),
            (V{"6", "~METER GAS (1)", "TYPE", "7", "", "", "Metering Device Type Indicator"}));
  EXPECT_EQ(rowValues(c->book, "METER GAS 1", 4), V{});
  EXPECT_EQ(shownValue(c->book, "METER LIQUID 1", "D2"), "TURBINE");
  EXPECT_EQ(c->converter.errorCount(), 4);
}

TEST(ProductionTestMeters, NumberlessDefinitionsBelongToTheLastMeterDescribed) {
  auto c = convertText(std::string(kHeader) +
                       "~DATA TABLE - GAS,QGAS.E3M3/D,1,before any meter,\n"      // 3: declined
                       "~DATA TABLE - FLUID,API.,1,before any meter,\n"           // 4: declined
                       "~METER GAS (2),N2.FRACTION,0.01,x,\n"                     // 5
                       "~DATA TABLE - GAS,QGAS.E3M3/D,3,Gas rate,\n"              // 6: meter 2
                       "~METER GAS (5),UNKNOWN.,1,x,\n"                           // 7: declined, still 2
                       "~METER GAS (6),MDTYPE.,OR,x,\n"                           // 8: declined, still 2
                       "~METER GAS (99999999999),DNAM.,x,x,\n"                    // 9: declined, still 2
                       "~DATA TABLE - GAS,TMPG.DEGC,4,x,\n"                       // 10: meter 2
                       "~DATA TABLE - GAS (3),CHOK.MM,5,x,\n"                     // 11: its own number
                       "~DATA TABLE - FLUID,API.,1,no liquid meter yet,\n"        // 12: declined
                       "~METER LIQUID (4),UNKNOWN.,1,x,\n"                        // 13: declined, makes 4
                       "~DATA TABLE - FLUID,API.,35,x,\n"                         // 14: meter 4
                       "~METER FLUID (7),API.,35,x,\n"                            // 15
                       "~DATA TABLE - FLUID,PH.,7,x,\n"                           // 16: meter 7
                       "~DATA TABLE - GAS,ORIG.MM,6,x,\n"                         // 17: still gas meter 2
                       "~DATA TABLE GAS,QGAS.E3M3/D,8,plain form needs a number,\n"  // 18: declined
                       "~DATA TABLE - GAS(3),CHOK.MM,9,x,\n");                    // 19: canonical, meter 3
  EXPECT_EQ(rowValues(c->book, "METER GAS 2", 3),
            (V{"6", "~DATA TABLE - GAS", "QGAS.E3M3/D", "3", "", "", "Gas Rate"}));
  EXPECT_EQ(shownValue(c->book, "METER GAS 2", "A4"), "10");
  EXPECT_EQ(shownValue(c->book, "METER GAS 2", "A5"), "17");
  EXPECT_EQ(rowValues(c->book, "METER GAS 3", 2),
            (V{"11", "~DATA TABLE - GAS", "CHOK.MM", "5", "", "", "Choke Size"}));
  EXPECT_EQ(rowValues(c->book, "METER GAS 3", 3)[0], "19");
  EXPECT_EQ(rowValues(c->book, "METER LIQUID 4", 2), (V{"14", "~DATA TABLE - FLUID", "API.", "35", "", "", "API"}));
  EXPECT_EQ(rowValues(c->book, "METER LIQUID 7", 3), (V{"16", "~DATA TABLE - FLUID", "PH.", "7", "", "", "PH"}));
  EXPECT_EQ(testing::sheetNames(c->book),
            (V{"TEST INFORMATION", "METER GAS 2", "METER GAS 3", "METER LIQUID 4", "METER LIQUID 7"}));
  EXPECT_EQ(c->converter.errorCount(), 8);
}

TEST(ProductionTestMeters, OnlyTheSectionFieldIsRenamed) {
  auto c = convertText(std::string(kHeader) +
                       "~METER FLUID (1),MCOML.,was ~METER FLUID (3),x,\n"
                       "~METER GAS (2),DNAM.,North,,\n"
                       "~DATA TABLE - GAS,RCOMP.,as in ~DATA TABLE GAS notes,x,\n"
                       "~DATA TABLE GAS (2),RCOMP.,see ~DATA TABLE - GAS,x,\n");
  EXPECT_EQ(shownValue(c->book, "METER LIQUID 1", "D2"), "was ~METER FLUID (3)");
  EXPECT_EQ(shownValue(c->book, "METER GAS 2", "D3"), "as in ~DATA TABLE GAS notes");
  EXPECT_EQ(rowValues(c->book, "METER GAS 2", 4),
            (V{"6", "~DATA TABLE GAS (2)", "RCOMP.", "see ~DATA TABLE - GAS", "", "", "Gas Composition Comment"}));
  EXPECT_EQ(c->converter.errorCount(), 0);
}

TEST(ProductionTestReadings, EachReadingNamesItsOwnMeter) {
  auto c = convertText(std::string(kHeader) +
                       "~METER GAS (2),DNAM.,North,,\n"
                       "~DTGAS (1),2009 05 06 1230:00,3.5,\n"
                       "~DTLIQ (2),2009 05 06 1230:00,12,\n"
                       "~DTFLD (2),2009 05 06 1300:00,13,\n"
                       "~DTSUM,2009 05 06 1230:00,20,600,\n"
                       "~DTGAS,2009 05 06 1230:00,3.5,\n"
                       "~DTGAS(1),2009 05 06 1330:00,3.6,\n");
  EXPECT_EQ(rowValues(c->book, "METER GAS 1", 2).size(), 4u);
  EXPECT_EQ(shownValue(c->book, "METER GAS 1", "B2"), "~DTGAS (1)");
  EXPECT_EQ(cellAt(c->book, "METER GAS 1", "C2")->kind, sheet::CellKind::kNumber);  // a date
  EXPECT_NEAR(cellAt(c->book, "METER GAS 1", "C2")->number, 39939.520833, 1e-6);
  EXPECT_EQ(shownValue(c->book, "METER GAS 1", "D2"), "3.5");
  EXPECT_EQ(shownValue(c->book, "METER LIQUID 2", "B2"), "~DTLIQ (2)");
  EXPECT_EQ(shownValue(c->book, "METER LIQUID 2", "B3"), "~DTFLD (2)");
  EXPECT_TRUE(styleAt(c->book, "METER LIQUID 2", "C3").bold);  // another table starts
  EXPECT_EQ(cellAt(c->book, "METER LIQUID 2", "C3")->kind, sheet::CellKind::kNumber);
  EXPECT_EQ(rowValues(c->book, "SUMMARY", 2)[1], "~DTSUM");
  EXPECT_EQ(cellAt(c->book, "SUMMARY", "C2")->kind, sheet::CellKind::kNumber);
  EXPECT_EQ(shownValue(c->book, "SUMMARY", "E2"), "600");
  // Without a number a reading belongs to no meter; without the blank it is read canonically.
  EXPECT_EQ(shownValue(c->book, "METER GAS 1", "A3"), "9");
  EXPECT_EQ(c->converter.errorCount(), 1);
}

TEST(ProductionTestExample, ConvertsWithItsIntendedErrorsOnly) {
  auto c = convertText(readExample("production-test.pas"));
  EXPECT_EQ(errorsOf(*c),
            "~METER GAS (1),MDTYPE.,ORIFICE,Metering Device Type Indicator,\n"
            "~METER GAS (2),API.,54.2,API Degrees,\n");
  EXPECT_EQ(testing::sheetNames(c->book),
            (V{"TEST INFORMATION", "METER GAS 1", "METER GAS 2", "METER LIQUID 1", "SUMMARY"}));
}

}  // namespace
}  // namespace tnw::readers
