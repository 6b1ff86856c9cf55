#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace tnw::readers {
namespace {

using testing::errorsOf;

using testing::convertText;
using testing::rowValues;
using testing::shownValue;
using testing::styleAt;
using V = std::vector<std::string>;

constexpr std::string_view kHeader = "~VERSION,TYPE.,GAN,,\n~VERSION,VERS.,2.0,,\n";

struct Expected {
  std::string mnemonic, description;
};
using Entries = std::vector<Expected>;

// The catalogue as the laboratories' files name it, typed out here on purpose.
struct Component {
  std::string code, analysis, secondStage, recombined;
};
const Component kComponents[] = {
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

Entries components(Entries lead, const std::string& prefix, const std::string& unit,
                   std::string Component::*description) {
  for (const Component& c : kComponents) lead.push_back({prefix + c.code + "." + unit, c.*description});
  return lead;
}

const Entries kSampleHeader = {
    {"SDAT.DAY", "Date Sampled"},         {"SPNT.", "Sample Gathering Point Code"},
    {"SPNTN.", "Description of Sample Point"}, {"SPRES.KPAA", "Sample Pressure"},
    {"STEMP.DEGC", "Sample Temperature"}, {"RPRES.KPAA", "Received Pressure"},
    {"RTEMP.DEGC", "Received Temperature"}, {"ADAT.DAY", "Date Analyzed"},
};

Entries sampleHeader(const std::string& prefix) {
  Entries out;
  for (const Expected& e : kSampleHeader) out.push_back({prefix + e.mnemonic, e.description});
  return out;
}

const Entries kGasDataProperties = {
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

const Entries kCondensateDataProperties = {
    {"LFNUM.", "Laboratory File Number"},
    {"IDENT.", "Container Identity"},
    {"H2SLP.", "Hydrogen Sulphide Indicator - Condensate/Liquid"},
    {"LH2S.PPM", "Liquid H2S"},
    {"LIQRDN.", "Calc Rel Density of Total Sample @ 15 DegC"},
    {"LIQRMW.", "Calc Rel Mole Mass of Total Sample @ 15 DegC"},
};

const Entries kRecombinedDataProperties = {
    {"SEPCOND.", "Separator Conditions"},     {"FS-GAS.E3M3/D", "First Stage Gas Rate"},
    {"SS-GAS.E3M3/D", "Second Stage Gas Rate"}, {"LIQRAT.M3/D", "Liquid Rate"},
    {"LIQGPT.", "Liquid Gathering Point"},     {"LIQMM.", "Liquid Molecular Mass (g/Mol)"},
    {"LIQRDN.", "Density of Liquid (kg/m3)"},
};

const Entries kRecombinedProperties = {
    {"RGHV.MJ/M3", "Calc Gross Heat Value Moisture Free"},
    {"RGHVA.MJ/M3", "Calc Gross Heat Value Moisture & Acid Gas Free"},
    {"RECOFLO.E3M3/D", "Recombined Flowrate"},
    {"RDGAS.", "Relative Density"},
    {"R-PPC.KPAA", "Pseudo Critical Pressure"},
    {"R-PTC.DEGK", "Pseudo Critical Temperature"},
};

const Entries kFirstStageColumns = {
    {"COMPCOM.", "Composition Components"},
    {"MOLG.FRAC", "Molar Fraction Air Free"},
    {"MOLAGF.FRAC", "Molar Fraction Acid Gas/Air Free"},
    {"LIQVOL.ML/M3", "Liquid Volume"},
};
const Entries kCondensateColumns = {
    {"COMPCOM.", "Composition Components"},
    {"MOLC.FRAC", "Molar Fraction"},
    {"MASS.FRAC", "Mass Fraction "},
    {"VOL.FRAC", "LVolume Fraction"},
};
const Entries kDistillationColumns = {
    {"LIQCOMP.", "Liquid Components"},
    {"MOLL.FRAC", "Molar Fraction"},
    {"MASS.FRAC", "Mass Fraction"},
    {"VOL.FRAC", "Volume Fraction"},
    {"RDLIQ.", "Relative Density of Liquid Components"},
    {"RELMM.", "Relative Molecular Mass"},
};


// Feeds one line per entry of `section` and checks the rows on `sheet`, in order. `lead` is a
// line of another sheet put first, for sections that a fresh reader would not route to.
void expectCatalogue(std::string_view section, std::string_view sheet, const Entries& entries,
                     sheet::Colour fill = sheet::kNoColour, std::string_view lead = {}) {
  std::string text(kHeader);
  text += lead;
  for (const Expected& e : entries) text += std::string(section) + "," + e.mnemonic + ",0.25,file text,\n";
  auto c = convertText(text);
  int32_t row = 2;
  for (const Expected& e : entries) {
    std::string r = std::to_string(row++);
    EXPECT_EQ(shownValue(c->book, sheet, "B" + r), section) << e.mnemonic;
    EXPECT_EQ(shownValue(c->book, sheet, "C" + r), e.mnemonic);
    EXPECT_EQ(shownValue(c->book, sheet, "D" + r), "0.25") << e.mnemonic;
    EXPECT_EQ(shownValue(c->book, sheet, "G" + r), e.description) << e.mnemonic;
    EXPECT_EQ(styleAt(c->book, sheet, "C" + r).fill, fill) << e.mnemonic;
  }
  EXPECT_EQ(errorsOf(*c), "") << section;
}

constexpr std::string_view kFirstStageLine = "~HEADER DATA - FIRST STAGE SEPARATOR GAS ANALYSIS,FS-SPNT.,WH,,\n";

TEST(GasAnalysis, EveryCatalogueEntryOfTheAnalysisSections) {
  expectCatalogue("~GAS ANALYSIS", "GAS ANALYSIS",
                  components({{"SGG.", "Gas Specific Gravity"}, {"H2SGP.", "Hydrogen Sulfide Indicator"}}, "",
                             "FRACTION", &Component::analysis));
  expectCatalogue("~LIQUID ANALYSIS", "LIQUID ANALYSIS",
                  components({{"RDLIQ.M3/M3", "Liquid Relative Density"},
                              {"RELMM.", "Relative Molar Mass"},
                              {"BG.RM3/M3", "Gas Formation Volume Factor"},
                              {"H2SLP.", "Hydrogen Sulfide Indicator"}},
                             "", "FRACTION", &Component::analysis));
}

TEST(GasAnalysis, EveryCatalogueEntryOfTheSampleSections) {
  const auto colDefs = sheet::kTableStartFill;
  expectCatalogue("~HEADER DATA - FIRST STAGE SEPARATOR GAS ANALYSIS", "FIRST STAGE SEPARATOR", sampleHeader("FS-"));
  expectCatalogue("~DATA TABLE - FIRST STAGE SEPARATOR GAS ANALYSIS", "FIRST STAGE SEPARATOR", kFirstStageColumns,
                  colDefs);
  expectCatalogue("~GAS ANALYSIS - DATA PROPERTIES", "GAS ANALYSIS", kGasDataProperties, sheet::kNoColour,
                  kFirstStageLine);
  expectCatalogue("~HEADER DATA - CONDENSATE / LIQUID ANALYSIS", "CONDENSATE", sampleHeader("CL-"));
  expectCatalogue("~DATA TABLE - CONDENSATE / LIQUID ANALYSIS", "CONDENSATE", kCondensateColumns, colDefs);
  expectCatalogue("~CONDENSATE / LIQUID ANALYSIS - DATA PROPERTIES", "CONDENSATE", kCondensateDataProperties);
  expectCatalogue("~DATA TABLE - CONDENSATE / LIQUID FRACTION DISTILLATION", "CONDENSATE", kDistillationColumns,
                  colDefs);
  expectCatalogue("~RECOMBINED GAS ANALYSIS - DATA PROPERTIES", "RECOMBINED", kRecombinedDataProperties);
  expectCatalogue("~RECOMBINED GAS COMPOSITION", "RECOMBINED", components({}, "R-", "FRAC", &Component::recombined));
  expectCatalogue("~RECOMBINED GAS PROPERTIES", "RECOMBINED", kRecombinedProperties);
  expectCatalogue("~HEADER DATA - SECOND STAGE SEPARATOR - GAS ANALYSIS", "SECOND STAGE SEPARATOR",
                  sampleHeader("SS-"));
  expectCatalogue("~SECOND STAGE SEPARATOR - GAS ANALYSIS", "SECOND STAGE SEPARATOR",
                  components({}, "SS-", "FRAC", &Component::secondStage));
}

// The search is not anchored, so a line can hold the patterns of two entries; the entry tried
// first writes the row. The second stage tries nitrogen after all other components.
TEST(GasAnalysis, TheSecondStageTriesNitrogenLast) {
  auto twoEntries = [](const std::string& section, const std::string& prefix, const std::string& unit) {
    return section + "," + prefix + "N2." + unit + ",0.01," + section + "," + prefix + "C7+." + unit + ",0.02,\n" +
           section + "," + prefix + "H2." + unit + ",0.03," + section + "," + prefix + "N2." + unit + ",0.04,\n";
  };
  auto c = convertText(std::string(kHeader) + twoEntries("~SECOND STAGE SEPARATOR - GAS ANALYSIS", "SS-", "FRAC") +
                       twoEntries("~GAS ANALYSIS", "", "FRACTION") +
                       twoEntries("~RECOMBINED GAS COMPOSITION", "R-", "FRAC"));
  auto mnemonicAndValue = [&](const char* sheet, int32_t row) {
    V r = rowValues(c->book, sheet, row);
    return V{r.at(2), r.at(3)};
  };
  EXPECT_EQ(mnemonicAndValue("SECOND STAGE SEPARATOR", 2), (V{"SS-C7+.FRAC", "0.02"}));
  EXPECT_EQ(mnemonicAndValue("SECOND STAGE SEPARATOR", 3), (V{"SS-H2.FRAC", "0.03"}));
  EXPECT_EQ(mnemonicAndValue("GAS ANALYSIS", 2), (V{"N2.FRACTION", "0.01"}));
  EXPECT_EQ(mnemonicAndValue("GAS ANALYSIS", 3), (V{"N2.FRACTION", "0.04"}));
  EXPECT_EQ(mnemonicAndValue("RECOMBINED", 2), (V{"R-N2.FRAC", "0.01"}));
  EXPECT_EQ(mnemonicAndValue("RECOMBINED", 3), (V{"R-N2.FRAC", "0.04"}));
}

TEST(GasAnalysis, DataBlocks) {
  auto c = convertText(std::string(kHeader) +
                       "~DTFSGAS,C1,0.8123,0.8301,\n~DTFSGAS,C2,0.0712,,\n~DTFSGASX,C3,0.1,\n"
                       "~DTCL,C1,0.0101,0.0012,0.0031,\n"
                       "~DATA TABLE - CONDENSATE / LIQUID FRACTION DISTILLATION,LIQCOMP.,,Components,\n"
                       "~DTCLFD,C7,0.1102,0.0921,0.1011,0.7271,96,\n~DTCLFD,C8,0.1230,,\n"
                       "~DTCL,C2,0.02,\n");
  EXPECT_EQ(rowValues(c->book, "FIRST STAGE SEPARATOR", 2), (V{"3", "~DTFSGAS", "C1", "0.8123", "0.8301"}));
  EXPECT_EQ(rowValues(c->book, "FIRST STAGE SEPARATOR", 3), (V{"4", "~DTFSGAS", "C2", "0.0712"}));
  EXPECT_TRUE(styleAt(c->book, "FIRST STAGE SEPARATOR", "C2").bold);
  EXPECT_FALSE(styleAt(c->book, "FIRST STAGE SEPARATOR", "C3").bold);
  // Both condensate tables and their column definitions share one sheet, in file order.
  EXPECT_EQ(rowValues(c->book, "CONDENSATE", 2), (V{"6", "~DTCL", "C1", "0.0101", "0.0012", "0.0031"}));
  EXPECT_EQ(shownValue(c->book, "CONDENSATE", "C3"), "LIQCOMP.");
  EXPECT_EQ(rowValues(c->book, "CONDENSATE", 4),
            (V{"8", "~DTCLFD", "C7", "0.1102", "0.0921", "0.1011", "0.7271", "96"}));
  EXPECT_EQ(styleAt(c->book, "CONDENSATE", "C4").fill, sheet::kTableStartFill);
  EXPECT_FALSE(styleAt(c->book, "CONDENSATE", "C5").bold);
  EXPECT_EQ(shownValue(c->book, "CONDENSATE", "B6"), "~DTCL");
  EXPECT_TRUE(styleAt(c->book, "CONDENSATE", "C6").bold);
  EXPECT_EQ(errorsOf(*c), "~DTFSGASX,C3,0.1,\n");
}

// "~GAS ANALYSIS" begins "~GAS ANALYSIS - DATA PROPERTIES" and "~DTCL" begins "~DTCLFD". A line
// of the longer section is taken by whichever of the two the search from the section of the
// last line reaches first: the lines before it decide.
TEST(GasAnalysis, TheLinesBeforeDecideWhichOfTwoOverlappingSectionsTakesALine) {
  auto c = convertText(std::string(kHeader) +
                       "~GAS ANALYSIS - DATA PROPERTIES,LFNUM.,L-1,,\n"  // a fresh reader: ~GAS ANALYSIS
                       "~LIQUID ANALYSIS,RELMM.,24.6,,\n"
                       "~GAS ANALYSIS - DATA PROPERTIES,LFNUM.,L-2,,\n"  // past ~GAS ANALYSIS: its own
                       "~GAS ANALYSIS - DATA PROPERTIES,IDENT.,C-2,,\n"
                       "~GAS ANALYSIS,SGG.,0.652,,\n"
                       "~GAS ANALYSIS - DATA PROPERTIES,IDENT.,C-3,,\n"  // back behind ~GAS ANALYSIS
                       "~DTCLFD,C7,0.11,\n"                             // reaches ~DTCL first
                       "~DATA TABLE - CONDENSATE / LIQUID FRACTION DISTILLATION,MOLL.FRAC,,,\n"
                       "~DTCLFD,C8,0.12,\n"
                       "# each line no section takes moves the search back by one section\n"
                       "# two of them still leave ~DTCLFD ahead of ~DTCL\n"
                       "~DTCLFD,C9,0.13,\n"
                       "# a third one\n# puts ~DTCL\n# ahead again\n"
                       "~DTCLFD,C10,0.14,\n");
  EXPECT_EQ(errorsOf(*c),
            "~GAS ANALYSIS - DATA PROPERTIES,LFNUM.,L-1,,\n"
            "~GAS ANALYSIS - DATA PROPERTIES,IDENT.,C-3,,\n"
            "~DTCLFD,C7,0.11,\n"
            "~DTCLFD,C10,0.14,\n");
  // Rows of both gas analysis sections share their sheet, in file order.
  EXPECT_EQ(rowValues(c->book, "GAS ANALYSIS", 2), (V{"5", "~GAS ANALYSIS - DATA PROPERTIES", "LFNUM.", "L-2", "", "",
                                                      "Laboratory File Number"}));
  EXPECT_EQ(shownValue(c->book, "GAS ANALYSIS", "C3"), "IDENT.");
  EXPECT_EQ(rowValues(c->book, "GAS ANALYSIS", 4),
            (V{"7", "~GAS ANALYSIS", "SGG.", "0.652", "", "", "Gas Specific Gravity"}));
  EXPECT_EQ(rowValues(c->book, "CONDENSATE", 3), (V{"11", "~DTCLFD", "C8", "0.12"}));
  EXPECT_EQ(rowValues(c->book, "CONDENSATE", 4), (V{"14", "~DTCLFD", "C9", "0.13"}));
}

TEST(GasAnalysis, LinesTheTablesDoNotKnow) {
  auto c = convertText(std::string(kHeader) +
                       "~RECOMBINED GAS ANALYSIS - DATA PROPERTIES,LIQRAT.M3/D,12.5,Liquid flow in m3 per day,\n"
                       "~RECOMBINED GAS ANALYSIS - DATA PROPERTIES,LIQRAT.M3/H,0.52,,\n"
                       "~RECOMBINED GAS ANALYSIS - DATA PROPERTIES,SEPCOND.,700 kPa, 20 C,,\n"
                       "~GAS ANALYSIS,C1.FRAC,0.8,,\n"
                       "~SECOND STAGE SEPARATOR - GAS ANALYSIS,SS-C1.FRACTION,0.8,,\n"
                       "~HEADER DATA - FIRST STAGE SEPARATOR GAS ANALYSIS,SDAT.DAY,2025 03 04,,\n"
                       "~HEADER DATA - SECOND STAGE SEPARATOR GAS ANALYSIS,SS-SDAT.DAY,2025 03 04,,\n"
                       "~SECOND STAGE SEPARATOR - GAS ANALYSIS,SS-N2.FRAC,0.0042,,\n"
                       "~LIQUID ANALYSIS,h2slp.,Y,,\n");
  EXPECT_EQ(rowValues(c->book, "RECOMBINED", 2), (V{"3", "~RECOMBINED GAS ANALYSIS - DATA PROPERTIES", "LIQRAT.M3/D",
                                                    "12.5", "", "", "Liquid Rate"}));
  EXPECT_EQ(shownValue(c->book, "RECOMBINED", "D3"), "700 kPa");  // a value ends at its first comma
  EXPECT_EQ(shownValue(c->book, "SECOND STAGE SEPARATOR", "C2"), "SS-N2.FRAC");
  // Upper-cased on the second try, and written under the table's mnemonic.
  EXPECT_EQ(rowValues(c->book, "LIQUID ANALYSIS", 2), (V{"11", "~LIQUID ANALYSIS", "H2SLP.", "Y", "", "",
                                                         "Hydrogen Sulfide Indicator"}));
  EXPECT_EQ(errorsOf(*c),
            "~RECOMBINED GAS ANALYSIS - DATA PROPERTIES,LIQRAT.M3/H,0.52,,\n"
            "~GAS ANALYSIS,C1.FRAC,0.8,,\n"
            "~SECOND STAGE SEPARATOR - GAS ANALYSIS,SS-C1.FRACTION,0.8,,\n"
            "~HEADER DATA - FIRST STAGE SEPARATOR GAS ANALYSIS,SDAT.DAY,2025 03 04,,\n"
            "~HEADER DATA - SECOND STAGE SEPARATOR GAS ANALYSIS,SS-SDAT.DAY,2025 03 04,,\n");
  EXPECT_EQ(testing::sheetNames(c->book),
            (V{"TEST INFORMATION", "RECOMBINED", "SECOND STAGE SEPARATOR", "LIQUID ANALYSIS"}));
}

TEST(GasAnalysis, TheCanonicalRetryReachesTheDataProperties) {
  auto c = convertText(std::string(kHeader) + std::string(kFirstStageLine) +
                       "~GAS ANALYSIS - DATA PROPERTIES,lfnum.,G-118,,\n");
  EXPECT_EQ(rowValues(c->book, "GAS ANALYSIS", 2), (V{"4", "~GAS ANALYSIS - DATA PROPERTIES", "LFNUM.", "G-118", "",
                                                      "", "Laboratory File Number"}));
  EXPECT_EQ(c->converter.errorCount(), 0);
}


std::string exampleText(std::string_view file) {
  std::ifstream in(testing::sourcePath("examples/" + std::string(file)), std::ios::binary);
  std::stringstream out;
  out << in.rdbuf();
  return out.str();
}

TEST(GasAnalysisExamples, ConvertWithTheirIntendedErrorsOnly) {
  auto c = convertText(exampleText("gas-analysis.pas"));
  EXPECT_EQ(errorsOf(*c), "~LIQUID ANALYSIS,C7+.FRAC,0.5364,Heptanes plus,\n");
  EXPECT_EQ(testing::sheetNames(c->book), (V{"TEST INFORMATION", "GAS ANALYSIS", "LIQUID ANALYSIS"}));
  c = convertText(exampleText("gas-analysis-sample-sections.pas"));
  EXPECT_EQ(errorsOf(*c), "~GAS ANALYSIS - DATA PROPERTIES,FLDH2S.PPM,0,Field H2S,\n");
  EXPECT_EQ(testing::sheetNames(c->book), (V{"TEST INFORMATION", "FIRST STAGE SEPARATOR", "GAS ANALYSIS", "CONDENSATE",
                                             "RECOMBINED", "SECOND STAGE SEPARATOR"}));
}

}  // namespace
}  // namespace tnw::readers
