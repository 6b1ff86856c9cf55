// Oil analysis (OAN): a laboratory's analysis of an oil sample, its distillation method and
// summary fractions, its properties, its viscosity at up to six temperatures and its
// distillation curve of up to twenty points. Two vocabularies live side by side: "~SAMPLE
// PROPERTIES", "~VISCOSITY" and "~DISTILLATION" give fractions as FRACTION; "~OIL SAMPLE
// PROPERTIES", "~OIL VISCOSITY" and "~OIL DISTILLATION" as FRAC. Each pair writes to one sheet,
// and "~METHODS AND SUMMARIES" takes both units.
#include "readers/oil_analysis.h"

#include <deque>
#include <string>
#include <vector>

#include "readers/framework.h"

namespace tnw::readers {

namespace {


const ValueTable kMethodsAndSummaries = {
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

// One property under the mnemonic of each vocabulary.
struct SampleProperty {
  std::string_view sampleProperties;     // "~SAMPLE PROPERTIES"
  std::string_view oilSampleProperties;  // "~OIL SAMPLE PROPERTIES"
  std::string_view description;
};

constexpr SampleProperty kSampleProperties[] = {
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

using Vocabulary = std::string_view SampleProperty::*;

ValueTable propertiesNamedBy(Vocabulary mnemonic) {
  ValueTable t;
  for (const SampleProperty& p : kSampleProperties) t.push_back({p.*mnemonic, p.description});
  return t;
}

const ValueTable& sampleProperties() {
  static const ValueTable t = propertiesNamedBy(&SampleProperty::sampleProperties);
  return t;
}

const ValueTable& oilSampleProperties() {
  static const ValueTable t = propertiesNamedBy(&SampleProperty::oilSampleProperties);
  return t;
}

constexpr int kViscosityPoints = 6;
constexpr int kDistillationPoints = 20;

// Each viscosity point: its temperature, and the dynamic and kinematic viscosity measured at it.
// Both vocabularies name them alike.
const ValueTable& viscosity() {
  static const BuiltTable t([](BuiltTable& t) {
    for (int k = 1; k <= kViscosityPoints; ++k) {
      std::string n = std::to_string(k);
      t.add("UT" + n + ".DEGC", "Viscosity Temperature @ Point " + n);
      t.add("UAB" + n + ".MPA'S", "Absolute/Dynamic Viscosity @ Point " + n);
      t.add("UKIN" + n + ".MM2/S", "Kinematic Viscosity @ Point " + n);
    }
  });
  return t.table();
}

// The curve from the initial to the final boiling point: at each point the fraction distilled
// and the temperature reached.
void addDistillation(BuiltTable& t, std::string_view fractionUnit) {
  t.add({"IBP.DEGC", "Boiling Point Temperature"});
  for (int k = 1; k <= kDistillationPoints; ++k) {
    std::string n = std::to_string(k);
    t.add("DVL" + n + "." + std::string(fractionUnit), "Volume Fraction @ Point " + n);
    t.add("DTP" + n + ".DEGC", "Volume Temperature @ Point " + n);
  }
  t.add({"FBP.DEGC", "Final Boiling Point Temperature"});
  t.add({"CRKBP.DEGC", "Cracked Boiling Point Temperature"});
}

const ValueTable& distillation() {
  static const BuiltTable t([](BuiltTable& t) { addDistillation(t, "FRACTION"); });
  return t.table();
}

const ValueTable& oilDistillation() {
  static const BuiltTable t([](BuiltTable& t) { addDistillation(t, "FRAC"); });
  return t.table();
}

}  // namespace

std::unique_ptr<TestTypeReader> makeOilAnalysisReader(float, pas::PasConverter& converter) {
  return std::make_unique<TableReader>(converter, std::vector<Registration>{
      valueSection("~SAMPLE PROPERTIES", "SAMPLE PROPERTIES", sampleProperties()),
      valueSection("~VISCOSITY", "VISCOSITY", viscosity()),
      valueSection("~DISTILLATION", "DISTILLATION", distillation()),
      valueSection("~METHODS AND SUMMARIES", "METHODS AND SUMMARIES", kMethodsAndSummaries),
      valueSection("~OIL SAMPLE PROPERTIES", "SAMPLE PROPERTIES", oilSampleProperties()),
      valueSection("~OIL VISCOSITY", "VISCOSITY", viscosity()),
      valueSection("~OIL DISTILLATION", "DISTILLATION", oilDistillation()),
  });
}

}  // namespace tnw::readers
