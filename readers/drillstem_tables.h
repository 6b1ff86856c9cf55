// The value tables of the drillstem test's summary, flow-period, mud, cushion, recovery, drill
// string and analysis sections. The gauge and closed-chamber tables, which change with the
// file's version, stay beside the registrations in drillstem_test.cc.
#pragma once

#include "readers/framework.h"

namespace tnw::readers {

struct DrillstemTables {
  // "SUMMARY"
  ValueTable testSummary;
  ValueTable firstFlowRates;
  ValueTable secondFlowRates;
  ValueTable finalFlowRates;
  // "RECOVERIES"
  ValueTable mudAndCushion;
  ValueTable drillMudAndRecoveries;
  ValueTable cushion;
  ValueTable recoveries;
  ValueTable recoveriesDataTable;  // the columns of ~DTREC
  ValueTable drillString;
  ValueTable firstRatesAndRecoveries;
  ValueTable secondFlowRatesAndRecoveries;
  ValueTable finalFlowRatesAndRecoveries;
  // "ANALYSIS"
  ValueTable analysisGeneral;
  ValueTable analysisInput;
  ValueTable analysisFluid;
  ValueTable analysisInterpretation;
};

// Built on first use and kept for the program's life.
const DrillstemTables& drillstemTables();

}  // namespace tnw::readers
