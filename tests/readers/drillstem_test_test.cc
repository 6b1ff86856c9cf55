#include <gtest/gtest.h>

#include <span>

#include "readers/test_type_reader.h"
#include "test_support.h"

namespace tnw::readers {
namespace {

using testing::errorsOf;

using testing::convertText;
using testing::rowValues;
using testing::shownValue;
using testing::styleAt;
using V = std::vector<std::string>;

constexpr sheet::Colour kBlueGrey = 0xEAD5D5;

std::string header(std::string_view version) {
  return "~VERSION,TYPE.,DST,,\n~VERSION,VERS.," + std::string(version) + ",,\n";
}


// Mnemonic as the file writes it, the label the row must show (empty: the mnemonic), and the
// description, all typed from the drillstem catalogue.
struct Expected {
  std::string_view mnemonic, description, label = {};
};

struct Section {
  std::string_view name;     // as written in the file, "(3)" included for numbered sections
  std::string_view written;  // the section text of the rows; empty: the name
  std::string_view sheet;
  sheet::Colour fill;
  std::vector<Expected> entries;
  size_t declinedFrom = SIZE_MAX;  // entries from here on are not known in this version
};

const std::vector<Expected> kFlowSummary = {
    {"STGE.", "Stage Number"}, {"FSTGC.", "Stage Description"}, {"PRGA.KPAA", "Gauge Pressure"},
    {"TSTD.MIN", "Stage Duration"}};

const std::vector<Expected> kClosedChamberTable = {
    {"TIME.DAY/HR/SS", "Real Time"}, {"SDPT.KPAA/MIN", "Surface Dp/Dt"}, {"PSUR.KPAA", "Surface Pressure"},
    {"RDPT.KPAA/MIN", "Recovery Dp/Dt"}, {"PRCV.KPAA", "Recovery Pressure"}, {"QCCLIQ.M3/D", "Calc Liquid Rate"},
    {"QCCGAS.E3M3/D", "Calc Gas Rate"}, {"STGE.", "Stage Number"}, {"TCSF.MIN", "Cumulative Stage Flow Time"},
    {"QLIQ.M3/D", "Liquid Rate"}, {"QGAS.E3M3/D", "Gas Rate"}};

// The sections every version knows.
const std::vector<Section>& commonSections() {
  static const std::vector<Section> s = {
      {"~TEST SUMMARY DATA", "", "SUMMARY", sheet::kNoColour,
       {{"GSERU.", "Gauge Serial Number Used in Summary"}, {"GSER.", "Gauge Serial Number"},
        {"SDGAL.M", "Representative Gauge Depth M (Log)"}, {"SDGAT.M", "Representative Gauge Depth M (TVD)"},
        {"PRGA.KPAA", "Pressure at Gauge Depth"}, {"PEXTR.KPAA", "Representative Extrap/ False Pressure"},
        {"PRFFG.KPAA", "Final Flowing Pressure at Gauge Depth"}, {"STGR.KPA/M", "Representative Pressure Gradient"},
        {"GRSD.KPA/M", "Representative Pressure Gradient"}, {"TRES.DEGC", "Reservoir Temperature"},
        {"QGMX.E3M3/D", "Maximum Gas Flow Rate"}, {"QOMX.M3/D", "Maximum Oil Flow Rate"},
        {"QWMX.M3/D", "Maximum Water Flow Rate"}, {"TFGS.MIN", "Time For Final Gas Flow to Surface"},
        {"TFOS.MIN", "Time For Final Oil Flow to Surface"}, {"TFWS.MIN", "Time For Final Water Flow to Surface"},
        {"GENC.", "Comment - General"}, {"RSLTC.", "Test result quality comment"},
        {"BSW.FRACTION", "BSW fraction"}, {"VCON.M3", "Amount of condensate produced"},
        {"H2S.FRACTION", "H2S content"}, {"SDGA.M", "Representative stop depth"},
        {"VGAS.E3M3", "Gas flowed during test"}, {"VOIL.M3", "Oil produced during test"},
        {"SGO.", "Oil produced during test", "SGO"}, {"VWTR.M3", "Water produced during test"},
        {"WCF.FRACTION", "Final water cut"}, {"DOIL.KG/M3", "Oil dendity"}}},
      {"~FIRST FLOW RATES - DST", "", "SUMMARY", sheet::kNoColour,
       {{"TSPF.DAY/HR", "Preflow start time"}, {"TDPF.MIN", "Preflow duration"},
        {"QGPF.E3M3/D", "Preflow gas flow rate"}, {"QOPF.M3/D", "Preflow oil flow rate"},
        {"QWPF.M3/D", "Preflow water flow rate"}, {"TPGS.MIN", "Preflow time for gas to surface"},
        {"TPOS.MIN", "Preflow time for oil to surface"}, {"TPWS.MIN", "Preflow time for water to surface"}}},
      {"~SECOND FLOW RATES - DST", "", "SUMMARY", sheet::kNoColour,
       {{"TS2F.DAY/HR", "Second flow start time"}, {"TD2F.MIN", "Second flow duration"},
        {"QG2F.E3M3/D", "Second flow gas flow rate"}, {"QO2F.M3/D", "Second flow oil flow rate"},
        {"QW2F.M3/D", "Second flow water flow rate"}, {"TIGS.MIN", "Second flow time for gas to surface"},
        {"TIOS.MIN", "Second flow time for oil to surface"}, {"TIWS.MIN", "Second flow time for water to surface"}}},
      {"~FINAL FLOW RATES - DST", "", "SUMMARY", sheet::kNoColour,
       {{"TSFF.DAY/HR", "Final flow start time"}, {"TDFF.MIN", "Final flow duration"},
        {"QGFF.E3M3/D", "Final flow gas flow rate"}, {"QOFF.M3/D", "Final flow oil flow rate"},
        {"QWFF.M3/D", "Final flow water flow rate"}, {"TFGS.MIN", "Final flow time for gas to surface"},
        {"TFOS.MIN", "Final flow time for oil to surface"}, {"TFWS.MIN", "Final flow time for water to surface"},
        {"QGMX.E3M3/D", "Maximum Gas Flow Rate"}, {"QOMX.M3/D", "Maximum Oil Flow Rate"},
        {"QWMX.M3/D", "Maximum Water Flow Rate"}}},
      {"~MUD AND CUSHION", "", "RECOVERIES", sheet::kNoColour,
       {{"MUTP.", "Mud/Drilling Fluid Type"}, {"MUWT.KG/M3", "Mud Weight"}, {"CUTP.", "Cushion Type Code"},
        {"CUGP.KPAA", "Cushion Gas Pressure"}, {"CUIL.M", "Initial Cushion Length"},
        {"LCGR.KPA/M", "Liquid Cushion Gradient"}}},
      {"~DRILL MUD AND RECOVERIES", "", "RECOVERIES", sheet::kNoColour,
       {{"MUTP.", "Mud Type"}, {"MURS.OHM", "Mud resistivity"}, {"MUSL.PPM", "Mud salinity"},
        {"MUWT.KG/M3", "Mud weight"}, {"MTST.", "Multiple test recovery indicator", "MTST"}}},
      {"~CUSHION", "", "RECOVERIES", sheet::kNoColour,
       {{"CUIS.", "Cushion used"}, {"CUTP.", "Cushion type"}, {"CUTC.", "Cushion fluid type comment"},
        {"CUGP.KPAA", "Cushion gas pressure"}, {"CUVL.M3", "Cushion volume"}, {"CUIV.M3", "Cushion inhibitor volume"},
        {"CULN.M", "Cushion linear length"}, {"CUIL.M", "Initial cushion length"},
        {"LCGR.KPA/M", "Liquid cushion gradient"}, {"VNCM.M3", "Net chamber volume"}}},
      {"~RECOVERIES - DST", "", "RECOVERIES", sheet::kNoColour,
       {{"MTST.", "Multiple Test Recovery Indicator"}, {"RPXX.", "Recovery Volume Type Indicator"},
        {"RPXX.M OR M3", "Recovery Volume Type Indicator"}}},
      {"~DATA TABLE - RECOVERIES", "", "RECOVERIES", kBlueGrey,
       {{"RXXA.M", "Recovery Amount (m or m3)"}, {"RXXA.M3", "Recovery Amount (m or m3)"},
        {"RXXA.M OR M3", "Recovery Amount (m or m3)", "RXXA.M or M3"}, {"RXXC.", "Recovery Type Code"},
        {"RXXD.", "Recoveries Description"}, {"RXX2.M OR M3", "Recovery Amount", "RXX2.M OR M3."}}},
      {"~DRILL STRING DESCRIPTION", "", "RECOVERIES", sheet::kNoColour,
       {{"DRCL.M", "Drill Collar Length"}, {"DCID.MM", "Drill Collar ID"}, {"DCCP.M3/M", "Drill Collar Capacity"},
        {"DCVL.M3", "Drill Collar Volume"}, {"LDPL.M", "Lower Drill Pipe Length"}, {"LDID.MM", "Lower Drill Pipe ID"},
        {"LDPC.M3/M", "Lower Drill Pipe Capacity"}, {"LDPV.M3", "Lower Drill Pipe Volume"},
        {"UDPL.M", "Upper Drill Pipe Length"}, {"UDID.MM", "Upper Drill Pipe ID"},
        {"UDPC.M3/M", "Upper Drill Pipe Capacity"}, {"UDPV.M3", "Upper Drill Pipe Volume"}}},
      {"~FIRST RATES AND RECOVERIES", "", "RECOVERIES", sheet::kNoColour,
       {{"VPAN.E3M3", "Total Preflow Air/N2 Volume"}, {"LPAN.M", "Total Preflow Air/N2 Length"},
        {"PPAN.KPAA", "Total Preflow Air/N2 Pressure"}, {"VPR.M3", "Total Preflow Recovery Volume"},
        {"PASV.M3", "Total Preflow Shut-In Air/N2 Volume"}, {"PASL.M", "Total Preflow Shut-In Air/N2 Length"},
        {"PASP.KPAA", "Total Preflow Shut-In Air/N2 Pressure"}, {"PFSV.M3", "Total Preflow Shut-In Recovery Volume"}}},
      {"~SECOND FLOW RATES AND RECOVERIES", "", "RECOVERIES", sheet::kNoColour,
       {{"IARV.M3", "Total Initial Flow Air/N2 Volume"}, {"IARL.M3", "Total Initial Flow Air/N2 Length"},
        {"IARP.KPAA", "Total Initial Flow Air/N2 Pressure"}, {"IFVM.M3", "Total Initial Flow Recovery Volume"},
        {"IASV.M3", "Total Initial Shut-in Air/N2 Volume"}, {"IASL.M", "Total Initial Shut-in Air/N2 Length"},
        {"IASP.KPAA", "Total Initial Shut-in Air/N2 Pressure"}, {"IFSV.M3", "Total Initial Shut-in Recovery Volume"}}},
      {"~FINAL FLOW RATES AND RECOVERIES", "", "RECOVERIES", sheet::kNoColour,
       {{"FGDP.KPAA/MIN", "Final Gas Surface DT/DT"}, {"FGSW.M3/D", "Final Gas Saturated Water Rate"},
        {"FGWD.KPAA/MIN", "Final Gas Saturated Water Surface DP/DT"}, {"FLIR.M3/D", "Final Pure Liquid Influx Rate"},
        {"FLID.KPAA/MIN", "Final Liquid Influx Surface DP/DT"}, {"AVGR.E3M3/D", "Average Gas Flow Rate"},
        {"AVOR.M3/D", "Average Oil Flow Rate"}, {"AVWR.M3/D", "Average Water Flow Rate"},
        {"FARV.M3", "Total Final Flow Air/N2 Volume"}, {"FARL.M", "Total Final Flow Air/N2 Length"},
        {"FARP.KPAA", "Total Final Flow Air/N2 Pressure"}, {"FFVM.M3", "Total Final Flow Recovery Volume"},
        {"FASV.M3", "Total Final Shutin Air/N2 Volume"}, {"FASL.M", "Total Final Shutin Air/N2 Length"},
        {"FASP.KPAA", "Total Final Shutin Air/N2 Pressure"}, {"FFSV.M3", "Total Final Shutin Recovery Volume"}}},
      {"~ANALYSIS - GENERAL INFORMATION", "", "ANALYSIS", sheet::kNoColour,
       {{"ADAT.DAY", "Date Analysis completed"}, {"ANCO.", "Company conducting analysis"},
        {"ANAM.", "Analyst's name"}, {"PHASE.", "Dominant phase used in analysis"}, {"GENC.", "General comment"},
        {"PEXTR.KPAA", "Representative extrapolated/false pressure"}}},
      {"~ANALYSIS - INPUT PARAMETERS", "", "ANALYSIS", sheet::kNoColour,
       {{"SATW.FRACTION", "Assumed water saturation"}, {"SATG.FRACTION", "Assumed gas saturation"},
        {"SATO.FRACTION", "Assumed oil saturation"}, {"HZFL.M", "Horizontal well length in formation"},
        {"PAY.M", "Vertical height of formation"}, {"PORO.FRACTION", "Assumed porosity fraction"},
        {"RADW.MM", "Wellbore radius"}, {"GEOC.", "Geological comments"}}},
      {"~ANALYSIS - FLUID PROPERTIES", "", "ANALYSIS", sheet::kNoColour,
       {{"PPVT.KPAA", "PVT reference pressure"}, {"RDOIL.", "Oil relative density"},
        {"RDGAS.", "Gas relative density"}, {"RDWTR.", "Water relative density"},
        {"RDOIL.M3/M3", "Oil relative density", "RDOIL."}, {"RDGAS.M3/M3", "Gas relative density", "RDGAS."},
        {"RDWTR.M3/M3", "Water relative density", "RDWTR."}, {"CT.KPA-1", "Total compressibility"},
        {"CT.1/KPA", "Total compressibility"}, {"UOIL.MPAS", "Oil viscosity"}, {"UGAS.MPAS", "Gas viscosity"},
        {"Z.", "Gas deviation factor"}, {"BO.RM3/M3", "Oil formation volume factor"},
        {"PBP.KPAA", "Oil bubble point pressure"}, {"RS.M3/M3", "Oil Solution"}}},
      {"~ANALYSIS - INTERPRETATION HEADER (3)", "", "ANALYSIS", sheet::kNoColour,
       {{"ANUM.", "Analysis number"}, {"TFLO.MIN", "Time period before buildup"},
        {"PWF.KPAA", "Sandface flowing pressure at shutin"}, {"QOIL.M3/D", "Oil flow rate prior to shutin"},
        {"QWTR.M3/D", "Water flow rate prior to shutin"}, {"QGAS.E3M3/D", "Gas flow rate prior to shutin"},
        {"TEVN.MIN", "Duration of buildup"}, {"GSER.", "Gauge serial number"}, {"MODLC.", "Model used for analysis"},
        {"PHASC.", "Single/multi phase comment"}, {"KH.MD", "Calculated flow capacity"}, {"KHC.", "Comment on KH"},
        {"STORC.M3/KPA", "Wellbore storage constant"}, {"SKIN.", "Calculated skin factor"},
        {"SKINC.", "Comment on turbulence"}, {"LMP.KPAA", "Last measured pressure at MPP (TVD)"},
        {"LMPC.", "Source of Last measured pressure"},
        {"PEXTR.KPAA", "Extrapolated/false pressure at MPP (TVD)"}, {"HTIM.MIN", "Horner producing time"}}},
      // "(02)" is written as the plain number.
      {"~HEADER DATA - GAUGE (02)", "~HEADER DATA - GAUGE (2)", "GAUGE 2", sheet::kNoColour,
       {{"MSRNG.", "Gauge Misrun Indicator"}, {"MSRN.", "Gauge Misrun Indicator"}, {"GSER.", "Gauge Serial Number"},
        {"GTYP.", "Gauge Type"}, {"GMAN.", "Gauge Manufacturer"}, {"GRNG.KPAA", "Maximum Recorder Range"},
        {"GCAL.DAY", "Date of Last Calibration"}, {"GRES.", "Resolution % of Full-Scale"},
        {"GACC.", "Accuracy % of Full-Scale"}, {"SDGL.M", "Gauge Run Depth mKB (Log)"},
        {"SDGT.M", "Gauge Run Depth mKB (TVD)"}, {"SDGA.M", "Gauge Run Depth mKB (TVD)"},
        {"GPOS.", "Gauge Position Indictor"}}},
      {"~DATA TABLE - FLOWING SUMMARY - GAUGE (1)", "", "GAUGE 1", kBlueGrey,
       {{"TIME.DAY/HR/SS", "Real Time"}, {"STGE.", "Stage Number", "STGE"}, {"FSTGC.", "Stage Description"},
        {"PRGA.KPAA", "Gauge Pressure at End of Stage"}, {"TSTD.MIN", "Stage Duration Minutes"},
        {"PEXTR.KPAA", "Representative Extrap/ False Pressure"}, {"QGFF.E3M3/D", "Final Gas Flow Rate"},
        {"QOFF.M3/D", "Final Oil Flow Rate"}, {"QWFF.M3/D", "Final Water Flow Rate"}}},
      {"~DATA TABLE - GAUGE (1)", "", "GAUGE 1", kBlueGrey,
       {{"TIME.DAY/HR/SS", "Real Time"}, {"TCUM.MIN", "Cumulative Time"}, {"PRGA.KPAA", "Gauge Pressure KPAA"},
        {"TGA.DEGC", "Gauge Temperature"}, {"GCOM.", "General Comment"}}},
      {"~TEST DATA - CLOSED CHAMBER", "", "CLOSED CHAMBER", sheet::kNoColour,
       {{"SRCE.", "Source of this data"}, {"RSLTC.", "Test remark blow description"},
        {"TCHA.DEGC", "Average temperature"}, {"PCHSI.KPAA", "Initial chamber surface pressure"},
        {"PIGN.KPAA", "Initial total cushion pressure"}, {"PTCU.KPAA", "Initial total cushion pressure"},
        {"TPCK.MM", "Top choke size"}, {"CKSZ.MM", "Downhole choke size"},
        {"CKCO.M3/D/KPA", "Downhole choke coefficient"}, {"VCHT.M3", "Chamber volume"},
        {"IGCF.M3/D/KPA/MIN", "Initial gas conversion factor"},
        {"IGSF.M3/D/KPA/MIN", "Initial gas saturated H2O conversion factor"},
        {"LICF.M3/D/KPA/MIN", "Pure liquid influx conversion factor"}}},
      {"~FLOW SUMMARY DATA TABLE - CLOSED CHAMBER", "", "CLOSED CHAMBER", kBlueGrey, kFlowSummary},
  };
  return s;
}

// One conversion per section, one line per entry: every known entry writes its row with the
// catalogue's label and description (never the file's "file text"), the others are errors.
void expectSection(std::string_view version, const Section& s) {
  std::string text = header(version);
  for (const Expected& e : s.entries) text += std::string(s.name) + "," + std::string(e.mnemonic) + ",7,file text,\n";
  auto c = convertText(text);
  std::string expectedErrors;
  for (size_t i = 0; i < s.entries.size(); ++i) {
    const Expected& e = s.entries[i];
    std::string line = std::to_string(i + 3);
    if (i >= s.declinedFrom) {
      expectedErrors += std::string(s.name) + "," + std::string(e.mnemonic) + ",7,file text,\n";
      continue;
    }
    int32_t row = static_cast<int32_t>(i) + 2;
    std::string_view label = e.label.empty() ? e.mnemonic : e.label;
    std::string_view section = s.written.empty() ? s.name : s.written;
    EXPECT_EQ(rowValues(c->book, s.sheet, row),
              (V{line, std::string(section), std::string(label), "7", "", "", std::string(e.description)}))
        << s.name << " " << e.mnemonic << " version " << version;
    EXPECT_EQ(styleAt(c->book, s.sheet, "C" + std::to_string(row)).fill, s.fill) << s.name;
  }
  EXPECT_EQ(errorsOf(*c), expectedErrors) << s.name << " version " << version;
}

TEST(DrillstemCatalogue, EverySectionKnownToAllVersions) {
  for (std::string_view version : {"4.0", "3.0"})
    for (const Section& s : commonSections()) expectSection(version, s);
}

TEST(DrillstemCatalogue, SectionsThatDependOnTheVersion) {
  // Version 4 keeps the first seven columns of the closed chamber's table and no gauge flow summary.
  expectSection("4.0", {"~DATA TABLE - CLOSED CHAMBER", "", "CLOSED CHAMBER", kBlueGrey, kClosedChamberTable, 7});
  expectSection("3.0", {"~DATA TABLE - CLOSED CHAMBER", "", "CLOSED CHAMBER", kBlueGrey, kClosedChamberTable});
  const Section older{"~FLOW SUMMARY DATA TABLE - GAUGE (4)", "", "GAUGE 4", kBlueGrey, kFlowSummary};
  expectSection("3.0", older);
  Section v4 = older;
  v4.declinedFrom = 0;
  expectSection("4.0", v4);
}

TEST(DrillstemCatalogue, SectionsWithoutTheirNumberOrOutsideTheTableAreDeclined) {
  auto c = convertText(header("4.0") +
                       "~ANALYSIS - INTERPRETATION HEADER,SKIN.,2.5,Skin,\n"
                       "~HEADER DATA - GAUGE,GSER.,A5,x,\n"
                       "~CUSHION,CUGP.KPA,1500,x,\n"
                       "~TEST SUMMARY DATA,GSER.,1234\n"
                       "~TEST DATA - CLOSED CHAMBER,RTEMP.DEGC,21.5,x,\n");
  EXPECT_EQ(errorsOf(*c),
            "~ANALYSIS - INTERPRETATION HEADER,SKIN.,2.5,Skin,\n~HEADER DATA - GAUGE,GSER.,A5,x,\n"
            "~CUSHION,CUGP.KPA,1500,x,\n~TEST SUMMARY DATA,GSER.,1234\n~TEST DATA - CLOSED CHAMBER,RTEMP.DEGC,21.5,x,\n");
}

TEST(DrillstemCatalogue, OrMnemonicsAreFoundInTheirCanonicalForm) {
  auto c = convertText(header("4.0") +
                       "~RECOVERIES - DST,rpxx.m or m3,M3,x,\n"
                       "~DATA TABLE - RECOVERIES, rxxa.m  or  m3 ,12.5,x,\n"
                       "~DATA TABLE - RECOVERIES,Rxx2.M Or M3,3,x,\n"
                       "~RECOVERIES - DST,RPXX.M ORM3,M3,x,\n");
  EXPECT_EQ(rowValues(c->book, "RECOVERIES", 2),
            (V{"3", "~RECOVERIES - DST", "RPXX.M OR M3", "M3", "", "", "Recovery Volume Type Indicator"}));
  EXPECT_EQ(rowValues(c->book, "RECOVERIES", 3),
            (V{"4", "~DATA TABLE - RECOVERIES", "RXXA.M or M3", "12.5", "", "", "Recovery Amount (m or m3)"}));
  EXPECT_EQ(shownValue(c->book, "RECOVERIES", "C4"), "RXX2.M OR M3.");
  // Without its blanks "OR" is no separator: the mnemonic becomes RPXX.MORM3, which nothing knows.
  EXPECT_EQ(errorsOf(*c), "~RECOVERIES - DST,RPXX.M ORM3,M3,x,\n");
}

// Lines that tell the two sets of sections apart.
constexpr std::string_view kVersionProbe =
    "~DTG (1),2009 05 06 1230:00,812.5,\n"
    "~DTFG (1),2009 05 06 1300:00,stage,\n"
    "~DTCC,2009 05 06 1230:00,2009 05 06 1231:00,\n"
    "~DTFCC,1,shut-in,\n"
    "~DTG,2009 05 06 1232:00,813.2,\n"
    "~DTG (1),2009 05 06 1233:00,813.4,\n";

void expectVersion4(std::string_view version) {
  auto c = convertText(header(version) + std::string(kVersionProbe));
  auto kind = [&](const char* sheet, const char* cell) { return testing::cellAt(c->book, sheet, cell)->kind; };
  EXPECT_EQ(kind("GAUGE 1", "C2"), sheet::CellKind::kNumber) << version;
  EXPECT_NEAR(testing::cellAt(c->book, "GAUGE 1", "C2")->number, 39939.520833, 1e-6);
  EXPECT_EQ(c->book.numberFormat(styleAt(c->book, "GAUGE 1", "C2").numberFormat), "yyyy mm dd hhmm:ss");
  EXPECT_EQ(rowValues(c->book, "GAUGE 1", 2)[3], "812.5");
  EXPECT_EQ(kind("GAUGE 1", "C3"), sheet::CellKind::kNumber);
  EXPECT_EQ(kind("CLOSED CHAMBER", "C2"), sheet::CellKind::kNumber);
  EXPECT_EQ(kind("CLOSED CHAMBER", "D2"), sheet::CellKind::kText);
  EXPECT_EQ(shownValue(c->book, "GAUGE 1", "A4"), "8");
  EXPECT_EQ(errorsOf(*c), "~DTFCC,1,shut-in,\n~DTG,2009 05 06 1232:00,813.2,\n") << version;
}

void expectOlderVersion(std::string_view version) {
  auto c = convertText(header(version) + std::string(kVersionProbe));
  EXPECT_EQ(rowValues(c->book, "GAUGE 1", 2), (V{"3", "~DTG (1)", "2009 05 06 1230:00", "812.5"})) << version;
  EXPECT_EQ(testing::cellAt(c->book, "GAUGE 1", "C2")->kind, sheet::CellKind::kText);
  EXPECT_EQ(rowValues(c->book, "GAUGE 1", 3), (V{"4", "~DTFG (1)", "2009 05 06 1300:00", "stage"}));
  EXPECT_EQ(testing::cellAt(c->book, "CLOSED CHAMBER", "C2")->kind, sheet::CellKind::kText);
  EXPECT_EQ(testing::cellAt(c->book, "CLOSED CHAMBER", "D2")->kind, sheet::CellKind::kNumber);
  EXPECT_EQ(rowValues(c->book, "CLOSED CHAMBER", 3), (V{"6", "~DTFCC", "1", "shut-in"}));
  EXPECT_EQ(rowValues(c->book, "GAUGE 1", 4), (V{"7", "~DTG (1)", "2009 05 06 1232:00", "813.2"}));
  EXPECT_EQ(shownValue(c->book, "GAUGE 1", "A5"), "8");
  EXPECT_EQ(errorsOf(*c), "") << version;
}

TEST(DrillstemVersions, FourAndLaterAgainstOlderFiles) {
  expectVersion4("4");
  expectVersion4("4.0");
  expectVersion4("4.10");
  expectOlderVersion("3.9");
  expectOlderVersion("3.0");
  expectOlderVersion("abc");  // no number: version 0
}

TEST(DrillstemVersions, Version4NeedsTheBlankBeforeTheGaugeNumberInRawLines) {
  // Unmatched raw, ~DTG(1) gets its blank in the canonical line, whose fields stay as written.
  auto c = convertText(header("4.0") + "~DTG(1),2009 05 06 1230:00,a b,\n ~DTFG(2) ,2009 05 06 1230,x,\n");
  EXPECT_NEAR(testing::cellAt(c->book, "GAUGE 1", "C2")->number, 39939.520833, 1e-6);
  EXPECT_EQ(rowValues(c->book, "GAUGE 1", 2)[1], "~DTG (1)");
  EXPECT_EQ(rowValues(c->book, "GAUGE 1", 2)[3], "a b");
  EXPECT_EQ(rowValues(c->book, "GAUGE 2", 2)[1], "~DTFG (2)");
  EXPECT_EQ(errorsOf(*c), "");
}

TEST(DrillstemDataBlocks, OnlyTheReadersOwnTablesKeepTheirFields) {
  auto c = convertText(header("4.0"));
  const TestTypeReader* reader = c->converter.reader();
  ASSERT_NE(reader, nullptr);
  for (std::string_view s : {"~DTFG (1)", " ~DTCC\t", "~DTG", "~DTFCC", "~DTREC ", "~DTGX"})
    EXPECT_TRUE(reader->isDataTableSection(s)) << s;
  for (std::string_view s : {"~DTSUM", "~DT", "~DATA TABLE - GAUGE (1)", "", "x~DTG"})
    EXPECT_FALSE(reader->isDataTableSection(s)) << s;
}

TEST(DrillstemDataBlocks, RecoveryRowsAreText) {
  auto c = convertText(header("4.0") + "~DTREC,1,2009 05 06 1230,,WATER,\n~DTRECX,1,\n");
  EXPECT_EQ(rowValues(c->book, "RECOVERIES", 2), (V{"3", "~DTREC", "1", "2009 05 06 1230", "", "WATER"}));
  EXPECT_EQ(testing::cellAt(c->book, "RECOVERIES", "D2")->kind, sheet::CellKind::kText);
  EXPECT_TRUE(styleAt(c->book, "RECOVERIES", "C2").bold);
  EXPECT_EQ(errorsOf(*c), "~DTRECX,1,\n");
}

TEST(DrillstemUntaggedRows, TakeTheGaugeOfTheNumberedRowAfterThem) {
  auto c = convertText(header("3.0") +
                       "~DTG,2009 05 06 1230:00,1,\n~DTG (2),2009 05 06 1231:00,2,\n"  // 3, 4
                       "~DTFG,a,\n~DTFG(03),b,\n"                                       // 5, 6
                       "~DTG (4),x,\n~DTG,y,\n~DTG(4),z,\n");                           // 7, 8, 9
  EXPECT_EQ(rowValues(c->book, "GAUGE 2", 2), (V{"3", "~DTG (2)", "2009 05 06 1230:00", "1"}));
  EXPECT_EQ(rowValues(c->book, "GAUGE 2", 3), (V{"4", "~DTG (2)", "2009 05 06 1231:00", "2"}));
  EXPECT_TRUE(styleAt(c->book, "GAUGE 2", "C2").bold);
  EXPECT_FALSE(styleAt(c->book, "GAUGE 2", "C3").bold);
  EXPECT_EQ(rowValues(c->book, "GAUGE 3", 2), (V{"5", "~DTFG (3)", "a"}));
  EXPECT_EQ(rowValues(c->book, "GAUGE 3", 3), (V{"6", "~DTFG (3)", "b"}));
  // Following a row of its own gauge, the untagged row carries on the run unstyled.
  EXPECT_EQ(rowValues(c->book, "GAUGE 4", 3), (V{"8", "~DTG (4)", "y"}));
  EXPECT_FALSE(styleAt(c->book, "GAUGE 4", "C3").bold);
  EXPECT_EQ(shownValue(c->book, "GAUGE 4", "A4"), "9");
  EXPECT_EQ(errorsOf(*c), "");
}

TEST(DrillstemUntaggedRows, AreDeclinedUnlessANumberedRowOfTheirBlockFollows) {
  auto c = convertText(header("3.0") +
                       "~DTG,a,\n~DTG,b,\n~DTG (2),c,\n"      // 3 declined: another untagged row follows
                       "~DTG,d,\n~DTREC,1,\n"                  // 6 declined: another section follows
                       "~DTG,e,\n~DTFG (5),f,\n"               // 8 declined: another block's number
                       "~DTG,g,\n# see ~DTG (7), below\n"      // 10 declined: only a mention of a gauge
                       "~DTG,h,\n\n~DTG (2),i,\n"              // 12 declined: a blank line between
                       "~DTG,last,\n");                        // 15 declined: nothing to look at
  EXPECT_EQ(rowValues(c->book, "GAUGE 2", 2), (V{"4", "~DTG (2)", "b"}));
  EXPECT_EQ(rowValues(c->book, "GAUGE 2", 3), (V{"5", "~DTG (2)", "c"}));
  EXPECT_EQ(rowValues(c->book, "RECOVERIES", 2), (V{"7", "~DTREC", "1"}));
  EXPECT_EQ(rowValues(c->book, "GAUGE 5", 2), (V{"9", "~DTFG (5)", "f"}));
  EXPECT_EQ(shownValue(c->book, "GAUGE 2", "A4"), "14");
  EXPECT_EQ(c->book.findSheet("GAUGE 7"), std::nullopt);
  EXPECT_EQ(errorsOf(*c), "~DTG,a,\n~DTG,d,\n~DTG,e,\n~DTG,g,\n~DTG,h,\n~DTG,last,\n");
}

TEST(DrillstemUntaggedRows, OnlyTheTagGainsTheNumber) {
  auto c = convertText(header("3.0") + "~DTG,note ~DTG,1,\n~DTG (2),2,\n");
  EXPECT_EQ(rowValues(c->book, "GAUGE 2", 2), (V{"3", "~DTG (2)", "note ~DTG", "1"}));
}

}  // namespace
}  // namespace tnw::readers
