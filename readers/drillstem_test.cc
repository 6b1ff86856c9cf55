// Drillstem test (DST): the test summary and flow periods, mud, cushion, drill string and
// recoveries, the closed-chamber test, the gauges with their header data, flowing summaries and
// pressure tables, and the pressure-transient analysis.
//
// Version 4.0 changed the gauge and closed-chamber tables: their rows begin with a time stamp
// and the gauge number must follow the tag after a blank. Older files write the number with or
// without the blank, or leave it off a row altogether and give it on the next one; they also
// carry a separate closed-chamber flow table and a gauge flow summary that version 4 dropped.
#include "readers/drillstem_test.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "pas/pas_converter.h"
#include "pas/text.h"
#include "readers/drillstem_tables.h"
#include "readers/framework.h"

namespace tnw::readers {

namespace {

constexpr std::string_view kGaugeSheet = "GAUGE %d";
constexpr std::string_view kClosedChamberSheet = "CLOSED CHAMBER";

const ValueTable kGaugeHeader = {
    {"MSRNG.", "Gauge Misrun Indicator"},
    {"MSRN.", "Gauge Misrun Indicator"},
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
};

const ValueTable kGaugeFlowingSummary = {
    {"TIME.DAY/HR/SS", "Real Time"},
    {"STGE.", "Stage Number", "STGE"},
    {"FSTGC.", "Stage Description"},
    {"PRGA.KPAA", "Gauge Pressure at End of Stage"},
    {"TSTD.MIN", "Stage Duration Minutes"},
    {"PEXTR.KPAA", "Representative Extrap/ False Pressure"},
    {"QGFF.E3M3/D", "Final Gas Flow Rate"},
    {"QOFF.M3/D", "Final Oil Flow Rate"},
    {"QWFF.M3/D", "Final Water Flow Rate"},
};

const ValueTable kGaugeDataTable = {
    {"TIME.DAY/HR/SS", "Real Time"},
    {"TCUM.MIN", "Cumulative Time"},
    {"PRGA.KPAA", "Gauge Pressure KPAA"},
    {"TGA.DEGC", "Gauge Temperature"},
    {"GCOM.", "General Comment"},
};

// The stage table of the closed chamber, and of each gauge in files before version 4.
const ValueTable kFlowSummary = {
    {"STGE.", "Stage Number"},
    {"FSTGC.", "Stage Description"},
    {"PRGA.KPAA", "Gauge Pressure"},
    {"TSTD.MIN", "Stage Duration"},
};

const ValueTable kClosedChamberTestData = {
    {"SRCE.", "Source of this data"},
    {"RSLTC.", "Test remark blow description"},
    {"TCHA.DEGC", "Average temperature"},
    {"PCHSI.KPAA", "Initial chamber surface pressure"},
    {"PIGN.KPAA", "Initial total cushion pressure"},
    {"PTCU.KPAA", "Initial total cushion pressure"},
    {"TPCK.MM", "Top choke size"},
    {"CKSZ.MM", "Downhole choke size"},
    {"CKCO.M3/D/KPA", "Downhole choke coefficient"},
    {"VCHT.M3", "Chamber volume"},
    {"IGCF.M3/D/KPA/MIN", "Initial gas conversion factor"},
    {"IGSF.M3/D/KPA/MIN", "Initial gas saturated H2O conversion factor"},
    {"LICF.M3/D/KPA/MIN", "Pure liquid influx conversion factor"},
};

// Older files: the closed chamber's pressure table with its stage columns.
const ValueTable kClosedChamberDataTable = {
    {"TIME.DAY/HR/SS", "Real Time"},
    {"SDPT.KPAA/MIN", "Surface Dp/Dt"},
    {"PSUR.KPAA", "Surface Pressure"},
    {"RDPT.KPAA/MIN", "Recovery Dp/Dt"},
    {"PRCV.KPAA", "Recovery Pressure"},
    {"QCCLIQ.M3/D", "Calc Liquid Rate"},
    {"QCCGAS.E3M3/D", "Calc Gas Rate"},
    {"STGE.", "Stage Number"},
    {"TCSF.MIN", "Cumulative Stage Flow Time"},
    {"QLIQ.M3/D", "Liquid Rate"},
    {"QGAS.E3M3/D", "Gas Rate"},
};

// Version 4 keeps the pressures and rates, and drops the stage columns.
const ValueTable& closedChamberDataTableV4() {
  static const ValueTable table(kClosedChamberDataTable.begin(), kClosedChamberDataTable.begin() + 7);
  return table;
}

class DrillstemTestReader : public TableReader {
 public:
  DrillstemTestReader(float version, pas::PasConverter& converter);

  // Only the gauge, closed-chamber and recovery tables are data blocks here: other "~DT"
  // sections get their mnemonic normalised in canonical lines like any value section.
  bool isDataTableSection(std::string_view section) const override;

};

DrillstemTestReader::DrillstemTestReader(float version, pas::PasConverter& converter)
    : TableReader(converter, {}) {
  const DrillstemTables& t = drillstemTables();
  for (const Registration& r : {
           valueSection("~TEST SUMMARY DATA", "SUMMARY", t.testSummary),
           valueSection("~MUD AND CUSHION", "RECOVERIES", t.mudAndCushion),
           valueSection("~DRILL MUD AND RECOVERIES", "RECOVERIES", t.drillMudAndRecoveries),
           valueSection("~CUSHION", "RECOVERIES", t.cushion),
           valueSection("~RECOVERIES - DST", "RECOVERIES", t.recoveries),
           columnDefinitions("~DATA TABLE - RECOVERIES", "RECOVERIES", t.recoveriesDataTable),
           dataBlock("~DTREC", "RECOVERIES"),
           columnDefinitions("~FLOW SUMMARY DATA TABLE - CLOSED CHAMBER", kClosedChamberSheet, kFlowSummary),
           valueSection("~FIRST FLOW RATES - DST", "SUMMARY", t.firstFlowRates),
           valueSection("~SECOND FLOW RATES - DST", "SUMMARY", t.secondFlowRates),
           valueSection("~FINAL FLOW RATES - DST", "SUMMARY", t.finalFlowRates),
           valueSection("~ANALYSIS - GENERAL INFORMATION", "ANALYSIS", t.analysisGeneral),
           valueSection("~ANALYSIS - INPUT PARAMETERS", "ANALYSIS", t.analysisInput),
           valueSection("~ANALYSIS - FLUID PROPERTIES", "ANALYSIS", t.analysisFluid),
           numberedValueSection("~ANALYSIS - INTERPRETATION HEADER", "ANALYSIS", t.analysisInterpretation),
           numberedValueSection("~HEADER DATA - GAUGE", kGaugeSheet, kGaugeHeader),
           numberedColumnDefinitions("~DATA TABLE - FLOWING SUMMARY - GAUGE", kGaugeSheet, kGaugeFlowingSummary),
           numberedColumnDefinitions("~DATA TABLE - GAUGE", kGaugeSheet, kGaugeDataTable),
           valueSection("~TEST DATA - CLOSED CHAMBER", kClosedChamberSheet, kClosedChamberTestData),
       })
    add(r);

  if (version >= 4.0f) {
    add(numberedDataBlock("~DTFG", kGaugeSheet, DateColumn::kFirst));
    add(dataBlock("~DTCC", kClosedChamberSheet, DateColumn::kFirst));
    add(columnDefinitions("~DATA TABLE - CLOSED CHAMBER", kClosedChamberSheet, closedChamberDataTableV4()));
    add(numberedDataBlock("~DTG", kGaugeSheet, DateColumn::kFirst));
  } else {
    // Every field of the older gauge blocks is text, time stamps included: only version 4 fixed
    // the first column of a gauge row to a time stamp. Their rows may leave the gauge number off.
    add(numberedDataBlock("~DTFG", kGaugeSheet, DateColumn::kNone, true, true));
    add(dataBlock("~DTCC", kClosedChamberSheet, DateColumn::kSecond));
    add(dataBlock("~DTFCC", kClosedChamberSheet));
    add(columnDefinitions("~DATA TABLE - CLOSED CHAMBER", kClosedChamberSheet, kClosedChamberDataTable));
    add(numberedDataBlock("~DTG", kGaugeSheet, DateColumn::kNone, true, true));
    add(numberedColumnDefinitions("~FLOW SUMMARY DATA TABLE - GAUGE", kGaugeSheet, kFlowSummary));
  }

  for (const Registration& r : {
           valueSection("~DRILL STRING DESCRIPTION", "RECOVERIES", t.drillString),
           valueSection("~FIRST RATES AND RECOVERIES", "RECOVERIES", t.firstRatesAndRecoveries),
           valueSection("~SECOND FLOW RATES AND RECOVERIES", "RECOVERIES", t.secondFlowRatesAndRecoveries),
           valueSection("~FINAL FLOW RATES AND RECOVERIES", "RECOVERIES", t.finalFlowRatesAndRecoveries),
       })
    add(r);
}

bool DrillstemTestReader::isDataTableSection(std::string_view section) const {
  std::string_view name = pas::trim(section);
  for (std::string_view tag : {"~DTFG", "~DTCC", "~DTG", "~DTFCC", "~DTREC"})
    if (pas::startsWith(name, tag)) return true;
  return false;
}

}  // namespace

std::unique_ptr<TestTypeReader> makeDrillstemTestReader(float version, pas::PasConverter& converter) {
  return std::make_unique<DrillstemTestReader>(version, converter);
}

}  // namespace tnw::readers
