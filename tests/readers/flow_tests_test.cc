// The absolute open flow and transient flow test readers, through the converter.
#include "readers/flow_tests.h"

#include <gtest/gtest.h>

#include <fstream>
#include <span>
#include <sstream>

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

constexpr std::string_view kAof = "~VERSION,TYPE.,AOF,,\n~VERSION,VERS.,3.0,,\n";
constexpr std::string_view kTrg = "~VERSION,TYPE.,TRG,,\n~VERSION,VERS.,3.0,,\n";
constexpr sheet::Colour kColumnFill = 0xEAD5D5;



struct Expected {
  std::string_view mnemonic, description;
};

// Typed out from the well-test vocabulary on purpose: these are the texts a user sees.
const Expected kAofResults[] = {
    {"LIT.", "LIT Analysis Indicator"},
    {"QGST.E3M3/D", "Stabilized Rate"},
    {"PFSF.KPAA", "Stabalized Flowing Sandface Pressure"},
    {"PFWH.KPAA", "Stabalized Flowing Wellhead Pressure"},
    {"PAVG.KPAA", "Average Reservoir Pressure at MPP"},
    {"PAVGC.", "Comment on Average Reservoir Pressure"},
    {"METHC.", "Sandface Pressure Comment"},
    {"AOFSF.E3M3/D", "Stabalized Sandface AOF"},
    {"NSF.", "Inverse Slope at Sandface"},
    {"WPRE.KPAA", "Static Wellhead Pressure"},
    {"AOFWH.E3M3/D", "Stabalized Wellhead AOF"},
    {"NWH.", "Inverse Slope at Wellhead"},
    {"AOFC.", "Comment"},
};

const Expected kAofIpr[] = {
    {"AOFTY.", "AOF Type"}, {"SGPTAU.", "Single-point Authorization"}, {"AIN.", "Inline AOF Indicator Flag"}};

const Expected kProductionColumns[] = {
    {"RTNUM.", "Rate No. (1) (2) ...(E)xtended."},
    {"FDUR.HR", "Flow Duration Hours"},
    {"QOIL.M3/D", "Oil Production Rate"},
    {"QGAS.E3M3/D", "Gas Production Rate"},
    {"QCON.M3/D", "Condensate Production Rate"},
    {"CONGR.M3/E-3M3", "Condensate to Gas Ratio"},
    {"GEQV.E3M3/D", "Gas Equivalent of Condensate"},
    {"QRGAS.E3M3/D", "Recombined Gas Production Rate"},
    {"QWTR.M3/D", "Water Production Rate"},
};

const Expected kPressureResults[] = {
    {"PRSTY.", "Pressure Test Type"},
    {"TISI.DAY/HR", "Time/Date Well Shut-In"},
    {"GSERU.", "Gauge Serial Number Used in Summary"},
    {"REPMPP.KPAA", "Representative Pressure at MPP"},
    {"PRCOR.KPA", "Pressure Correction"},
    {"LMP.KPAA", "Last Measured Pressure at Run Depth"},
    {"TRES.DEGC", "Reservoir Temperature"},
    {"ANCO.", "Company Conducting Analysis"},
    {"PEXTR.KPAA", "Representative Extrap/ False Pressure"},
    {"PAVG.KPAA", "Representative Avg Reservoir Pressure at the Well"},
    {"PWF.KPAA", "Sandface Flowing Pressure at Shut-In"},
    {"QRATE.M3/D", "Final Rate Prior to Shut-In"},
    {"QRATE.E3M3/D", "Final Rate Prior to Shut-In"},
    {"QRATE.M3/D or E3M3/D", "Final Rate Prior to Shut-In"},
    {"SKIN.", "Calculated Skin Factor"},
    {"KH.MDM", "Calculated Flow Capacity"},
    {"PRGC.", "Comment on Pressure"},
};

const Expected kGaugeHeader[] = {
    {"SURBTM.", "Gauge Location"},
    {"GSER.", "Gauge Serial Number"},
    {"GTYPMM.", "Gauge Type / Manufacturer / Model"},
    {"GTYP.", "Gauge Type"},
    {"GMAN.", "Gauge Manufacturer"},
    {"GRNG.KPAA", "Maximum Recorder Range"},
    {"GCAL.DAY", "Date of Last Calibration"},
    {"GRES.", "Resolution % of Full-Scale"},
    {"GACC.", "Accuracy % of Full-Scale"},
    {"RDGAL.M", "Gauge Run Depth (LOG from CF)"},
    {"GONB.DAY/HR/SS", "Date/Time Gauge on Bottom"},
    {"GOFB.DAY/HR/SS", "Date/Time Gauge Off Bottom"},
    {"GSTD.DAY/HR/SS", "Gauge Start Date"},
    {"GSPD.DAY/HR/SS", "Gauge Stop Date"},
    {"SDGA.M", "Run Depth"},
};

const Expected kGaugeColumns[] = {
    {"TIME.DAY/HR/SS", "Real Time"},     {"TCUM.HR", "Gauge Cumulative Time"},
    {"PRGA.KPAA", "Gauge Pressure KPAA"}, {"TGA.DEGC", "Gauge Temperature"},
    {"GCOM.", "General Comment"},        {"SDGA.M", "Gauge Depth KB (TVD)"},
};

const Expected kAcousticColumns[] = {
    {"TIME.DAY/HR/SS", "Real Time"},
    {"ETIME.HR", "Elapsed Time"},
    {"LLVL.M", "Liquid Level m CF (Log)"},
    {"LLVT.M", "Liquid Level m CF (TVD)"},
    {"PSUR.KPAA", "Surface Pressure"},
    {"GRGAS.KPA/M", "Gas Gradient (TVD)"},
    {"GROIL.KPA/M", "Oil Gradient  (TVD)"},
    {"GRWTR.KPA/M", "Water Gradient  (TVD)"},
    {"PMPPT.KPAA", "Calculated Pressure at MPP (TVD)"},
};

const Expected kInlineColumns[] = {
    {"PRGA.KPAA", "Gauge Pressure"},        {"ITIME.HR", "Incremental Hours"},
    {"QGAS.E3M3/D", "Gas Production Rate"}, {"QOIL.M3/D", "Oil Production Rate"},
    {"QWTR.M3/D", "Water Production Rate"}, {"GENC.", "General Comment"},
};

const Expected kTrgResults[] = {
    {"GSER.", "Gauge Serial Number"},
    {"SDGA.M", "Representative Stop Depth (TVD)"},
    {"GRSD.KPA/M", "Representative Pressure Gradient"},
    {"PRGA.KPAA", "Pressure at Stop Depth"},
    {"PRGC.", "Comment"},
    {"TRES.DEGC", "Reservoir Temperature"},
    {"LLV.M", "Liquid Level KB (TVD)"},
    {"PMPP.KPAA", "Representative Bottom Hole Pressure"},
};

const Expected kUndashedInputParameters[] = {
    {"SATW.FRAC", "Assumed Water Saturation"},
    {"SATG.FRAC", "Assumed Gas Saturation"},
    {"SATO.FRAC", "Assumed Oil Saturation"},
    {"HZFL.M", "Horizontal Well Length in Formation"},
    {"PORO.FRAC", "Assumed Porosity"},
    {"PAY.M", "Vertical Height of Formation"},
    {"RDOIL.", "Oil Relative Density"},
    {"RDGAS.", "Gas Relative Density"},
    {"RDWTR.", "Water Relative Density"},
    {"PBP.KPAA", "Oil Bubble Point Pressure"},
    {"BO.RM3/M3", "Oil Formation Volume Factor"},
    {"RS.M3/M3", "Oil Solution GOR"},
    {"PPLV.M", "Pumping Liquid Level mCF (TVD) at Time = Zero"},
    {"METHC.", "Method of Acoustic/Dead Weight Tester Extrapolation Comment"},
};

struct Section {
  std::string_view field;        // as the file writes it
  std::string_view sectionText;  // as the row shows it
  std::string_view sheet;
  sheet::Colour fill;
};

// One line per entry; each must give its row on the section's sheet, in order, with no error.
void expectCatalogue(std::string_view header, const Section& s, std::span<const Expected> entries) {
  std::string text(header);
  for (size_t i = 0; i < entries.size(); ++i)
    text += std::string(s.field) + "," + std::string(entries[i].mnemonic) + ",v" + std::to_string(i) + ",file,\n";
  auto c = convertText(text);
  for (size_t i = 0; i < entries.size(); ++i) {
    int32_t row = static_cast<int32_t>(i) + 2;
    EXPECT_EQ(rowValues(c->book, s.sheet, row),
              (V{std::to_string(i + 3), std::string(s.sectionText), std::string(entries[i].mnemonic),
                 "v" + std::to_string(i), "", "", std::string(entries[i].description)}))
        << s.field << " " << entries[i].mnemonic;
    EXPECT_EQ(styleAt(c->book, s.sheet, "C" + std::to_string(row)).fill, s.fill) << entries[i].mnemonic;
  }
  EXPECT_EQ(c->converter.errorCount(), 0) << s.field;
}

TEST(AbsoluteOpenFlow, EveryCatalogueEntry) {
  expectCatalogue(kAof, {"~RESULTS - SUMMARY", "~RESULTS - SUMMARY", "RESULTS SUMMARY", sheet::kNoColour},
                  kAofResults);
}

TEST(TransientFlowTest, EveryCatalogueEntry) {
  constexpr sheet::Colour none = sheet::kNoColour;
  expectCatalogue(kTrg, {"~AOF / IPR RESULTS SUMMARY", "~AOF / IPR RESULTS SUMMARY", "AOF IPR SUMMARY", none},
                  kAofIpr);
  expectCatalogue(kTrg,
                  {"~DATA TABLE - PRODUCTION SUMMARY", "~DATA TABLE - PRODUCTION SUMMARY", "PRODUCTION SUMMARY",
                   kColumnFill},
                  kProductionColumns);
  expectCatalogue(kTrg, {"~PRESSURE RESULTS - SUMMARY", "~PRESSURE RESULTS - SUMMARY", "PRESSURE RESULTS", none},
                  kPressureResults);
  expectCatalogue(kTrg, {"~HEADER DATA - GAUGE (3)", "~HEADER DATA - GAUGE (3)", "GAUGE 3", none}, kGaugeHeader);
  expectCatalogue(kTrg, {"~DATA TABLE - GAUGE (03)", "~DATA TABLE - GAUGE (3)", "GAUGE 3", kColumnFill},
                  kGaugeColumns);
  expectCatalogue(kTrg, {"~DATA TABLE ACOUSTIC", "~DATA TABLE ACOUSTIC", "ACOUSTIC", kColumnFill},
                  kAcousticColumns);
  expectCatalogue(kTrg,
                  {"~DATA TABLE - INLINE RATE AND PRESSURE SUMMARY", "~DATA TABLE - INLINE RATE AND PRESSURE SUMMARY",
                   "INLINE RATE & PRESSURE", kColumnFill},
                  kInlineColumns);
  expectCatalogue(kTrg, {"~RESULTS - SUMMARY", "~RESULTS - SUMMARY", "RESULTS SUMMARY", none}, kTrgResults);
  expectCatalogue(kTrg, {"~ANALYSIS INPUT PARAMETERS", "~ANALYSIS INPUT PARAMETERS", "ANALYSIS", none},
                  kUndashedInputParameters);
}

TEST(DeliverabilityReaders, EachReaderHasItsOwnResultsSummary) {
  std::string lines = "~RESULTS - SUMMARY,QGST.E3M3/D,55.2,Rate,\n~RESULTS - SUMMARY,PMPP.KPAA,9100,x,\n";
  auto aof = convertText(std::string(kAof) + lines);
  EXPECT_EQ(rowValues(aof->book, "RESULTS SUMMARY", 2),
            (V{"3", "~RESULTS - SUMMARY", "QGST.E3M3/D", "55.2", "", "", "Stabilized Rate"}));
  EXPECT_EQ(aof->converter.errorCount(), 1);
  auto trg = convertText(std::string(kTrg) + lines);
  EXPECT_EQ(rowValues(trg->book, "RESULTS SUMMARY", 2),
            (V{"4", "~RESULTS - SUMMARY", "PMPP.KPAA", "9100", "", "", "Representative Bottom Hole Pressure"}));
  EXPECT_EQ(trg->converter.errorCount(), 1);
  // The absolute open flow reader knows nothing else.
  auto other = convertText(std::string(kAof) + "~AOF / IPR RESULTS SUMMARY,AOFTY.,1,,\n~DTSUM,1,\n");
  EXPECT_EQ(other->converter.errorCount(), 2);
}

TEST(TransientFlowTest, TheLowerCaseOrIsMatchedOnlyAsWritten) {
  auto c = convertText(std::string(kTrg) +
                       "~PRESSURE RESULTS - SUMMARY,QRATE.M3/D,12,x,\n"
                       "~PRESSURE RESULTS - SUMMARY,QRATE.M3/D or E3M3/D,13,x,\n"
                       "~PRESSURE RESULTS - SUMMARY,QRATE.M3/D OR E3M3/D,14,x,\n"
                       "~PRESSURE RESULTS - SUMMARY,qrate.m3/d or e3m3/d,15,x,\n"
                       "~PRESSURE RESULTS - SUMMARY,qrate.e3m3/d,16,x,\n");
  EXPECT_EQ(shownValue(c->book, "PRESSURE RESULTS", "C2"), "QRATE.M3/D");
  EXPECT_EQ(shownValue(c->book, "PRESSURE RESULTS", "C3"), "QRATE.M3/D or E3M3/D");
  EXPECT_EQ(shownValue(c->book, "PRESSURE RESULTS", "D3"), "13");
  // Upper-cased, by the file or by the canonical retry, it is none of the three.
  EXPECT_EQ(rowValues(c->book, "PRESSURE RESULTS", 4), (V{"7", "~PRESSURE RESULTS - SUMMARY", "QRATE.E3M3/D", "16",
                                                          "", "", "Final Rate Prior to Shut-In"}));
  EXPECT_EQ(c->converter.errorCount(), 2);
}

TEST(TransientFlowTest, GaugeSections) {
  auto c = convertText(std::string(kTrg) +
                       "~DATA TABLE - GAUGE (2),TCUM.HR,5,x,\n"
                       "~DATA TABLE - GAUGES (2),TCUM.HR,5,x,\n"
                       "~DATA TABLE - GAUGE,TCUM.HR,5,x,\n"
                       "~HEADER DATA - GAUGE (2),GSER.,A77,x,\n"
                       "~HEADER DATA - GAUGE,GSER.,A77,x,\n"
                       "~DTG (2),2009 05 06 1230:00,5,8123.4,\n"
                       "~DTG(2),2009 05 06 1300:00,5.5,8124.0,\n"
                       "~DTG,2009 05 06 1330:00,6,\n");
  EXPECT_EQ(rowValues(c->book, "GAUGE 2", 2),
            (V{"3", "~DATA TABLE - GAUGE (2)", "TCUM.HR", "5", "", "", "Gauge Cumulative Time"}));
  EXPECT_EQ(styleAt(c->book, "GAUGE 2", "C2").fill, kColumnFill);
  EXPECT_EQ(shownValue(c->book, "GAUGE 2", "B3"), "~HEADER DATA - GAUGE (2)");
  EXPECT_EQ(styleAt(c->book, "GAUGE 2", "C3").fill, sheet::kNoColour);
  EXPECT_EQ(shownValue(c->book, "GAUGE 2", "B4"), "~DTG (2)");
  EXPECT_EQ(cellAt(c->book, "GAUGE 2", "C4")->kind, sheet::CellKind::kNumber);  // a date
  EXPECT_NEAR(cellAt(c->book, "GAUGE 2", "C4")->number, 39939.520833, 1e-6);
  EXPECT_EQ(shownValue(c->book, "GAUGE 2", "E4"), "8123.4");
  // Without the blank the row is read in its canonical form, which has it.
  EXPECT_EQ(rowValues(c->book, "GAUGE 2", 5)[0], "9");
  EXPECT_EQ(shownValue(c->book, "GAUGE 2", "B5"), "~DTG (2)");
  // GAUGES, the numberless forms and the untagged row are declined.
  EXPECT_EQ(c->converter.errorCount(), 4);
}

TEST(TransientFlowTest, OtherDataBlocks) {
  auto c = convertText(std::string(kTrg) +
                       "~DTSUM,2009 05 06 1230:00,1,24,\n"
                       "~DTAC,2009 05 06 1230:00,150,\n"
                       "~DTINRPR,2009 05 06 1230:00,100,,\n"
                       "~DTINRPR,12.5,100,,\n"
                       "~DTACX,1,\n");
  EXPECT_EQ(shownValue(c->book, "PRODUCTION SUMMARY", "B2"), "~DTSUM");
  EXPECT_EQ(cellAt(c->book, "PRODUCTION SUMMARY", "C2")->kind, sheet::CellKind::kNumber);
  EXPECT_EQ(rowValues(c->book, "PRODUCTION SUMMARY", 2).size(), 5u);
  EXPECT_EQ(shownValue(c->book, "ACOUSTIC", "B2"), "~DTAC");
  EXPECT_EQ(cellAt(c->book, "ACOUSTIC", "C2")->kind, sheet::CellKind::kNumber);
  // The inline rates keep every field as text, a time stamp too.
  EXPECT_EQ(cellAt(c->book, "INLINE RATE & PRESSURE", "C2")->kind, sheet::CellKind::kText);
  EXPECT_EQ(shownValue(c->book, "INLINE RATE & PRESSURE", "C2"), "2009 05 06 1230:00");
  EXPECT_EQ(rowValues(c->book, "INLINE RATE & PRESSURE", 3), (V{"6", "~DTINRPR", "12.5", "100"}));
  EXPECT_EQ(c->converter.errorCount(), 1);
}

TEST(TransientFlowTest, TheTwoInputParameterSectionsKeepTheirOwnVocabularies) {
  auto c = convertText(std::string(kTrg) +
                       "~ANALYSIS INPUT PARAMETERS,SATW.FRAC,0.2,x,\n"
                       "~ANALYSIS - INPUT PARAMETERS,SATW.FRACTION,0.3,x,\n"
                       "~ANALYSIS - INPUT PARAMETERS,SATW.FRAC,0.4,x,\n"
                       "~ANALYSIS INPUT PARAMETERS,SATW.FRACTION,0.5,x,\n");
  EXPECT_EQ(rowValues(c->book, "ANALYSIS", 2),
            (V{"3", "~ANALYSIS INPUT PARAMETERS", "SATW.FRAC", "0.2", "", "", "Assumed Water Saturation"}));
  EXPECT_EQ(rowValues(c->book, "ANALYSIS", 3),
            (V{"4", "~ANALYSIS - INPUT PARAMETERS", "SATW.FRACTION", "0.3", "", "", "Assumed water saturation"}));
  EXPECT_EQ(c->converter.errorCount(), 2);
}

TEST(DeliverabilityExamples, ConvertWithTheirIntendedErrorsOnly) {
  auto aof = convertText(readExample("absolute-open-flow.pas"));
  EXPECT_EQ(errorsOf(*aof), "~RESULTS - SUMMARY,GSER.,A5-1182,Gauge Serial Number,\n");
  auto trg = convertText(readExample("transient-flow-test.pas"));
  EXPECT_EQ(errorsOf(*trg),
            "~PRESSURE RESULTS - SUMMARY,QRATE.M3/D OR E3M3/D,86.2,Final Rate,\n"
            "~RESULTS - SUMMARY,QGST.E3M3/D,55.2,Stabilized Rate,\n"
            "~ANALYSIS - INTERPRETATION HEADER (1),ANUM.,1,Analysis number,\n");
  EXPECT_EQ(testing::sheetNames(trg->book),
            (V{"TEST INFORMATION", "AOF IPR SUMMARY", "PRODUCTION SUMMARY", "PRESSURE RESULTS", "GAUGE 1",
               "INLINE RATE & PRESSURE", "ACOUSTIC", "RESULTS SUMMARY", "ANALYSIS"}));
}

}  // namespace
}  // namespace tnw::readers
