// The results of a pressure-transient analysis: general facts about it, its input parameters,
// the fluid properties it used and one or more numbered interpretations. The acoustic well
// sounder and transient flow test readers both read them; everything goes to one sheet.
#include "readers/analysis_sections.h"

namespace tnw::readers {

namespace {

constexpr std::string_view kSheet = "ANALYSIS";

const ValueTable kGeneralInformation = {
    {"ADAT.DAY", "Date Analysis completed"},
    {"ANCO.", "Company conducting analysis"},
    {"ANAM.", "Analyst's name"},
    {"PHASE.", "Dominant phase used in analysis"},
    {"GENC.", "General comment"},
    {"PEXTR.KPAA", "Representative extrapolated/false pressure"},
    {"TRET.", "Last Treatment"},
    {"DTRET.DAY", "Date of Last Treatment"},
    {"PAVG.KPAA", "Representative Average Pressure"},
};

const ValueTable kInputParameters = {
    {"SATW.FRACTION", "Assumed water saturation"},
    {"SATG.FRACTION", "Assumed gas saturation"},
    {"SATO.FRACTION", "Assumed oil saturation"},
    {"HZFL.M", "Horizontal well length in formation"},
    {"PAY.M", "Vertical height of formation"},
    {"PORO.FRACTION", "Assumed porosity fraction"},
    {"RADW.MM", "Wellbore radius"},
    {"GEOC.", "Geological comments"},
};

// The relative densities come with and without a unit of "M3/M3"; they are dimensionless, so
// the row shows them without it either way.
const ValueTable kFluidProperties = {
    {"PPVT.KPAA", "PVT reference pressure"},
    {"PVTP.KPAA", "PVT reference pressure"},
    {"RDOIL.", "Oil relative density"},
    {"RDGAS.", "Gas relative density"},
    {"RDWTR.", "Water relative density"},
    {"RDOIL.M3/M3", "Oil relative density", "RDOIL."},
    {"RDGAS.M3/M3", "Gas relative density", "RDGAS."},
    {"RDWTR.M3/M3", "Water relative density", "RDWTR."},
    {"CT.KPA-1", "Total compressibility"},
    {"CT.1/KPA", "Total compressibility"},
    {"UOIL.MPAS", "Oil viscosity"},
    {"UGAS.MPAS", "Gas viscosity"},
    {"Z.", "Gas deviation factor"},
    {"BO.RM3/M3", "Oil formation volume factor"},
    {"PBP.KPAA", "Oil bubble point pressure"},
    {"RS.M3/M3", "Oil Solution"},
};

const ValueTable kInterpretation = {
    {"ANUM.", "Analysis number"},
    {"TFLO.MIN", "Time period before buildup"},
    {"PWF.KPAA", "Sandface flowing pressure at shutin"},
    {"QOIL.M3/D", "Oil flow rate prior to shutin"},
    {"QWTR.M3/D", "Water flow rate prior to shutin"},
    {"QGAS.E3M3/D", "Gas flow rate prior to shutin"},
    {"TEVN.MIN", "Duration of buildup"},
    {"GSER.", "Gauge serial number"},
    {"MODLC.", "Model used for analysis"},
    {"PHASC.", "Single/multi phase comment"},
    {"KH.MD", "Calculated flow capacity"},
    {"KHC.", "Comment on KH"},
    {"STORC.M3/KPA", "Wellbore storage constant"},
    {"SKIN.", "Calculated skin factor"},
    {"SKINC.", "Comment on turbulence"},
    {"LMP.KPAA", "Last measured pressure at MPP (TVD)"},
    {"LMPC.", "Source of Last measured pressure"},
    {"PEXTR.KPAA", "Extrapolated/false pressure at MPP (TVD)"},
    {"HTIM.MIN", "Horner producing time"},
    {"ANTYP.", "Build-up or Fall-off Analysis"},
    {"TFLO.HR", "Flow Time Before Transient"},
    {"TEVN.HR", "Duration of Build-up or Fall-off"},
    {"XF.M", "Fracture Half Length"},
    {"SHAPC.", "Reservoir Shape"},
    {"PTIM.HR", "Producing Time"},
    {"AREA.HA", "Area of Reservoir"},
    {"AOFST.E3M3/D", "Gas Well Stabilized AOF"},
    {"IPRST.M3/D", "Oil Well Stabilized IPR"},
    {"AOFTR.E3M3/D", "Gas Well Transient AOF"},
    {"PAVG.KPAA", "Average Reservoir Pressure at MPP (TVD)"},
    {"IPRTR.M3/D", "Oil Well Tranaient IPR"},
    {"PAVGC.", "Method to Calculate Average Pressure"},
    {"BNDYC.", "Discussion of Boundaries Comment"},
    {"HTIM.HR", "Horner Producing Time"},
};

}  // namespace

std::vector<Registration> analysisSections() {
  // Every interpretation shares the one sheet; its number survives in the section column.
  return {
      valueSection("~ANALYSIS - GENERAL INFORMATION", kSheet, kGeneralInformation),
      valueSection("~ANALYSIS - INPUT PARAMETERS", kSheet, kInputParameters),
      valueSection("~ANALYSIS - FLUID PROPERTIES", kSheet, kFluidProperties),
      numberedValueSection("~ANALYSIS - INTERPRETATION", kSheet, kInterpretation),
  };
}

}  // namespace tnw::readers
