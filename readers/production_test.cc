// Production test (PRD): the well's gas meters and liquid (or fluid) meters, one numbered
// section per meter, each followed by the definitions of its readings' columns and by the
// readings, and a summary table over all meters. Each meter has a sheet of its own.
//
// Column definitions are often written without the meter's number, right after the meter they
// belong to; so the reader remembers the last gas meter and the last liquid meter described.
#include "readers/production_test.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pas/pas_converter.h"
#include "pas/text.h"
#include "readers/framework.h"

namespace tnw::readers {

namespace {

// The device type is a one-character code ("O" for an orifice meter); a longer value is no
// code we know, and the line is left for the error rows.
const ValueTable kGasMeter = {
    {"MDTYPE.", "Metering Device Type Indicator", "MDTYPE"},
    {"TYPE.", "Metering Device Type Indicator", "TYPE"},
    {"RDGAS.", "Gas Relative Density", "RDGAS"},
    {"SGG.", "Gas Specific Gravity", "SGG"},
    {"N2.FRAC", "Nitrogen"},
    {"N2.FRACTION", "Nitrogen", "N2.FRAC"},
    {"CO2.FRAC", "Carbon Dioxide"},
    {"CO2.FRACTION", "Carbon Dioxide", "CO2.FRAC"},
    {"H2S.FRAC", "Hydrogen Sulphide for Metering Device Calc"},
    {"H2S.FRACTION", "Hydrogen Sulphide for Metering Device Calc", "H2S.FRAC"},
    {"PATM.KPA", "Atmospheric Pressure"},
    {"TAP.", "TAP Type Indicator"},
    {"TAPL.", "TAP Location Indicator"},
    {"RSIZ.MM", "Meter Run / Prover Size"},
    {"TCON.PULSES/M3", "Turbine Device Constant"},
    {"TCON.E3M3/REV", "Turbine Device Constant"},
    {"VGASP.E3M3", "Previous Gas Produced"},
    {"DNAM.", "Device Name"},
    {"ICON.", "Pitiot Tube Device Constant"},
    {"BETA.", "V-Cone Beta Ratio"},
    {"MCOF.", "V-Cone Meter Coefficient"},
    {"MCOMG.", "Comment - Gas Meter"},
};
constexpr std::string_view kOneCharacterValues[] = {"MDTYPE.", "TYPE."};

const ValueTable kLiquidMeter = {
    {"LIQT.", "Liquid Type Indicator"},
    {"FLDT.", "Liquid Type Indicator"},
    {"LQMTYP.", "Metering Device Type Indicator"},
    {"TYPE.", "Metering Device Type Indicator"},
    {"TCON.PULSE/M3", "Turbine Device K-Factor"},
    {"TMEA.", "Tank Measurement Indicator"},
    {"TEQU.", "Tank Equation"},
    {"MCOML.", "Comment - Liquid Meter"},
    {"TAP.", "Tap Type Indicator"},
    {"TAPL.", "Tap Location Indicator"},
    {"RSIZ.MM", "Run / Prover Size"},
    {"TCON.M3/REV", "Turbine Device Constant"},
    {"ICON.", "Pitiot Tube Device Constant"},
    {"VFLP.M3", "Previous Fluid Produced"},
    {"V2FLP.M3", "Previous Secondary Fluid Produced"},
    {"DNAM.", "Device Name"},
    {"API.", "API Degrees"},
};

const ValueTable kGasColumns = {
    {"TIME.DAY/HR/SS", "Real Time"},
    {"QGAS.E3M3/D", "Gas Rate"},
    {"H2S.FRAC", "Hydrogen Sulphide Mole Fraction"},
    {"PLATE.MM", "Orifice /Choke Plate Size"},
    {"STAG.KPAA", "Meter Pressure (Gas) "},
    {"DIFG.KPA", "Pressure Differential (Gas)"},
    {"TMPG.DEGC", "Meter Temperature"},
    {"TRBG.PULSE", "Turbine Meter Reading"},
    {"N2.FRAC", "Nitrogen Mole Fraction"},
    {"CO2.FRAC", "Carbon Dioxide Mole Fraction"},
    {"RCOMP.", "Gas Composition Comment"},
    {"CHOK.MM", "Choke Size"},
    {"ORIG.MM", "Orifice Size"},
    {"TRBG.REV", "Turbine Meter Reading"},
};

const ValueTable kLiquidColumns = {
    {"TIME.DAY/HR/SS", "Real Time"},
    {"GNLF.MM", "Tank Gain Level"},
    {"GNVF.M3", "Tank Gain Volume"},
    {"TRBF.PULSE", "Turbine Meter Reading"},
    {"API.", "API"},
    {"BSW.FRAC", "Fraction of Total BS&W"},
    {"SALT.PPM", "Salinity PPM"},
    {"PH.", "PH"},
    {"OILRATE.M3/D", "Oil Rate"},
    {"CONRATE.M3/D", "Condensate Rate"},
    {"WTRRATE.M3/D", "Water Rate"},
    {"QLIQ.M3/D", "Measured Total Liquid Rate"},
    {"CHOK.MM", "Choke Size"},
    {"TNKF.DEGC", "Tank Temperature"},
    {"TRBF.REV", "Turbine Meter Reading"},
    {"ORIF.MM", "Orifice Size"},
    {"STAF.KPAA", "Static Pressure"},
    {"DIFF.KPA", "Pressure Differential"},
    {"TMPF.DEGC", "Temperature"},
    {"BG.FRACTION", "Shrinkage Factor"},
    {"FLDR.M3/D", "Fluid Rate"},
    {"FL2R.M3/D", "Secondary Fluid Rate"},
    {"BSW.FRACTION", "Basic Sediment and Water Fraction"},
};

const ValueTable kSummaryColumns = {
    {"TIME.DAY/HR/SS", "Real Time"},
    {"TWH.DEGC", "Wellhead Temperature"},
    {"TUPS.KPAA", "Tubing Pressure"},
    {"TTUB.DEGC", "Tubing Temperature"},
    {"CSPS.KPAA", "Casing Pressure"},
    {"TCAS.DEGC", "Casing Temperature"},
    {"QTGAS.E3M3/D", "Total Gas Rate All Meters"},
    {"QTOIL.M3/D", "Total Oil Rate All Meters"},
    {"QTCON.M3/D", "Total Condensate Rate All Meters"},
    {"QTWTR.M3/D", "Total Water Rate All Meters"},
    {"VTGAS.E3M3", "Cumulative Total Gas Volume All Meters"},
    {"VTOIL.M3", "Cumulative Total Oil Volume All Meters"},
    {"VTCON.M3", "Cumulative Total Condensate Volume All Meters"},
    {"VTWTR.M3", "Cumulative Total Water Volume All Meters"},
    {"COMM.", "Comment"},
    {"SALT.PPM", "Salinity"},
    {"PH.", "PH"},
};

constexpr std::string_view kGasSheet = "METER GAS %d";
constexpr std::string_view kLiquidSheet = "METER LIQUID %d";

// A numbered section's patterns, compiled once: the section with its "(n)," and, per entry,
// that head followed by the mnemonic and its value. Group 0 is the number, group 1 the value.
class NumberedPatterns {
 public:
  NumberedPatterns(std::string_view section, const ValueTable& table,
                   std::span<const std::string_view> oneCharacter = {})
      : section_(section), table_(table) {
    std::string head = std::string(section) + " \\({([0-9]+)}\\),";
    head_.compile(head, true);
    for (const ValueEntry& entry : table) {
      bool single = std::find(oneCharacter.begin(), oneCharacter.end(), entry.mnemonic) != oneCharacter.end();
      entries_.emplace_back(head + pas::escapeMnemonic(entry.mnemonic) +
                                (single ? ",{([a-zA-Z0-9])}," : ",{(.*?)},"),
                            true);
    }
  }

  std::string_view section() const { return section_; }

  // The number of the section the line names, when it carries one that fits.
  std::optional<int32_t> number(std::string_view line, pas::MatchContext& match) const {
    if (!head_.match(line, match)) return std::nullopt;
    return readInstanceNumber(pas::groupText(match, 0));
  }

  // The first entry whose pattern the line matches; `match` then holds its groups.
  const ValueEntry* entry(std::string_view line, pas::MatchContext& match) const {
    for (size_t i = 0; i < entries_.size(); ++i)
      if (entries_[i].match(line, match)) return &table_[i];
    return nullptr;
  }

 private:
  std::string_view section_;
  const ValueTable& table_;
  pas::PatternMatcher head_;
  std::vector<pas::PatternMatcher> entries_;
};

std::string_view labelOf(const ValueEntry& entry) { return entry.label.empty() ? entry.mnemonic : entry.label; }

std::string numbered(std::string_view section, int32_t n) {
  return pas::format("%.*s (%d)", static_cast<int>(section.size()), section.data(), n);
}

// `line` with its leading `from` replaced by `to`, or nothing when it does not begin so. Only
// the section field is renamed: a value that happens to quote a section name stays as written.
std::optional<std::string> renamed(std::string_view line, std::string_view from, std::string_view to) {
  if (!pas::startsWith(line, from)) return std::nullopt;
  return std::string(to) + std::string(line.substr(from.size()));
}

// The definitions of one kind of meter's columns, under their two section names: the plain
// one, which carries the meter's number ("~DATA TABLE GAS (1)"), and the dashed one, which may
// leave it out to mean the meter described last ("~DATA TABLE - GAS").
struct ColumnSection {
  std::string_view dashed;
  NumberedPatterns plain;
  std::string_view sheet;
};

class ProductionTestReader : public TableReader {
 public:
  explicit ProductionTestReader(pas::PasConverter& converter)
      : TableReader(converter, {}),
        gasMeter_("~METER GAS", kGasMeter, kOneCharacterValues),
        liquidMeter_("~METER LIQUID", kLiquidMeter),
        gasColumns_{"~DATA TABLE - GAS", {"~DATA TABLE GAS", kGasColumns}, kGasSheet},
        liquidColumns_{"~DATA TABLE - FLUID", {"~DATA TABLE LIQUID", kLiquidColumns}, kLiquidSheet} {
    auto gasColumns = [this](std::string_view line) { return onColumns(gasColumns_, currentGasMeter_, line); };
    auto liquidColumns = [this](std::string_view line) {
      return onColumns(liquidColumns_, currentLiquidMeter_, line);
    };
    auto liquidMeter = [this](std::string_view line) { return onLiquidMeter(line); };
    using Kind = CatalogueSection::Kind;
    addHandler("~METER GAS", [this](std::string_view line) { return onGasMeter(line); });
    addToCatalogue(catalogueOf(Kind::kValues, "~METER GAS", true, kGasMeter));
    addHandler("~DATA TABLE GAS", gasColumns);
    addToCatalogue(catalogueOf(Kind::kColumnDefinitions, "~DATA TABLE GAS", true, kGasColumns));
    addHandler("~DATA TABLE - GAS", gasColumns);
    addToCatalogue(catalogueOf(Kind::kColumnDefinitions, "~DATA TABLE - GAS", false, kGasColumns));
    add(numberedDataBlock("~DTGAS", kGasSheet, DateColumn::kFirst));
    addHandler("~METER LIQUID", liquidMeter);
    addToCatalogue(catalogueOf(Kind::kValues, "~METER LIQUID", true, kLiquidMeter));
    addHandler("~METER FLUID", liquidMeter);
    addToCatalogue(catalogueOf(Kind::kValues, "~METER FLUID", true, kLiquidMeter));
    addHandler("~DATA TABLE LIQUID", liquidColumns);
    addToCatalogue(catalogueOf(Kind::kColumnDefinitions, "~DATA TABLE LIQUID", true, kLiquidColumns));
    addHandler("~DATA TABLE - FLUID", liquidColumns);
    addToCatalogue(catalogueOf(Kind::kColumnDefinitions, "~DATA TABLE - FLUID", false, kLiquidColumns));
    add(numberedDataBlock("~DTLIQ", kLiquidSheet, DateColumn::kFirst));
    add(numberedDataBlock("~DTFLD", kLiquidSheet, DateColumn::kFirst));
    add(columnDefinitions("~DATA TABLE SUMMARY", "SUMMARY", kSummaryColumns));
    add(columnDefinitions("~DATA TABLE - SUMMARY", "SUMMARY", kSummaryColumns));
    add(dataBlock("~DTSUM", "SUMMARY", DateColumn::kFirst));
  }

 private:
  // A gas meter becomes the current one only through a line we could read.
  bool onGasMeter(std::string_view line) {
    pas::MatchContext& match = converter().matchContext();
    const ValueEntry* entry = gasMeter_.entry(line, match);
    if (!entry) return false;
    std::optional<int32_t> n = readInstanceNumber(pas::groupText(match, 0));
    if (!n) return false;
    currentGasMeter_ = *n;
    converter().writeValueRow(sheetFor(kGasSheet, *n), numbered(gasMeter_.section(), *n), labelOf(*entry),
                              pas::groupText(match, 1), entry->description, sheet::kNoColour);
    return true;
  }

  // Fluid meters are liquid meters by another name: they share the liquid meter's sheet and
  // numbers but keep their own name in the section column. Any readable number makes its meter
  // the current one, whether or not the line's mnemonic is known.
  bool onLiquidMeter(std::string_view line) {
    std::string_view section = "~METER LIQUID";
    std::optional<std::string> fluid = renamed(line, "~METER FLUID", section);
    if (fluid) {
      section = "~METER FLUID";
      line = *fluid;
    }
    pas::MatchContext& match = converter().matchContext();
    std::optional<int32_t> n = liquidMeter_.number(line, match);
    if (!n) return false;
    currentLiquidMeter_ = *n;
    const ValueEntry* entry = liquidMeter_.entry(line, match);
    if (!entry) return false;
    converter().writeValueRow(sheetFor(kLiquidSheet, *n), numbered(section, *n), labelOf(*entry),
                              pas::groupText(match, 1), entry->description, sheet::kNoColour);
    return true;
  }

  // A dashed definition line is written under the dashed name alone, numbered or not; one
  // without a number before any meter was described belongs to no sheet and is declined.
  bool onColumns(const ColumnSection& columns, int32_t currentMeter, std::string_view line) {
    pas::MatchContext& match = converter().matchContext();
    std::string section;
    std::optional<std::string> work = renamed(line, columns.dashed, columns.plain.section());
    if (work) {
      section = columns.dashed;
      if (!columns.plain.number(*work, match)) {
        if (currentMeter < 0) return false;
        work = numbered(columns.plain.section(), currentMeter) + work->substr(columns.plain.section().size());
      }
      line = *work;
    }
    std::optional<int32_t> n = columns.plain.number(line, match);
    if (!n) return false;
    if (section.empty()) section = numbered(columns.plain.section(), *n);
    const ValueEntry* entry = columns.plain.entry(line, match);
    if (!entry) return false;
    converter().writeValueRow(sheetFor(columns.sheet, *n), section, labelOf(*entry), pas::groupText(match, 1),
                              entry->description, sheet::kTableStartFill);
    return true;
  }

  NumberedPatterns gasMeter_;
  NumberedPatterns liquidMeter_;
  ColumnSection gasColumns_;
  ColumnSection liquidColumns_;
  int32_t currentGasMeter_ = -1;
  int32_t currentLiquidMeter_ = -1;
};

}  // namespace

std::unique_ptr<TestTypeReader> makeProductionTestReader(float, pas::PasConverter& converter) {
  return std::make_unique<ProductionTestReader>(converter);
}

}  // namespace tnw::readers
