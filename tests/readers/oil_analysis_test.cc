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
using V = std::vector<std::string>;

constexpr std::string_view kHeader = "~VERSION,TYPE.,OAN,,\n~VERSION,VERS.,2.0,,\n";

struct Expected {
  std::string mnemonic, description;
};
using Entries = std::vector<Expected>;

// The catalogue as the laboratories' files name it, typed out here on purpose.
const Entries kMethodsAndSummaries = {
    {"METHD.", "Distillation Method"},
    {"PBARA.KPAA", "Absolute Barometric Pressure"},
    {"TROOM.DEGC", "Room Temperature"},
    {"DVLNP.FRACTION", "Naphtha Summary Volume Fraction"},
    {"DVLKR.FRACTION", "Kerosene Summary Volume Fraction"},
    {"DVLGO.FRACTION", "Light Gas/Oil Summary Volume Fraction"},
    {"DVLRC.FRACTION", "Recovered Summary Volume Fraction"},
    {"DVLRS.FRACTION", "Residue Summary Volume Fraction"},
    {"DVLLS.FRACTION", "Loss Summary Volume Fraction"},
    {"CFACT.", "Characterization Factor"},
    {"GCOM.", "Comment"},
    {"DVLNP.FRAC", "Naphtha Summary Volume Fraction"},
    {"DVLKR.FRAC", "Kerosene Summary Volume Fraction"},
    {"DVLGO.FRAC", "Light Gas/Oil Summary Volume Fraction"},
    {"DVLRC.FRAC", "Recovered Summary Volume Fraction"},
    {"DVLRS.FRAC", "Residue Summary Volume Fraction"},
    {"DVLLS.FRAC", "Loss Summary Volume Fraction"},
};

struct Property {
  std::string plain, oil, description;
};
const Property kSampleProperties[] = {
    {"CNAM.", "CNAM.", "Color of Clean Oil"},
    {"CNUM.", "CNUM.", "Color Number"},
    {"BSWW.FRACTION", "BSWW.FRAC", "Fraction of Water"},
    {"BSWS.FRACTION", "BSWS.FRAC", "Fraction of Sediment"},
    {"BSW.FRACTION", "BSW.FRAC", "Fraction of Total BS&W"},
    {"RDNRX.", "RDNRX.", "Relative Density as Received"},
    {"RDNCL.", "RDNCL.", "Relative Density After Cleaning"},
    {"ADNRX.KG/M3", "ADNRX.KG/M3", "Absolute Density as Received"},
    {"ADNCL.KG/M3", "ADNCL.KG/M3", "Absolute Density After Cleaning"},
    {"API.GRAVITY", "API.", "API Gravity @ 15 Deg C"},
    {"TSUL.FRACTION", "TSUL.FRAC", "Total Sulphur Mass Fraction"},
    {"TSUL.GM/KG", "TSUL.GM/KG", "Total Sulphur"},
    {"TSALT.KG/M3", "TSALT.KG/M3", "Total Salt"},
    {"RVP.KPAA", "RVP.KPAA", "Reid Vapor Pressure"},
    {"CONRD.FRACTION", "CONRD.FRAC", "Carbon Residue Conradson Fraction"},
    {"RAMBT.FRACTION", "RAMBT.FRAC", "Carbon Residue Ramsbottom Fraction"},
    {"PPT.USBM", "PPTUSBM.DEGC", "Pour Point U.S.B.M. Standard Deg C"},
    {"PPT.ASTM", "PPTASTM.DEGC", "-60 Pour Point A.S.T.M. Standard Deg C"},
};

Entries sampleProperties(std::string Property::*mnemonic) {
  Entries out;
  for (const Property& p : kSampleProperties) out.push_back({p.*mnemonic, p.description});
  return out;
}

Entries viscosity() {
  Entries out;
  for (int k = 1; k <= 6; ++k) {
    std::string n = std::to_string(k);
    out.push_back({"UT" + n + ".DEGC", "Viscosity Temperature @ Point " + n});
    out.push_back({"UAB" + n + ".MPA'S", "Absolute/Dynamic Viscosity @ Point " + n});
    out.push_back({"UKIN" + n + ".MM2/S", "Kinematic Viscosity @ Point " + n});
  }
  return out;
}

Entries distillation(const std::string& fraction) {
  Entries out = {{"IBP.DEGC", "Boiling Point Temperature"}};
  for (int k = 1; k <= 20; ++k) {
    std::string n = std::to_string(k);
    out.push_back({"DVL" + n + "." + fraction, "Volume Fraction @ Point " + n});
    out.push_back({"DTP" + n + ".DEGC", "Volume Temperature @ Point " + n});
  }
  out.push_back({"FBP.DEGC", "Final Boiling Point Temperature"});
  out.push_back({"CRKBP.DEGC", "Cracked Boiling Point Temperature"});
  return out;
}


// Feeds one line per entry of `section` and checks the rows on `sheet`, in order.
void expectCatalogue(std::string_view section, std::string_view sheet, const Entries& entries) {
  std::string text(kHeader);
  for (const Expected& e : entries) text += std::string(section) + "," + e.mnemonic + ",41.5,file text,\n";
  auto c = convertText(text);
  int32_t row = 2;
  for (const Expected& e : entries) {
    std::string r = std::to_string(row++);
    EXPECT_EQ(shownValue(c->book, sheet, "B" + r), section) << e.mnemonic;
    EXPECT_EQ(shownValue(c->book, sheet, "C" + r), e.mnemonic);
    EXPECT_EQ(shownValue(c->book, sheet, "D" + r), "41.5") << e.mnemonic;
    EXPECT_EQ(shownValue(c->book, sheet, "G" + r), e.description) << e.mnemonic;
    EXPECT_EQ(testing::styleAt(c->book, sheet, "C" + r).fill, sheet::kNoColour) << e.mnemonic;
  }
  EXPECT_EQ(errorsOf(*c), "") << section;
}

TEST(OilAnalysis, EveryCatalogueEntryInBothVocabularies) {
  expectCatalogue("~METHODS AND SUMMARIES", "METHODS AND SUMMARIES", kMethodsAndSummaries);
  expectCatalogue("~SAMPLE PROPERTIES", "SAMPLE PROPERTIES", sampleProperties(&Property::plain));
  expectCatalogue("~OIL SAMPLE PROPERTIES", "SAMPLE PROPERTIES", sampleProperties(&Property::oil));
  expectCatalogue("~VISCOSITY", "VISCOSITY", viscosity());
  expectCatalogue("~OIL VISCOSITY", "VISCOSITY", viscosity());
  expectCatalogue("~DISTILLATION", "DISTILLATION", distillation("FRACTION"));
  expectCatalogue("~OIL DISTILLATION", "DISTILLATION", distillation("FRAC"));
}

TEST(OilAnalysis, TheVocabulariesDoNotMix) {
  auto c = convertText(std::string(kHeader) +
                       "~SAMPLE PROPERTIES,BSWW.FRAC,0.002,,\n"
                       "~OIL SAMPLE PROPERTIES,BSWW.FRACTION,0.002,,\n"
                       "~OIL SAMPLE PROPERTIES,API.GRAVITY,32.1,,\n"
                       "~DISTILLATION,DVL1.FRAC,0.05,,\n"
                       "~OIL DISTILLATION,DVL1.FRACTION,0.05,,\n"
                       "~DISTILLATION,DVL21.FRACTION,0.99,,\n"
                       "~DISTILLATION,DTP01.DEGC,52,,\n"
                       "~VISCOSITY,UT7.DEGC,80,,\n"
                       "~OIL VISCOSITY,UAB1.MPAS,12.1,,\n");
  EXPECT_EQ(c->converter.errorCount(), 9);
  EXPECT_EQ(testing::sheetNames(c->book), (V{"TEST INFORMATION"}));
}

TEST(OilAnalysis, EachPairOfSectionsSharesItsSheet) {
  auto c = convertText(std::string(kHeader) +
                       "~VISCOSITY,UT1.DEGC,20,,\n~OIL VISCOSITY,UT1.DEGC,40,,\n"
                       "~OIL SAMPLE PROPERTIES,CNAM.,Brown,,\n~SAMPLE PROPERTIES,CNAM.,Black,,\n"
                       "~METHODS AND SUMMARIES,DVLNP.FRAC,0.21,,\n~METHODS AND SUMMARIES,DVLNP.FRACTION,0.22,,\n"
                       "~VISCOSITY,uab1.mpa's,9.7,,\n");
  EXPECT_EQ(testing::sheetNames(c->book),
            (V{"TEST INFORMATION", "VISCOSITY", "SAMPLE PROPERTIES", "METHODS AND SUMMARIES"}));
  EXPECT_EQ(rowValues(c->book, "VISCOSITY", 2), (V{"3", "~VISCOSITY", "UT1.DEGC", "20", "", "",
                                                   "Viscosity Temperature @ Point 1"}));
  EXPECT_EQ(rowValues(c->book, "VISCOSITY", 3), (V{"4", "~OIL VISCOSITY", "UT1.DEGC", "40", "", "",
                                                   "Viscosity Temperature @ Point 1"}));
  EXPECT_EQ(shownValue(c->book, "SAMPLE PROPERTIES", "B2"), "~OIL SAMPLE PROPERTIES");
  EXPECT_EQ(shownValue(c->book, "SAMPLE PROPERTIES", "B3"), "~SAMPLE PROPERTIES");
  EXPECT_EQ(shownValue(c->book, "METHODS AND SUMMARIES", "C2"), "DVLNP.FRAC");
  EXPECT_EQ(shownValue(c->book, "METHODS AND SUMMARIES", "C3"), "DVLNP.FRACTION");
  EXPECT_EQ(shownValue(c->book, "METHODS AND SUMMARIES", "G3"), "Naphtha Summary Volume Fraction");
  // Upper-cased on the second try, and written under the table's mnemonic.
  EXPECT_EQ(rowValues(c->book, "VISCOSITY", 4), (V{"9", "~VISCOSITY", "UAB1.MPA'S", "9.7", "", "",
                                                   "Absolute/Dynamic Viscosity @ Point 1"}));
  EXPECT_EQ(c->converter.errorCount(), 0);
}


std::string exampleText(std::string_view file) {
  std::ifstream in(testing::sourcePath("examples/" + std::string(file)), std::ios::binary);
  std::stringstream out;
  out << in.rdbuf();
  return out.str();
}

TEST(OilAnalysisExamples, ConvertWithTheirIntendedErrorsOnly) {
  auto c = convertText(exampleText("oil-analysis.pas"));
  EXPECT_EQ(errorsOf(*c), "~DISTILLATION,DVL20.FRAC,0.546,Volume fraction 20,\n");
  c = convertText(exampleText("oil-analysis-long-names.pas"));
  EXPECT_EQ(errorsOf(*c), "");
  EXPECT_EQ(testing::sheetNames(c->book), (V{"TEST INFORMATION", "METHODS AND SUMMARIES", "SAMPLE PROPERTIES",
                                             "VISCOSITY", "DISTILLATION"}));
}

}  // namespace
}  // namespace tnw::readers
