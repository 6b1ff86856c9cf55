// Gas analysis (GAN): a laboratory's analysis of a gas sample. Two vocabularies live side by
// side. The older one has the sections "~GAS ANALYSIS" and "~LIQUID ANALYSIS", with fractions
// such as C1.FRACTION. The newer one has a group of sections per sample (first and second stage
// separator, condensate or liquid, recombined gas); its fractions are FRAC and its mnemonics name
// their sample: FS-, SS-, CL-, R-.
//
// Two section names begin two others: "~GAS ANALYSIS" begins "~GAS ANALYSIS - DATA PROPERTIES"
// and "~DTCL" begins "~DTCLFD". A line goes to the first section whose name begins it, counting
// from the section that took the line before, so a line of the longer section reaches its own
// table only when the lines before it have moved the search past the shorter name. Files written
// section by section in the order registered below read whole. We keep that order so that every
// file reads the way it always has, even where that means error rows.
#include "readers/gas_analysis.h"

#include <deque>
#include <span>
#include <string>
#include <vector>

#include "readers/framework.h"

namespace tnw::readers {

namespace {


// The components of a gas, each described in the words of the sections that list it.
struct Component {
  std::string_view code;
  std::string_view analysis;     // "~GAS ANALYSIS" and "~LIQUID ANALYSIS"
  std::string_view secondStage;  // "~SECOND STAGE SEPARATOR - GAS ANALYSIS"
  std::string_view recombined;   // "~RECOMBINED GAS COMPOSITION"
};

constexpr Component kComponents[] = {
    {"H2S", "Hydrogen Sulfide", "Hydrogen Sulphide", "Hydrogen Sulphide"},
    {"CO2", "Carbon Dioxide", "Carbon Dioxide", "Carbon Dioxide"},
    {"N2", "Nitrogen", "Nitrogen", "Calc Nitrogen"},
    {"H2", "Hydrogen", "Hydrogen", "Calc Hydrogen"},
    {"HE", "Helium", "Helium", "Calc Helium"},
    {"C1", "Methane", "Methane", "Calc Methane"},
    {"C2", "Ethane", "Ethane", "Calc Ethane"},
    {"C3", "Propane", "Propane", "Calc Propane"},
    {"IC4", "ISO-Butane", "Iso-Butane", "Calc Iso-Butane"},
    {"NC4", "N-Butane", "N-Butane", "Calc N-Butane"},
    {"IC5", "ISO-Pentane", "Iso-Pentane", "Calc Iso-Pentane"},
    {"NC5", "N-Pentane", "N-Pentane", "Calc N-Pentane"},
    {"C6", "Hexane", "N-Hexane", "Calc N-Hexane"},
    {"C7+", "Sum of Hydrocarbons Greater than C6", "Heptanes Plus", "Calc Sum of Greater Than C6"},
};

using Description = std::string_view Component::*;

// The component fractions after a section's own leading entries. `triedLast` names a component
// the section tries after all the others.
void addComponents(BuiltTable& t, std::span<const ValueEntry> lead, std::string_view prefix, std::string_view unit,
                   Description description, std::string_view triedLast = {}) {
  for (const ValueEntry& entry : lead) t.add(entry);
  auto add = [&](const Component& c) {
    t.add(std::string(prefix) + std::string(c.code) + "." + std::string(unit), c.*description);
  };
  for (const Component& c : kComponents)
    if (c.code != triedLast) add(c);
  for (const Component& c : kComponents)
    if (c.code == triedLast) add(c);
}

const ValueEntry kGasAnalysisLead[] = {
    {"SGG.", "Gas Specific Gravity"},
    {"H2SGP.", "Hydrogen Sulfide Indicator"},
};

const ValueEntry kLiquidAnalysisLead[] = {
    {"RDLIQ.M3/M3", "Liquid Relative Density"},
    {"RELMM.", "Relative Molar Mass"},
    {"BG.RM3/M3", "Gas Formation Volume Factor"},
    {"H2SLP.", "Hydrogen Sulfide Indicator"},
};

const ValueTable& gasAnalysis() {
  static const BuiltTable t([](BuiltTable& t) {
    addComponents(t, kGasAnalysisLead, "", "FRACTION", &Component::analysis);
  });
  return t.table();
}

const ValueTable& liquidAnalysis() {
  static const BuiltTable t([](BuiltTable& t) {
    addComponents(t, kLiquidAnalysisLead, "", "FRACTION", &Component::analysis);
  });
  return t.table();
}

const ValueTable& secondStageComposition() {
  static const BuiltTable t([](BuiltTable& t) {
    addComponents(t, {}, "SS-", "FRAC", &Component::secondStage, "N2");
  });
  return t.table();
}

const ValueTable& recombinedComposition() {
  static const BuiltTable t([](BuiltTable& t) {
    addComponents(t, {}, "R-", "FRAC", &Component::recombined);
  });
  return t.table();
}

// What the laboratory records of each sample it takes; the mnemonics name the sample.
const ValueEntry kSampleHeader[] = {
    {"SDAT.DAY", "Date Sampled"},
    {"SPNT.", "Sample Gathering Point Code"},
    {"SPNTN.", "Description of Sample Point"},
    {"SPRES.KPAA", "Sample Pressure"},
    {"STEMP.DEGC", "Sample Temperature"},
    {"RPRES.KPAA", "Received Pressure"},
    {"RTEMP.DEGC", "Received Temperature"},
    {"ADAT.DAY", "Date Analyzed"},
};

void addSampleHeader(BuiltTable& t, std::string_view sample) {
  for (const ValueEntry& entry : kSampleHeader)
    t.add(std::string(sample) + std::string(entry.mnemonic), entry.description);
}

const ValueTable& firstStageHeader() {
  static const BuiltTable t([](BuiltTable& t) { addSampleHeader(t, "FS-"); });
  return t.table();
}

const ValueTable& secondStageHeader() {
  static const BuiltTable t([](BuiltTable& t) { addSampleHeader(t, "SS-"); });
  return t.table();
}

const ValueTable& condensateHeader() {
  static const BuiltTable t([](BuiltTable& t) { addSampleHeader(t, "CL-"); });
  return t.table();
}

const ValueTable kGasDataProperties = {
    {"LFNUM.", "Laboratory File Number"},
    {"IDENT.", "Container Identity"},
    {"RELDEN.", "Gas Relative Density"},
    {"TSMW.", "Calc Mole Weight of Total Sample"},
    {"GHV.MJ/M3", "Calc Gross Heat Value Moisture Free"},
    {"GHVAGF.MJ/M3", "Calc Gross Heat Value Moisture & Acid Gas Free"},
    {"PPVP.KPAA", "Calc C5+ Vapour Pressure"},
    {"FS-PPC.KPAA", "Calc Pseudo Critical Pressure as Sampled"},
    {"FS-PTC.DEGK", "Calc Pseudo Critical Temperature as Sampled"},
    {"FS-PPCAGF.KPAA", "Calc Pseudo Critical Pressure Acid Gas Free"},
    {"FS-PTCAGF.DEGK", "Calc Pseudo Critical Temperature Acid Gas Free"},
    {"H2SLC.", "Location of H2S Measurement"},
    {"H2SMT.", "Method of Analysis"},
    {"FLDH2S.PPM", "Field Gas H2S"},
    {"LABH2S.FRAC", "Laboratory; H2S Analysis"},
    {"C7+DN.", "Density of C7+ Fraction"},
    {"C7+MW.", "Mole Weight of C7+ Fraction"},
};

const ValueTable kFirstStageColumns = {
    {"COMPCOM.", "Composition Components"},
    {"MOLG.FRAC", "Molar Fraction Air Free"},
    {"MOLAGF.FRAC", "Molar Fraction Acid Gas/Air Free"},
    {"LIQVOL.ML/M3", "Liquid Volume"},
};

// Written as the users of these workbooks know them, the trailing blank and the stray L included.
const ValueTable kCondensateColumns = {
    {"COMPCOM.", "Composition Components"},
    {"MOLC.FRAC", "Molar Fraction"},
    {"MASS.FRAC", "Mass Fraction "},
    {"VOL.FRAC", "LVolume Fraction"},
};

const ValueTable kDistillationColumns = {
    {"LIQCOMP.", "Liquid Components"},
    {"MOLL.FRAC", "Molar Fraction"},
    {"MASS.FRAC", "Mass Fraction"},
    {"VOL.FRAC", "Volume Fraction"},
    {"RDLIQ.", "Relative Density of Liquid Components"},
    {"RELMM.", "Relative Molecular Mass"},
};

const ValueTable kCondensateDataProperties = {
    {"LFNUM.", "Laboratory File Number"},
    {"IDENT.", "Container Identity"},
    {"H2SLP.", "Hydrogen Sulphide Indicator - Condensate/Liquid"},
    {"LH2S.PPM", "Liquid H2S"},
    {"LIQRDN.", "Calc Rel Density of Total Sample @ 15 DegC"},
    {"LIQRMW.", "Calc Rel Mole Mass of Total Sample @ 15 DegC"},
};

const ValueTable kRecombinedDataProperties = {
    {"SEPCOND.", "Separator Conditions"},
    {"FS-GAS.E3M3/D", "First Stage Gas Rate"},
    {"SS-GAS.E3M3/D", "Second Stage Gas Rate"},
    {"LIQRAT.M3/D", "Liquid Rate"},
    {"LIQGPT.", "Liquid Gathering Point"},
    {"LIQMM.", "Liquid Molecular Mass (g/Mol)"},
    {"LIQRDN.", "Density of Liquid (kg/m3)"},
};

const ValueTable kRecombinedProperties = {
    {"RGHV.MJ/M3", "Calc Gross Heat Value Moisture Free"},
    {"RGHVA.MJ/M3", "Calc Gross Heat Value Moisture & Acid Gas Free"},
    {"RECOFLO.E3M3/D", "Recombined Flowrate"},
    {"RDGAS.", "Relative Density"},
    {"R-PPC.KPAA", "Pseudo Critical Pressure"},
    {"R-PTC.DEGK", "Pseudo Critical Temperature"},
};

}  // namespace

std::unique_ptr<TestTypeReader> makeGasAnalysisReader(float, pas::PasConverter& converter) {
  return std::make_unique<TableReader>(converter, std::vector<Registration>{
      valueSection("~GAS ANALYSIS", "GAS ANALYSIS", gasAnalysis()),
      valueSection("~LIQUID ANALYSIS", "LIQUID ANALYSIS", liquidAnalysis()),
      valueSection("~HEADER DATA - FIRST STAGE SEPARATOR GAS ANALYSIS", "FIRST STAGE SEPARATOR", firstStageHeader()),
      columnDefinitions("~DATA TABLE - FIRST STAGE SEPARATOR GAS ANALYSIS", "FIRST STAGE SEPARATOR",
                        kFirstStageColumns),
      dataBlock("~DTFSGAS", "FIRST STAGE SEPARATOR"),
      valueSection("~GAS ANALYSIS - DATA PROPERTIES", "GAS ANALYSIS", kGasDataProperties),
      valueSection("~HEADER DATA - CONDENSATE / LIQUID ANALYSIS", "CONDENSATE", condensateHeader()),
      columnDefinitions("~DATA TABLE - CONDENSATE / LIQUID ANALYSIS", "CONDENSATE", kCondensateColumns),
      dataBlock("~DTCL", "CONDENSATE"),
      valueSection("~CONDENSATE / LIQUID ANALYSIS - DATA PROPERTIES", "CONDENSATE", kCondensateDataProperties),
      columnDefinitions("~DATA TABLE - CONDENSATE / LIQUID FRACTION DISTILLATION", "CONDENSATE",
                        kDistillationColumns),
      dataBlock("~DTCLFD", "CONDENSATE"),
      valueSection("~RECOMBINED GAS ANALYSIS - DATA PROPERTIES", "RECOMBINED", kRecombinedDataProperties),
      valueSection("~RECOMBINED GAS COMPOSITION", "RECOMBINED", recombinedComposition()),
      valueSection("~RECOMBINED GAS PROPERTIES", "RECOMBINED", kRecombinedProperties),
      valueSection("~HEADER DATA - SECOND STAGE SEPARATOR - GAS ANALYSIS", "SECOND STAGE SEPARATOR",
                   secondStageHeader()),
      valueSection("~SECOND STAGE SEPARATOR - GAS ANALYSIS", "SECOND STAGE SEPARATOR", secondStageComposition()),
  });
}

}  // namespace tnw::readers
