// Pressure surveys. An acoustic well sounder (AWS) file holds liquid-level soundings, their
// results and an analysis; a gradient (GRD) file a pressure results summary, a gradient table,
// numbered gauges with their pressure data and acoustic soundings; a static gradient (SG) file
// a results summary, a gradient summary table and numbered gauges.
#include "readers/survey_readers.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pas/pas_converter.h"
#include "pas/text.h"
#include "readers/analysis_sections.h"
#include "readers/framework.h"

namespace tnw::readers {

namespace {

// Acoustic well sounder.

const ValueTable kAcousticResultsSummary = {
    {"PMPP.KPAA", "Representative Bottom Hole Pressure"},
    {"STGR.KPA/M", "Representative Pressure Gradient"},
    {"AWSC.", "Comment"},
    {"TRES.DEGC", "Reservoir Temperature"},
    {"VALC.", "Validation Comment"},
};

const ValueTable kAcousticHeader = {
    {"TSURM.DEGC", "Mean Annual Surface Temperature"},
    {"DOIL.KG/M3", "Oil Density"},
    {"SGG.", "Gas Specific Gravity"},
    {"CASS.", "Casing Open/Closed Indicator"},
    {"DPTS.", "Annular Depression Test Indicator"},
    {"METHC.", "Liquid Gradient Method of Calculation Comment"},
    {"PPLV.M", "Pumping Liquid Level KB (TVD)"},
};

const ValueTable kAcousticColumns = {
    {"TCUM.HR", "Cumulative Time After Shut-In"},
    {"LLV.M", "Liquid Level KB (TVD)"},
    {"PSUR.KPAA", "Surface Pressure"},
    {"GRGAS.KPA/M", "Gas Gradient"},
    {"GROIL.KPA/M", "Oil Gradient"},
    {"GRWTR.KPA/M", "Water Gradient"},
    {"PMPP.KPAA", "Calculated Pressure at MPP (TVD)"},
};

// Gradient.

const ValueTable kPressureResultsSummary = {
    {"GSERU.", "Gauge Serial Number Used in Summary"},
    {"PRCOR.KPA", "Pressure Correction"},
    {"TRES.DEGC", "Reservoir Temperature"},
    {"PRGC.", "Comment on Pressure"},
    {"SDGAL.M", "Representative Stop Depth (LOG)"},
    {"SDGAT.M", "Representative Stop Depth (TVD)"},
    {"PRGA.KPAA", "Pressure at Log Stop Depth"},
    {"PLIND.", "Primary Liquid Type"},
    {"SLIND.", "Secondary Liquid Type"},
    {"GRGAS.KPA/M", "Gas Gradient used to Correct to Liquid Level or Log MPP"},
    {"GRLIQ.KPA/M", "Liquid Gradient used to Correct to Liquid Level or Log MPP"},
    {"PLGR.KPA/M", "Primary Liquid Gradient (LOG)"},
    {"SLGR.KPA/M", "Secondary Liquid Gradient (LOG)"},
    {"PSUR.KPAA", "Surface Pressure"},
    {"METHC.", "Method of Acoustic/Dead-Weight Gauge Extrapolation Comment"},
    {"LLVL.M", "Liquid Level KB (LOG)"},
    {"LLVT.M", "Liquid Level KB (TVD)"},
    {"PMPP.KPAA", "Calculated Pressure Corrected to MPP (LOG)"},
    {"DPTS.", "Annular Depression Test Indicator"},
};

const ValueTable kGradientColumns = {
    {"SDGAL.M", "Stop Depth KB (LOG)"},
    {"SDGAT.M", "Stop Depth KB (TVD)"},
    {"PRGA.KPAA", "Stop Pressure"},
    {"GRSDL.KPA/M", "Calculated Gradient (LOG)"},
    {"GRSDT.KPA/M", "Calculated Gradient (TVD)"},
    {"TGA.DEGC", "Stop Temperature"},
};

const ValueTable kGradientGaugeHeader = {
    {"GSER.", "Gauge Serial Number"},
    {"GTYPMM.", "Gauge Type/Manufacturer/Model"},
    {"GRNG.KPAA", "Maximum Recorder Range"},
    {"GCAL.DAY", "Date of Last Calibration"},
    {"GRES.", "Resolution % of Full-Scale"},
    {"GACC.", "Accuracy % of Full-Scale"},
    {"GONB.DAY/HR/SS", "Gauge On Bottom"},
    {"GOFB.DAY/HR/SS", "Gauge Off Bottom"},
};

const ValueTable kGradientGaugeColumns = {
    {"TIME.DAY/HR/SS", "Real Time"},
    {"TCUM.HR", "Cumulative Time"},
    {"PRGA.KPAA", "Gauge Pressure KPAA"},
    {"TGA.DEGC", "Gauge Temperature"},
    {"GCOM.", "General Comment"},
    {"DGAL.M", "Recorder Depth (MCF)"},
};

const ValueTable kGradientAcousticColumns = {
    {"TIME.DAY/HR/SS", "Real Time"},
    {"LLVL.M", "Liquid Level (LOG)"},
    {"PSUR.KPAA", "Surface Pressure"},
};

// Static gradient.

const ValueTable kStaticResultsSummary = {
    {"GSER.", "Gauge Serial Number"},
    {"SDGA.M", "Representative Stop Depth (TVD)"},
    {"GRSD.KPA/M", "Representative Pressure Gradient"},
    {"PRGA.KPAA", "Pressure at Stop Depth"},
    {"PRGC.", "Comment"},
    {"TRES.DEGC", "Reservoir Temperature"},
    {"LLV.M", "Liquid Level KB (TVD)"},
};

const ValueTable kGradientSummaryColumns = {
    {"TCUM.HR", "Gauge Cumulative Time"},
    {"SDGA.M", "Stop Depth KB (TVD)"},
    {"PRGA.KPAA", "Stop Pressure"},
    {"GRSD.KPA/M", "Calculated Gradient"},
};

// SDGT and SDGA share their description; "Indictor" is how the files' own catalogue spells it.
const ValueTable kStaticGaugeHeader = {
    {"GSER.", "Gauge Serial Number"},
    {"GTYP.", "Gauge Type"},
    {"GMAN.", "Gauge Manufacturer"},
    {"GRNG.KPAA", "Maximum Recorder Range"},
    {"GCAL.DAY", "Date of Last Calibration"},
    {"GRES.", "Resolution % of Full-Scale"},
    {"GACC.", "Accuracy % of Full-Scale"},
    {"SDGL.M", "Gauge Run Depth mKB (Log)"},
    {"SDGT.M", "Gauge Run Depth mKB (TVD)"},
    {"SDGA.M", "Gauge Run Depth mKB (TVD)"},
    {"GPOS.", "Gauge Position Indictor"},
    {"GSTD.DAY/HR/SS", "Gauge Start Date"},
    {"GSPD.DAY/HR/SS", "Gauge Stop Date"},
    {"GONB.DAY/HR/SS", "Gauge On Bottom"},
    {"GOFB.DAY/HR/SS", "Gauge Off Bottom"},
};

const ValueTable kStaticGaugeColumns = {
    {"TIME.DAY/HR/SS", "Real Time"},
    {"TCUM.HR", "Cumulative Time"},
    {"PRGA.KPAA", "Gauge Pressure KPAA"},
    {"TGA.DEGC", "Gauge Temperature"},
    {"GCOM.", "General Comment"},
    {"SDGA.M", "Gauge Depth (TVD)"},
};

}  // namespace

std::unique_ptr<TestTypeReader> makeAcousticWellSounderReader(float, pas::PasConverter& converter) {
  std::vector<Registration> registrations = {
      valueSection("~RESULTS - SUMMARY", "RESULTS SUMMARY", kAcousticResultsSummary),
      valueSection("~HEADER DATA - ACOUSTIC", "ACOUSTIC", kAcousticHeader),
      columnDefinitions("~DATA TABLE - ACOUSTIC", "ACOUSTIC", kAcousticColumns),
      dataBlock("~DTAC", "ACOUSTIC"),
  };
  for (const Registration& r : analysisSections()) registrations.push_back(r);
  return std::make_unique<TableReader>(converter, registrations);
}

std::unique_ptr<TestTypeReader> makeGradientReader(float, pas::PasConverter& converter) {
  return std::make_unique<TableReader>(converter, std::vector<Registration>{
      valueSection("~PRESSURE RESULTS - SUMMARY", "PRESSURE RESULTS", kPressureResultsSummary),
      columnDefinitions("~DATA TABLE - GRADIENT", "GRADIENT SUMMARY", kGradientColumns),
      dataBlock("~DTSUM", "GRADIENT SUMMARY"),
      numberedValueSection("~HEADER DATA - GAUGE", "GAUGE %d", kGradientGaugeHeader),
      numberedColumnDefinitions("~DATA TABLE - GAUGE", "GAUGE %d", kGradientGaugeColumns),
      numberedDataBlock("~DTG", "GAUGE %d", DateColumn::kFirst, true, true),
      columnDefinitions("~DATA TABLE - ACOUSTIC", "ACOUSTIC", kGradientAcousticColumns),
      dataBlock("~DTAWS", "ACOUSTIC", DateColumn::kFirst),
  });
}

std::unique_ptr<TestTypeReader> makeStaticGradientReader(float, pas::PasConverter& converter) {
  return std::make_unique<TableReader>(converter, std::vector<Registration>{
      valueSection("~RESULTS - SUMMARY", "RESULTS SUMMARY", kStaticResultsSummary),
      columnDefinitions("~DATA TABLE - GRADIENT SUMMARY", "GRADIENT SUMMARY", kGradientSummaryColumns),
      dataBlock("~DTSUM", "GRADIENT SUMMARY"),
      numberedValueSection("~HEADER DATA - GAUGE", "GAUGE %d", kStaticGaugeHeader),
      numberedColumnDefinitions("~DATA TABLE - GAUGE", "GAUGE %d", kStaticGaugeColumns),
      numberedDataBlock("~DTG", "GAUGE %d", DateColumn::kNone, true, true),
  });
}

}  // namespace tnw::readers
