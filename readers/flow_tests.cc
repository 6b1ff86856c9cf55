// Deliverability tests. An absolute open flow file (AOF) carries only the summary of its
// stabilised results. A transient flow test file (TRG) carries the AOF / IPR summary, the
// production and inline rate summaries with their readings, the pressure results, the gauges
// with their pressure readings, the acoustic liquid levels, a results summary of its own and
// the pressure-transient analysis.
#include "readers/flow_tests.h"

#include <vector>

#include "readers/analysis_sections.h"
#include "readers/framework.h"

namespace tnw::readers {

namespace {

// Absolute open flow ----------------------------------------------------------------------

const ValueTable kAofResultsSummary = {
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

// Transient flow test ---------------------------------------------------------------------

const ValueTable kAofIprSummary = {
    {"AOFTY.", "AOF Type"},
    {"SGPTAU.", "Single-point Authorization"},
    {"AIN.", "Inline AOF Indicator Flag"},
};

const ValueTable kProductionSummaryColumns = {
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

// The final rate is in cubic metres for oil wells and thousands of them for gas wells; some
// files name both units in one mnemonic with a lower-case "or". The canonical retry upper-cases
// mnemonics, so only a line that spells it so itself is read under that entry.
const ValueTable kPressureResultsSummary = {
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

const ValueTable kGaugeHeader = {
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

const ValueTable kGaugeColumns = {
    {"TIME.DAY/HR/SS", "Real Time"},
    {"TCUM.HR", "Gauge Cumulative Time"},
    {"PRGA.KPAA", "Gauge Pressure KPAA"},
    {"TGA.DEGC", "Gauge Temperature"},
    {"GCOM.", "General Comment"},
    {"SDGA.M", "Gauge Depth KB (TVD)"},
};

const ValueTable kAcousticColumns = {
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

const ValueTable kInlineRateColumns = {
    {"PRGA.KPAA", "Gauge Pressure"},
    {"ITIME.HR", "Incremental Hours"},
    {"QGAS.E3M3/D", "Gas Production Rate"},
    {"QOIL.M3/D", "Oil Production Rate"},
    {"QWTR.M3/D", "Water Production Rate"},
    {"GENC.", "General Comment"},
};

const ValueTable kTrgResultsSummary = {
    {"GSER.", "Gauge Serial Number"},
    {"SDGA.M", "Representative Stop Depth (TVD)"},
    {"GRSD.KPA/M", "Representative Pressure Gradient"},
    {"PRGA.KPAA", "Pressure at Stop Depth"},
    {"PRGC.", "Comment"},
    {"TRES.DEGC", "Reservoir Temperature"},
    {"LLV.M", "Liquid Level KB (TVD)"},
    {"PMPP.KPAA", "Representative Bottom Hole Pressure"},
};

// The older name of the input parameters, without the dash, with a vocabulary of its own.
const ValueTable kAnalysisInputParametersUndashed = {
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

// The gauge column definitions are routed by the shorter prefix "~DATA TABLE - GAUG" while
// their patterns name the whole section, so a line of another "~DATA TABLE - GAUG..." section
// reaches them and is declined. A reader of that one section reads the lines they are given.
class TransientFlowTestReader : public TableReader {
 public:
  explicit TransientFlowTestReader(pas::PasConverter& converter)
      : TableReader(converter, {}),
        gaugeColumns_(converter, {numberedColumnDefinitions("~DATA TABLE - GAUGE", "GAUGE %d", kGaugeColumns)}) {
    add(valueSection("~AOF / IPR RESULTS SUMMARY", "AOF IPR SUMMARY", kAofIprSummary));
    add(columnDefinitions("~DATA TABLE - PRODUCTION SUMMARY", "PRODUCTION SUMMARY", kProductionSummaryColumns));
    add(dataBlock("~DTSUM", "PRODUCTION SUMMARY", DateColumn::kFirst));
    add(valueSection("~PRESSURE RESULTS - SUMMARY", "PRESSURE RESULTS", kPressureResultsSummary));
    add(numberedValueSection("~HEADER DATA - GAUGE", "GAUGE %d", kGaugeHeader));
    addHandler("~DATA TABLE - GAUG", [this](std::string_view line) { return gaugeColumns_.handleLine(line); });
    for (CatalogueSection& section : gaugeColumns_.catalogue()) addToCatalogue(std::move(section));
    add(numberedDataBlock("~DTG", "GAUGE %d", DateColumn::kFirst));
    add(columnDefinitions("~DATA TABLE ACOUSTIC", "ACOUSTIC", kAcousticColumns));
    add(dataBlock("~DTAC", "ACOUSTIC", DateColumn::kFirst));
    add(columnDefinitions("~DATA TABLE - INLINE RATE AND PRESSURE SUMMARY", "INLINE RATE & PRESSURE",
                          kInlineRateColumns));
    add(dataBlock("~DTINRPR", "INLINE RATE & PRESSURE"));
    add(valueSection("~RESULTS - SUMMARY", "RESULTS SUMMARY", kTrgResultsSummary));
    for (const Registration& r : analysisSections()) add(r);
    add(valueSection("~ANALYSIS INPUT PARAMETERS", "ANALYSIS", kAnalysisInputParametersUndashed));
  }

 private:
  TableReader gaugeColumns_;
};

}  // namespace

std::unique_ptr<TestTypeReader> makeAbsoluteOpenFlowReader(float, pas::PasConverter& converter) {
  return std::make_unique<TableReader>(converter, std::vector<Registration>{
      valueSection("~RESULTS - SUMMARY", "RESULTS SUMMARY", kAofResultsSummary),
  });
}

std::unique_ptr<TestTypeReader> makeTransientFlowTestReader(float, pas::PasConverter& converter) {
  return std::make_unique<TransientFlowTestReader>(converter);
}

}  // namespace tnw::readers
