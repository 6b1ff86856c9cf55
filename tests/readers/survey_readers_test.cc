#include <gtest/gtest.h>

#include <fstream>
#include <span>
#include <sstream>

#include "pas/type_detection.h"
#include "test_support.h"

namespace tnw::readers {
namespace {

using testing::errorsOf;
using testing::readFile;

using testing::convertText;
using testing::rowValues;
using testing::shownValue;
using testing::styleAt;
using V = std::vector<std::string>;

constexpr std::string_view kAws = "~VERSION,TYPE.,AWS,,\n~VERSION,VERS.,x,,\n";
constexpr std::string_view kGrd = "~VERSION,TYPE.,GRD,,\n~VERSION,VERS.,x,,\n";
constexpr std::string_view kSg = "~VERSION,TYPE.,SG,,\n~VERSION,VERS.,x,,\n";
constexpr sheet::Colour kColumnFill = 0xEAD5D5;


struct Expected {
  std::string_view mnemonic, description;
};

// The catalogues as the survey companies' files name them, typed out here on purpose.
const Expected kAwsResultsSummary[] = {
    {"PMPP.KPAA", "Representative Bottom Hole Pressure"}, {"STGR.KPA/M", "Representative Pressure Gradient"},
    {"AWSC.", "Comment"}, {"TRES.DEGC", "Reservoir Temperature"}, {"VALC.", "Validation Comment"},
};
const Expected kAwsHeader[] = {
    {"TSURM.DEGC", "Mean Annual Surface Temperature"}, {"DOIL.KG/M3", "Oil Density"},
    {"SGG.", "Gas Specific Gravity"}, {"CASS.", "Casing Open/Closed Indicator"},
    {"DPTS.", "Annular Depression Test Indicator"}, {"METHC.", "Liquid Gradient Method of Calculation Comment"},
    {"PPLV.M", "Pumping Liquid Level KB (TVD)"},
};
const Expected kAwsColumns[] = {
    {"TCUM.HR", "Cumulative Time After Shut-In"}, {"LLV.M", "Liquid Level KB (TVD)"},
    {"PSUR.KPAA", "Surface Pressure"}, {"GRGAS.KPA/M", "Gas Gradient"}, {"GROIL.KPA/M", "Oil Gradient"},
    {"GRWTR.KPA/M", "Water Gradient"}, {"PMPP.KPAA", "Calculated Pressure at MPP (TVD)"},
};
const Expected kGrdPressureResults[] = {
    {"GSERU.", "Gauge Serial Number Used in Summary"}, {"PRCOR.KPA", "Pressure Correction"},
    {"TRES.DEGC", "Reservoir Temperature"}, {"PRGC.", "Comment on Pressure"},
    {"SDGAL.M", "Representative Stop Depth (LOG)"}, {"SDGAT.M", "Representative Stop Depth (TVD)"},
    {"PRGA.KPAA", "Pressure at Log Stop Depth"}, {"PLIND.", "Primary Liquid Type"},
    {"SLIND.", "Secondary Liquid Type"}, {"GRGAS.KPA/M", "Gas Gradient used to Correct to Liquid Level or Log MPP"},
    {"GRLIQ.KPA/M", "Liquid Gradient used to Correct to Liquid Level or Log MPP"},
    {"PLGR.KPA/M", "Primary Liquid Gradient (LOG)"}, {"SLGR.KPA/M", "Secondary Liquid Gradient (LOG)"},
    {"PSUR.KPAA", "Surface Pressure"}, {"METHC.", "Method of Acoustic/Dead-Weight Gauge Extrapolation Comment"},
    {"LLVL.M", "Liquid Level KB (LOG)"}, {"LLVT.M", "Liquid Level KB (TVD)"},
    {"PMPP.KPAA", "Calculated Pressure Corrected to MPP (LOG)"}, {"DPTS.", "Annular Depression Test Indicator"},
};
const Expected kGrdGradientColumns[] = {
    {"SDGAL.M", "Stop Depth KB (LOG)"}, {"SDGAT.M", "Stop Depth KB (TVD)"}, {"PRGA.KPAA", "Stop Pressure"},
    {"GRSDL.KPA/M", "Calculated Gradient (LOG)"}, {"GRSDT.KPA/M", "Calculated Gradient (TVD)"},
    {"TGA.DEGC", "Stop Temperature"},
};
const Expected kGrdGaugeHeader[] = {
    {"GSER.", "Gauge Serial Number"}, {"GTYPMM.", "Gauge Type/Manufacturer/Model"},
    {"GRNG.KPAA", "Maximum Recorder Range"}, {"GCAL.DAY", "Date of Last Calibration"},
    {"GRES.", "Resolution % of Full-Scale"}, {"GACC.", "Accuracy % of Full-Scale"},
    {"GONB.DAY/HR/SS", "Gauge On Bottom"}, {"GOFB.DAY/HR/SS", "Gauge Off Bottom"},
};
const Expected kGrdGaugeColumns[] = {
    {"TIME.DAY/HR/SS", "Real Time"}, {"TCUM.HR", "Cumulative Time"}, {"PRGA.KPAA", "Gauge Pressure KPAA"},
    {"TGA.DEGC", "Gauge Temperature"}, {"GCOM.", "General Comment"}, {"DGAL.M", "Recorder Depth (MCF)"},
};
const Expected kGrdAcousticColumns[] = {
    {"TIME.DAY/HR/SS", "Real Time"}, {"LLVL.M", "Liquid Level (LOG)"}, {"PSUR.KPAA", "Surface Pressure"},
};
const Expected kSgResultsSummary[] = {
    {"GSER.", "Gauge Serial Number"}, {"SDGA.M", "Representative Stop Depth (TVD)"},
    {"GRSD.KPA/M", "Representative Pressure Gradient"}, {"PRGA.KPAA", "Pressure at Stop Depth"},
    {"PRGC.", "Comment"}, {"TRES.DEGC", "Reservoir Temperature"}, {"LLV.M", "Liquid Level KB (TVD)"},
};
const Expected kSgGradientSummaryColumns[] = {
    {"TCUM.HR", "Gauge Cumulative Time"}, {"SDGA.M", "Stop Depth KB (TVD)"}, {"PRGA.KPAA", "Stop Pressure"},
    {"GRSD.KPA/M", "Calculated Gradient"},
};
const Expected kSgGaugeHeader[] = {
    {"GSER.", "Gauge Serial Number"}, {"GTYP.", "Gauge Type"}, {"GMAN.", "Gauge Manufacturer"},
    {"GRNG.KPAA", "Maximum Recorder Range"}, {"GCAL.DAY", "Date of Last Calibration"},
    {"GRES.", "Resolution % of Full-Scale"}, {"GACC.", "Accuracy % of Full-Scale"},
    {"SDGL.M", "Gauge Run Depth mKB (Log)"}, {"SDGT.M", "Gauge Run Depth mKB (TVD)"},
    {"SDGA.M", "Gauge Run Depth mKB (TVD)"}, {"GPOS.", "Gauge Position Indictor"},
    {"GSTD.DAY/HR/SS", "Gauge Start Date"}, {"GSPD.DAY/HR/SS", "Gauge Stop Date"},
    {"GONB.DAY/HR/SS", "Gauge On Bottom"}, {"GOFB.DAY/HR/SS", "Gauge Off Bottom"},
};
const Expected kSgGaugeColumns[] = {
    {"TIME.DAY/HR/SS", "Real Time"}, {"TCUM.HR", "Cumulative Time"}, {"PRGA.KPAA", "Gauge Pressure KPAA"},
    {"TGA.DEGC", "Gauge Temperature"}, {"GCOM.", "General Comment"}, {"SDGA.M", "Gauge Depth (TVD)"},
};

// Feeds one line per entry, the section field written as `written`, and checks the rows on
// `sheet` in order: section text `section`, the typed mnemonic, the value, the typed
// description and the fill of the mnemonic cell.
void expectCatalogue(std::string_view header, std::string_view written, std::string_view section,
                     std::string_view sheet, std::span<const Expected> entries, sheet::Colour fill) {
  std::string text(header);
  int value = 100;
  for (const Expected& e : entries)
    text += std::string(written) + "," + std::string(e.mnemonic) + "," + std::to_string(value++) + ",file text,\n";
  auto c = convertText(text);
  EXPECT_EQ(errorsOf(*c), "") << written;
  int32_t row = 2;
  value = 100;
  for (const Expected& e : entries) {
    std::string r = std::to_string(row);
    EXPECT_EQ(rowValues(c->book, sheet, row),
              (V{std::to_string(row + 1), std::string(section), std::string(e.mnemonic), std::to_string(value), "",
                 "", std::string(e.description)}))
        << written << " " << e.mnemonic;
    EXPECT_EQ(styleAt(c->book, sheet, "C" + r).fill, fill) << written << " " << e.mnemonic;
    ++row, ++value;
  }
}

TEST(SurveyCatalogues, AcousticWellSounder) {
  expectCatalogue(kAws, "~RESULTS - SUMMARY", "~RESULTS - SUMMARY", "RESULTS SUMMARY", kAwsResultsSummary,
                  sheet::kNoColour);
  expectCatalogue(kAws, "~HEADER DATA - ACOUSTIC", "~HEADER DATA - ACOUSTIC", "ACOUSTIC", kAwsHeader,
                  sheet::kNoColour);
  expectCatalogue(kAws, "~DATA TABLE - ACOUSTIC", "~DATA TABLE - ACOUSTIC", "ACOUSTIC", kAwsColumns, kColumnFill);
}

TEST(SurveyCatalogues, Gradient) {
  expectCatalogue(kGrd, "~PRESSURE RESULTS - SUMMARY", "~PRESSURE RESULTS - SUMMARY", "PRESSURE RESULTS",
                  kGrdPressureResults, sheet::kNoColour);
  expectCatalogue(kGrd, "~DATA TABLE - GRADIENT", "~DATA TABLE - GRADIENT", "GRADIENT SUMMARY",
                  kGrdGradientColumns, kColumnFill);
  expectCatalogue(kGrd, "~HEADER DATA - GAUGE (1)", "~HEADER DATA - GAUGE (1)", "GAUGE 1", kGrdGaugeHeader,
                  sheet::kNoColour);
  expectCatalogue(kGrd, "~DATA TABLE - GAUGE (02)", "~DATA TABLE - GAUGE (2)", "GAUGE 2", kGrdGaugeColumns,
                  kColumnFill);
  expectCatalogue(kGrd, "~DATA TABLE - ACOUSTIC", "~DATA TABLE - ACOUSTIC", "ACOUSTIC", kGrdAcousticColumns,
                  kColumnFill);
}

TEST(SurveyCatalogues, StaticGradient) {
  expectCatalogue(kSg, "~RESULTS - SUMMARY", "~RESULTS - SUMMARY", "RESULTS SUMMARY", kSgResultsSummary,
                  sheet::kNoColour);
  expectCatalogue(kSg, "~DATA TABLE - GRADIENT SUMMARY", "~DATA TABLE - GRADIENT SUMMARY", "GRADIENT SUMMARY",
                  kSgGradientSummaryColumns, kColumnFill);
  expectCatalogue(kSg, "~HEADER DATA - GAUGE (3)", "~HEADER DATA - GAUGE (3)", "GAUGE 3", kSgGaugeHeader,
                  sheet::kNoColour);
  expectCatalogue(kSg, "~DATA TABLE - GAUGE (1)", "~DATA TABLE - GAUGE (1)", "GAUGE 1", kSgGaugeColumns,
                  kColumnFill);
}

// Each reader knows its own sections and tables only.
TEST(SurveyCatalogues, SectionsAndMnemonicsOfOtherReadersAreNotRecognised) {
  auto aws = convertText(std::string(kAws) +
                         "~RESULTS - SUMMARY,AWSC.,ok,,\n"
                         "~RESULTS - SUMMARY,GSER.,A1,,\n"      // static gradient's
                         "~DATA TABLE - ACOUSTIC,LLVL.M,x,,\n"  // gradient's
                         "~HEADER DATA - GAUGE (1),GSER.,A1,,\n"
                         "~DTAWS,2009 05 06 1230:00,1,\n");
  EXPECT_EQ(aws->converter.errorCount(), 4);
  EXPECT_EQ(shownValue(aws->book, "RESULTS SUMMARY", "C2"), "AWSC.");

  auto grd = convertText(std::string(kGrd) +
                         "~RESULTS - SUMMARY,TRES.DEGC,60,,\n"
                         "~HEADER DATA - ACOUSTIC,SGG.,0.7,,\n"
                         "~DTAC,1,\n"
                         "~DATA TABLE - GRADIENT SUMMARY,TCUM.HR,x,,\n"  // begins with the gradient's prefix
                         "~HEADER DATA - GAUGE (1),GTYP.,Q,,\n"          // static gradient's
                         "~DATA TABLE - GAUGE (1),SDGA.M,x,,\n"
                         "~ANALYSIS - GENERAL INFORMATION,ANCO.,x,,\n");
  EXPECT_EQ(grd->converter.errorCount(), 7);

  auto sg = convertText(std::string(kSg) +
                        "~RESULTS - SUMMARY,AWSC.,no,,\n"
                        "~DATA TABLE - GRADIENT,SDGAL.M,x,,\n"
                        "~HEADER DATA - GAUGE (1),GTYPMM.,Q,,\n"
                        "~DATA TABLE - GAUGE (1),DGAL.M,x,,\n"
                        "~DTAWS,1,\n"
                        "~DATA TABLE - ACOUSTIC,PSUR.KPAA,x,,\n");
  EXPECT_EQ(sg->converter.errorCount(), 6);
}

TEST(SurveyGauges, EachGaugeNumberHasItsSheet) {
  auto c = convertText(std::string(kGrd) +
                       "~HEADER DATA - GAUGE (1),GSER.,A5,,\n"
                       "~HEADER DATA - GAUGE (2),GSER.,B7,,\n"
                       "~HEADER DATA - GAUGE (01),GRNG.KPAA,40000,,\n"
                       "~HEADER DATA - GAUGE,GSER.,C9,,\n"
                       "~DATA TABLE - GAUGE (n),TCUM.HR,x,,\n");
  EXPECT_EQ(testing::sheetNames(c->book), (V{"TEST INFORMATION", "GAUGE 1", "GAUGE 2", "GAUGE 0"}));
  EXPECT_EQ(shownValue(c->book, "GAUGE 1", "B2"), "~HEADER DATA - GAUGE (1)");
  EXPECT_EQ(shownValue(c->book, "GAUGE 2", "B2"), "~HEADER DATA - GAUGE (2)");
  EXPECT_EQ(rowValues(c->book, "GAUGE 1", 3), (V{"5", "~HEADER DATA - GAUGE (1)", "GRNG.KPAA", "40000", "", "",
                                                  "Maximum Recorder Range"}));
  // The placeholder (n) is not read raw; the canonical line makes it gauge 0.
  EXPECT_EQ(rowValues(c->book, "GAUGE 0", 2),
            (V{"7", "~DATA TABLE - GAUGE (0)", "TCUM.HR", "x", "", "", "Cumulative Time"}));
  EXPECT_EQ(styleAt(c->book, "GAUGE 0", "C2").fill, kColumnFill);
  EXPECT_EQ(errorsOf(*c), "~HEADER DATA - GAUGE,GSER.,C9,,\n");
}

TEST(SurveyGauges, NumberedRowsWithOrWithoutTheBlank) {
  for (std::string_view header : {kGrd, kSg}) {
    auto c = convertText(std::string(header) +
                         "~DTG(3),2009 05 06 1230:00,812.5,\n"
                         "~DTG (3),2009 05 06 1231:00,813.0,\n"
                         "~DTG (003),,814,\n"
                         "~DTG  (3),two blanks,\n"
                         "~DTGX (3),a,\n"
                         "~DTG,\n");
    EXPECT_EQ(shownValue(c->book, "GAUGE 3", "B2"), "~DTG (3)") << header;
    EXPECT_EQ(shownValue(c->book, "GAUGE 3", "B3"), "~DTG (3)");
    EXPECT_EQ(rowValues(c->book, "GAUGE 3", 4), (V{"5", "~DTG (3)", "", "814"}));
    // Two blanks are not read raw; the canonical line has one.
    EXPECT_EQ(rowValues(c->book, "GAUGE 3", 5), (V{"6", "~DTG (3)", "two blanks"}));
    EXPECT_EQ(errorsOf(*c), "~DTGX (3),a,\n~DTG,\n");
  }
}

TEST(SurveyGauges, OnlyTheGradientReaderReadsTheGaugeTimeAsADate) {
  const std::string rows = "~DTG (1),2009 05 06 1230:00,812.5,\n~DTG (1),2009 13 06 1230:00,812.5,\n";
  auto grd = convertText(std::string(kGrd) + rows);
  auto sg = convertText(std::string(kSg) + rows);
  auto grdTime = testing::cellAt(grd->book, "GAUGE 1", "C2");
  ASSERT_TRUE(grdTime);
  EXPECT_EQ(grdTime->kind, sheet::CellKind::kNumber);
  EXPECT_NEAR(grdTime->number, 39939.520833, 1e-6);
  EXPECT_EQ(grd->book.numberFormat(styleAt(grd->book, "GAUGE 1", "C2").numberFormat), "yyyy mm dd hhmm:ss");
  EXPECT_NE(grd->book.numberFormat(styleAt(grd->book, "GAUGE 1", "D2").numberFormat), "yyyy mm dd hhmm:ss");
  EXPECT_EQ(shownValue(sg->book, "GAUGE 1", "C2"), "2009 05 06 1230:00");
  EXPECT_EQ(testing::cellAt(sg->book, "GAUGE 1", "C2")->kind, sheet::CellKind::kText);
  EXPECT_EQ(shownValue(grd->book, "GAUGE 1", "C3"), "2009 13 06 1230:00");  // month 13 is no date
}

TEST(SurveyGauges, UntaggedRowsJoinTheGaugeOfTheNextRow) {
  for (std::string_view header : {kGrd, kSg}) {
    auto c = convertText(std::string(header) +
                         "~DTG,0.25,8100,\n"       // 3
                         "~DTG (2),0.5,8110,\n"    // 4
                         "~DTG,a,\n"               // 5: the next is untagged too
                         "~DTG,b,\n"               // 6
                         "~DTG(4),c,\n"            // 7
                         "~DTG,d,\n"               // 8: a comment follows
                         "# gauge 4 ends\n"        // 9
                         "~DTG,e,\n"               // 10: a line of another section follows
                         "~DTSUM,1,2,\n"           // 11
                         "~DTG,f,\n"               // 12: a blank line follows
                         "\n"                      // 13
                         "~DTG (2),g,\n"           // 14
                         "~DTG,last,\n");          // 15: the end of the file
    EXPECT_EQ(rowValues(c->book, "GAUGE 2", 2), (V{"3", "~DTG (2)", "0.25", "8100"})) << header;
    EXPECT_EQ(rowValues(c->book, "GAUGE 2", 3), (V{"4", "~DTG (2)", "0.5", "8110"}));
    EXPECT_TRUE(styleAt(c->book, "GAUGE 2", "C2").bold);
    EXPECT_FALSE(styleAt(c->book, "GAUGE 2", "C3").bold);  // the same table goes on
    EXPECT_EQ(rowValues(c->book, "GAUGE 4", 2), (V{"6", "~DTG (4)", "b"}));
    EXPECT_EQ(rowValues(c->book, "GAUGE 4", 3), (V{"7", "~DTG (4)", "c"}));
    EXPECT_EQ(shownValue(c->book, "GRADIENT SUMMARY", "A2"), "11");
    EXPECT_EQ(rowValues(c->book, "GAUGE 2", 4), (V{"14", "~DTG (2)", "g"}));
    EXPECT_EQ(errorsOf(*c), "~DTG,a,\n~DTG,d,\n~DTG,e,\n~DTG,f,\n~DTG,last,\n");
    // Every line is read once: the peeked ones are not lost nor counted twice.
    EXPECT_EQ(shownValue(c->book, "TEST INFORMATION", "D2"), "15 lines scanned and converted (5 Errors detected)");
  }
}

// Only the leading tag takes the gauge number: a field ending in "~DTG" is data.
TEST(SurveyGauges, AnUntaggedRowKeepsItsFieldsAsWritten) {
  auto c = convertText(std::string(kSg) + "~DTG,1.5,moved from ~DTG,x,\n~DTG (1),2.5,,y,\n~DTG,\n~DTG (1),3,\n");
  EXPECT_EQ(rowValues(c->book, "GAUGE 1", 2), (V{"3", "~DTG (1)", "1.5", "moved from ~DTG", "x"}));
  EXPECT_EQ(rowValues(c->book, "GAUGE 1", 3), (V{"4", "~DTG (1)", "2.5", "", "y"}));
  EXPECT_EQ(rowValues(c->book, "GAUGE 1", 4), (V{"5", "~DTG (1)"}));  // a row of no values
  EXPECT_EQ(errorsOf(*c), "");
}

TEST(SurveyDataBlocks, PlainBlocksAndTheirDateColumns) {
  auto aws = convertText(std::string(kAws) +
                         "~DATA TABLE - ACOUSTIC,TCUM.HR,,Time,\n"
                         "~DTAC,2009 05 06 1230:00,612.4,,OPEN,\n"
                         "~DTAC,24.0,598.1,\n"
                         "~DTACX,1,\n");
  EXPECT_EQ(rowValues(aws->book, "ACOUSTIC", 3), (V{"4", "~DTAC", "2009 05 06 1230:00", "612.4", "", "OPEN"}));
  EXPECT_EQ(testing::cellAt(aws->book, "ACOUSTIC", "C3")->kind, sheet::CellKind::kText);
  EXPECT_TRUE(styleAt(aws->book, "ACOUSTIC", "C3").bold);  // the first row after the definitions
  EXPECT_FALSE(styleAt(aws->book, "ACOUSTIC", "C4").bold);
  EXPECT_EQ(errorsOf(*aws), "~DTACX,1,\n");

  auto grd = convertText(std::string(kGrd) +
                         "~DTAWS,2009 05 06 1230:00,612.4,\n"
                         "~DTAWS,not yet,598.1,\n"
                         "~DTSUM,2009 05 06 1230:00,1850.2,\n");
  EXPECT_EQ(testing::cellAt(grd->book, "ACOUSTIC", "C2")->kind, sheet::CellKind::kNumber);
  EXPECT_EQ(rowValues(grd->book, "ACOUSTIC", 3), (V{"4", "~DTAWS", "not yet", "598.1"}));
  EXPECT_EQ(rowValues(grd->book, "GRADIENT SUMMARY", 2), (V{"5", "~DTSUM", "2009 05 06 1230:00", "1850.2"}));
  EXPECT_EQ(testing::cellAt(grd->book, "GRADIENT SUMMARY", "C2")->kind, sheet::CellKind::kText);

  auto sg = convertText(std::string(kSg) + "~DTSUM,12.5,1850.2,9.81,\n");
  EXPECT_EQ(rowValues(sg->book, "GRADIENT SUMMARY", 2), (V{"3", "~DTSUM", "12.5", "1850.2", "9.81"}));
  EXPECT_TRUE(styleAt(sg->book, "GRADIENT SUMMARY", "C2").bold);
}

// The analysis tables are tested with their sections; here, that the acoustic reader routes
// all four of them, and the interpretation number reaches the section text.
TEST(SurveyAnalysis, TheAcousticReaderReadsTheAnalysisSections) {
  auto c = convertText(std::string(kAws) +
                       "~ANALYSIS - GENERAL INFORMATION,ANCO.,Tarnwell Surveys,,\n"
                       "~ANALYSIS - INPUT PARAMETERS,PAY.M,6.5,,\n"
                       "~ANALYSIS - FLUID PROPERTIES,RDOIL.M3/M3,0.84,,\n"
                       "~ANALYSIS - INTERPRETATION (02),SKIN.,-1.2,,\n"
                       "~ANALYSIS - INTERPRETATION,SKIN.,3,,\n");
  EXPECT_EQ(rowValues(c->book, "ANALYSIS", 2), (V{"3", "~ANALYSIS - GENERAL INFORMATION", "ANCO.",
                                                  "Tarnwell Surveys", "", "", "Company conducting analysis"}));
  EXPECT_EQ(rowValues(c->book, "ANALYSIS", 3),
            (V{"4", "~ANALYSIS - INPUT PARAMETERS", "PAY.M", "6.5", "", "", "Vertical height of formation"}));
  EXPECT_EQ(rowValues(c->book, "ANALYSIS", 4),
            (V{"5", "~ANALYSIS - FLUID PROPERTIES", "RDOIL.", "0.84", "", "", "Oil relative density"}));
  EXPECT_EQ(rowValues(c->book, "ANALYSIS", 5),
            (V{"6", "~ANALYSIS - INTERPRETATION (2)", "SKIN.", "-1.2", "", "", "Calculated skin factor"}));
  EXPECT_EQ(errorsOf(*c), "~ANALYSIS - INTERPRETATION,SKIN.,3,,\n");
}

struct Example {
  std::string_view file, type, longName;
  int32_t errors;
};


TEST(SurveyExamples, ConvertWithTheirIntendedErrorsOnly) {
  for (const Example& e : {Example{"acoustic-well-sounder.pas", "AWS", "Acoustic Well Sounder", 1},
                           Example{"gradient.pas", "GRD", "Gradient", 1},
                           Example{"static-gradient.pas", "SG", "Static Gradient", 1}}) {
    std::string text = readFile(testing::sourcePath("examples/" + std::string(e.file)));
    ASSERT_FALSE(text.empty()) << e.file;
    auto c = convertText(text);
    EXPECT_EQ(c->converter.errorCount(), e.errors) << e.file << "\n" << errorsOf(*c);
    EXPECT_EQ(c->converter.typeText(), e.type);
    EXPECT_EQ(pas::typeLongName(c->converter.typeText()), e.longName);
  }
}

}  // namespace
}  // namespace tnw::readers
