// Water analysis (WAN): the dissolved cations and anions of formation water, and its solids and
// other measurements, each under a short and a long section name.
#include "readers/water_analysis.h"

#include <span>
#include <string>
#include <vector>

#include "readers/framework.h"

namespace tnw::readers {

namespace {

struct Ion {
  std::string_view code;
  std::string_view name;
};

constexpr Ion kCationIons[] = {{"NA", "Sodium"},   {"K", "Potassium"}, {"CA", "Calcium"},
                               {"MG", "Magnesium"}, {"BA", "Barium"},    {"SR", "Strontium"},
                               {"FE", "Iron"},      {"MN", "Manganese"}, {"B", "Boron"}};

constexpr Ion kAnionIons[] = {{"CL", "Chloride"},   {"BR", "Bromide"},   {"I", "Iodide"},
                              {"HCO3", "Bicarbonate"}, {"SO4", "Sulphate"}, {"CO3", "Carbonate"},
                              {"OH", "Hydroxide"}, {"H2S", "Hydrogen Sulphide"}};

// Three entries per ion: its concentration by mass, its mass fraction and its milli-equivalents,
// each described after the ion's name.
void addIons(BuiltTable& t, std::span<const Ion> ions, std::string_view mgDescription,
             std::string_view fractionDescription, std::string_view meqDescription) {
  for (const Ion& ion : ions) {
    std::string code(ion.code), name(ion.name);
    t.add(code + ".MG/L", name + std::string(mgDescription));
    t.add(code + ".FRACTION", name + std::string(fractionDescription));
    t.add(code + ".MEQ/L", name + std::string(meqDescription));
  }
}

const ValueTable& cations() {
  static const BuiltTable t(
      [](BuiltTable& t) { addIons(t, kCationIons, " Citation", " Cation Mass Fraction", " Cation Concentration"); });
  return t.table();
}

const ValueTable& anions() {
  static const BuiltTable t(
      [](BuiltTable& t) { addIons(t, kAnionIons, " Anion", " Anion Mass Fraction", " Anion Concentration"); });
  return t.table();
}

const ValueTable kSolids = {
    {"DS110.MG/L", "Total Solids Evaporated @ 110 Deg C"},
    {"DS180.MG/L", "Total Solids Evaporated @ 180 Deg C"},
    {"DSING.MG/L", "Total Solids @ Ignition"},
    {"DSCAL.MG/L", "Total Solids Calculated"},
    {"RDEN.", "Relative Density"},
    {"RDTMP.DEGC", "Relative Density Temperature"},
    {"RFIDX.", "Refractive Index"},
    {"RFTMP.DEGC", "Refractive Index Temperature"},
    {"PHOBS.", "Observed PH"},
    {"PHTMP.DEGC", "Observed PH Temperature"},
    {"PEOHM.", "Resistivity"},
    {"PETMP.DEGC", "Resistivity Temperature"},
    {"SALT.%", "Salinity Total"},
    {"GCOM.", "Comment"},
};

const ValueTable kSolidsAndOtherMeasurements = {
    {"DS110.MG/L", "Total Solids Evaporated @ 110 Deg C"},
    {"DS180.MG/L", "Total Solids Evaporated @ 180 Deg C"},
    {"DSING.MG/L", "Total Solids @ Ignition"},
    {"DSCAL.MG/L", "Total Solids Calculated"},
    {"RDEN.", "Relative Density"},
    {"RDWTR.", "Relative Density"},
    {"RDTMP.DEGC", "Relative Density Temperature"},
    {"RFIDX.", "Refractive Index"},
    {"RFTMP.DEGC", "Refractive Index Temperature"},
    {"PHOBS.", "Observed PH"},
    {"PHTMP.DEGC", "Observed PH Temperature"},
    {"PEOHM.", "Resistivity"},
    {"PETMP.DEGC", "Resistivity Temperature"},
    {"SALT.%", "Salinity Total"},
    {"SALT.PCT", "Salinity Total"},
    {"GCOM.", "Comment"},
    {"H2S.MG/L", "Hydrogen Sulphide"},
};

}  // namespace

std::unique_ptr<TestTypeReader> makeWaterAnalysisReader(float, pas::PasConverter& converter) {
  return std::make_unique<TableReader>(converter, std::vector<Registration>{
      valueSection("~CATIONS", "CATIONS", cations()),
      valueSection("~ANIONS", "ANIONS", anions()),
      valueSection("~SOLIDS", "SOLIDS", kSolids),
      valueSection("~WATER CATIONS", "CATIONS", cations()),
      valueSection("~WATER ANIONS", "ANIONS", anions()),
      valueSection("~WATER SOLIDS AND OTHER MEASUREMENTS", "SOLIDS-OTHER", kSolidsAndOtherMeasurements),
  });
}

}  // namespace tnw::readers
