#include <gtest/gtest.h>

#include <algorithm>
#include <span>

#include "test_support.h"

namespace tnw::readers {
namespace {

using testing::convertText;
using testing::shownValue;

constexpr std::string_view kHeader = "~VERSION,TYPE.,WAN,,\n~VERSION,VERS.,2.0,,\n";

struct Expected {
  std::string_view mnemonic, description;
};

// The catalogue as the laboratories' files name it, typed out here on purpose.
const Expected kCations[] = {
    {"NA.MG/L", "Sodium Citation"},       {"NA.FRACTION", "Sodium Cation Mass Fraction"},
    {"NA.MEQ/L", "Sodium Cation Concentration"},
    {"K.MG/L", "Potassium Citation"},     {"K.FRACTION", "Potassium Cation Mass Fraction"},
    {"K.MEQ/L", "Potassium Cation Concentration"},
    {"CA.MG/L", "Calcium Citation"},      {"CA.FRACTION", "Calcium Cation Mass Fraction"},
    {"CA.MEQ/L", "Calcium Cation Concentration"},
    {"MG.MG/L", "Magnesium Citation"},    {"MG.FRACTION", "Magnesium Cation Mass Fraction"},
    {"MG.MEQ/L", "Magnesium Cation Concentration"},
    {"BA.MG/L", "Barium Citation"},       {"BA.FRACTION", "Barium Cation Mass Fraction"},
    {"BA.MEQ/L", "Barium Cation Concentration"},
    {"SR.MG/L", "Strontium Citation"},    {"SR.FRACTION", "Strontium Cation Mass Fraction"},
    {"SR.MEQ/L", "Strontium Cation Concentration"},
    {"FE.MG/L", "Iron Citation"},         {"FE.FRACTION", "Iron Cation Mass Fraction"},
    {"FE.MEQ/L", "Iron Cation Concentration"},
    {"MN.MG/L", "Manganese Citation"},    {"MN.FRACTION", "Manganese Cation Mass Fraction"},
    {"MN.MEQ/L", "Manganese Cation Concentration"},
    {"B.MG/L", "Boron Citation"},         {"B.FRACTION", "Boron Cation Mass Fraction"},
    {"B.MEQ/L", "Boron Cation Concentration"},
};

const Expected kAnions[] = {
    {"CL.MG/L", "Chloride Anion"},        {"CL.FRACTION", "Chloride Anion Mass Fraction"},
    {"CL.MEQ/L", "Chloride Anion Concentration"},
    {"BR.MG/L", "Bromide Anion"},         {"BR.FRACTION", "Bromide Anion Mass Fraction"},
    {"BR.MEQ/L", "Bromide Anion Concentration"},
    {"I.MG/L", "Iodide Anion"},           {"I.FRACTION", "Iodide Anion Mass Fraction"},
    {"I.MEQ/L", "Iodide Anion Concentration"},
    {"HCO3.MG/L", "Bicarbonate Anion"},   {"HCO3.FRACTION", "Bicarbonate Anion Mass Fraction"},
    {"HCO3.MEQ/L", "Bicarbonate Anion Concentration"},
    {"SO4.MG/L", "Sulphate Anion"},       {"SO4.FRACTION", "Sulphate Anion Mass Fraction"},
    {"SO4.MEQ/L", "Sulphate Anion Concentration"},
    {"CO3.MG/L", "Carbonate Anion"},      {"CO3.FRACTION", "Carbonate Anion Mass Fraction"},
    {"CO3.MEQ/L", "Carbonate Anion Concentration"},
    {"OH.MG/L", "Hydroxide Anion"},       {"OH.FRACTION", "Hydroxide Anion Mass Fraction"},
    {"OH.MEQ/L", "Hydroxide Anion Concentration"},
    {"H2S.MG/L", "Hydrogen Sulphide Anion"}, {"H2S.FRACTION", "Hydrogen Sulphide Anion Mass Fraction"},
    {"H2S.MEQ/L", "Hydrogen Sulphide Anion Concentration"},
};

const Expected kSolidsOther[] = {
    {"DS110.MG/L", "Total Solids Evaporated @ 110 Deg C"}, {"DS180.MG/L", "Total Solids Evaporated @ 180 Deg C"},
    {"DSING.MG/L", "Total Solids @ Ignition"},            {"DSCAL.MG/L", "Total Solids Calculated"},
    {"RDEN.", "Relative Density"},                        {"RDWTR.", "Relative Density"},
    {"RDTMP.DEGC", "Relative Density Temperature"},       {"RFIDX.", "Refractive Index"},
    {"RFTMP.DEGC", "Refractive Index Temperature"},       {"PHOBS.", "Observed PH"},
    {"PHTMP.DEGC", "Observed PH Temperature"},            {"PEOHM.", "Resistivity"},
    {"PETMP.DEGC", "Resistivity Temperature"},            {"SALT.%", "Salinity Total"},
    {"SALT.PCT", "Salinity Total"},                       {"GCOM.", "Comment"},
    {"H2S.MG/L", "Hydrogen Sulphide"},
};
constexpr std::string_view kNotInShortSolids[] = {"RDWTR.", "SALT.PCT", "H2S.MG/L"};

// Feeds one line per entry of `section` and checks the rows on `sheet`, in order.
void expectCatalogue(std::string_view section, std::string_view sheet, std::span<const Expected> entries,
                     std::span<const std::string_view> declined = {}) {
  std::string text(kHeader);
  for (const Expected& e : entries) text += std::string(section) + "," + std::string(e.mnemonic) + ",7,file text,\n";
  auto c = convertText(text);
  int32_t row = 2, errors = 0;
  for (const Expected& e : entries) {
    if (std::find(declined.begin(), declined.end(), e.mnemonic) != declined.end()) {
      ++errors;
      continue;
    }
    std::string r = std::to_string(row++);
    EXPECT_EQ(shownValue(c->book, sheet, "B" + r), section) << e.mnemonic;
    EXPECT_EQ(shownValue(c->book, sheet, "C" + r), e.mnemonic);
    EXPECT_EQ(shownValue(c->book, sheet, "D" + r), "7") << e.mnemonic;
    EXPECT_EQ(shownValue(c->book, sheet, "G" + r), e.description) << e.mnemonic;
  }
  EXPECT_EQ(c->converter.errorCount(), errors) << section;
}

TEST(WaterAnalysis, EveryCatalogueEntryInBothVocabularies) {
  expectCatalogue("~CATIONS", "CATIONS", kCations);
  expectCatalogue("~WATER CATIONS", "CATIONS", kCations);
  expectCatalogue("~ANIONS", "ANIONS", kAnions);
  expectCatalogue("~WATER ANIONS", "ANIONS", kAnions);
  expectCatalogue("~WATER SOLIDS AND OTHER MEASUREMENTS", "SOLIDS-OTHER", kSolidsOther);
  expectCatalogue("~SOLIDS", "SOLIDS", kSolidsOther, kNotInShortSolids);
}

TEST(WaterAnalysis, BothNamesOfAGroupShareItsSheet) {
  auto c = convertText(std::string(kHeader) +
                       "~CATIONS,NA.MG/L,1,,\n~WATER CATIONS,NA.MG/L,2,,\n"
                       "~SOLIDS,SALT.%,3,,\n~WATER SOLIDS AND OTHER MEASUREMENTS,SALT.%,4,,\n");
  EXPECT_EQ(testing::sheetNames(c->book),
            (std::vector<std::string>{"TEST INFORMATION", "CATIONS", "SOLIDS", "SOLIDS-OTHER"}));
  EXPECT_EQ(shownValue(c->book, "CATIONS", "B2"), "~CATIONS");
  EXPECT_EQ(shownValue(c->book, "CATIONS", "B3"), "~WATER CATIONS");
  EXPECT_EQ(shownValue(c->book, "SOLIDS", "D2"), "3");
  EXPECT_EQ(shownValue(c->book, "SOLIDS-OTHER", "D2"), "4");
}

TEST(WaterAnalysis, NoReaderBeforeTypeAndVersionAreKnown) {
  auto c = convertText("~CATIONS,NA.MG/L,1,,\n~VERSION,TYPE.,WAN,,\n~CATIONS,NA.MG/L,2,,\n"
                       "~VERSION,VERS.,x,,\n~CATIONS,NA.MG/L,3,,\n~VERSION,TYPE.,GAN,,\n~CATIONS,NA.MG/L,4,,\n");
  EXPECT_EQ(c->converter.errorCount(), 2);
  EXPECT_EQ(shownValue(c->book, "CATIONS", "A2"), "5");  // a version that is no number still makes it
  EXPECT_EQ(shownValue(c->book, "CATIONS", "A3"), "7");  // and the first reader stays
}

}  // namespace
}  // namespace tnw::readers
