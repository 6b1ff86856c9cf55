// The analysis sections, read through a transient flow test file (the acoustic well sounder
// reads them with the same registrations).
#include "readers/analysis_sections.h"

#include <gtest/gtest.h>

#include <span>

#include "test_support.h"

namespace tnw::readers {
namespace {

using testing::convertText;
using testing::rowValues;
using testing::shownValue;
using V = std::vector<std::string>;

constexpr std::string_view kHeader = "~VERSION,TYPE.,TRG,,\n~VERSION,VERS.,3.0,,\n";

// The written mnemonic, when it is not the one accepted.
struct Expected {
  std::string_view accepted, description, written = {};
  std::string_view shown() const { return written.empty() ? accepted : written; }
};

// Typed out from the analysts' vocabulary on purpose: these are the texts a user sees.
const Expected kGeneralInformation[] = {
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

const Expected kInputParameters[] = {
    {"SATW.FRACTION", "Assumed water saturation"},
    {"SATG.FRACTION", "Assumed gas saturation"},
    {"SATO.FRACTION", "Assumed oil saturation"},
    {"HZFL.M", "Horizontal well length in formation"},
    {"PAY.M", "Vertical height of formation"},
    {"PORO.FRACTION", "Assumed porosity fraction"},
    {"RADW.MM", "Wellbore radius"},
    {"GEOC.", "Geological comments"},
};

const Expected kFluidProperties[] = {
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

const Expected kInterpretation[] = {
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

// One line per entry under `section` (the field as the file writes it); every row must land on
// "ANALYSIS" in order, under `sectionText`, with no error rows.
void expectCatalogue(std::string_view section, std::string_view sectionText, std::span<const Expected> entries) {
  std::string text(kHeader);
  for (size_t i = 0; i < entries.size(); ++i)
    text += std::string(section) + "," + std::string(entries[i].accepted) + ",v" + std::to_string(i) + ",file,\n";
  auto c = convertText(text);
  for (size_t i = 0; i < entries.size(); ++i) {
    const Expected& e = entries[i];
    EXPECT_EQ(rowValues(c->book, "ANALYSIS", static_cast<int32_t>(i) + 2),
              (V{std::to_string(i + 3), std::string(sectionText), std::string(e.shown()), "v" + std::to_string(i), "",
                 "", std::string(e.description)}))
        << section << " " << e.accepted;
  }
  EXPECT_EQ(c->converter.errorCount(), 0) << section;
}

TEST(AnalysisSections, EveryCatalogueEntry) {
  expectCatalogue("~ANALYSIS - GENERAL INFORMATION", "~ANALYSIS - GENERAL INFORMATION", kGeneralInformation);
  expectCatalogue("~ANALYSIS - INPUT PARAMETERS", "~ANALYSIS - INPUT PARAMETERS", kInputParameters);
  expectCatalogue("~ANALYSIS - FLUID PROPERTIES", "~ANALYSIS - FLUID PROPERTIES", kFluidProperties);
  expectCatalogue("~ANALYSIS - INTERPRETATION (1)", "~ANALYSIS - INTERPRETATION (1)", kInterpretation);
  // A zero-padded number is written plainly.
  expectCatalogue("~ANALYSIS - INTERPRETATION (02)", "~ANALYSIS - INTERPRETATION (2)", kInterpretation);
}

TEST(AnalysisSections, InterpretationsShareTheSheetAndNeedTheirNumber) {
  auto c = convertText(std::string(kHeader) +
                       "~ANALYSIS - INTERPRETATION (1),KH.MD,120,,\n"
                       "~ANALYSIS - INTERPRETATION (2),KH.MD,95,,\n"
                       "~ANALYSIS-INTERPRETATION(3),SKIN.,-1.2,,\n"
                       "~ANALYSIS - INTERPRETATION,KH.MD,80,,\n"
                       "~ANALYSIS - INTERPRETATION HEADER (1),ANUM.,1,,\n"
                       "~ANALYSIS - INTERPRETATION (1),KH.DARCY,1,,\n");
  EXPECT_EQ(shownValue(c->book, "ANALYSIS", "B2"), "~ANALYSIS - INTERPRETATION (1)");
  EXPECT_EQ(shownValue(c->book, "ANALYSIS", "B3"), "~ANALYSIS - INTERPRETATION (2)");
  EXPECT_EQ(shownValue(c->book, "ANALYSIS", "D3"), "95");
  // Written without blanks, the section is read in its canonical form.
  EXPECT_EQ(rowValues(c->book, "ANALYSIS", 4),
            (V{"5", "~ANALYSIS - INTERPRETATION (3)", "SKIN.", "-1.2", "", "", "Calculated skin factor"}));
  EXPECT_EQ(rowValues(c->book, "ANALYSIS", 5), V{});
  EXPECT_EQ(c->converter.errorCount(), 3);  // no number, the header section, an unknown unit
}

TEST(AnalysisSections, AReaderOfTheFourSectionsAlone) {
  // How another reader takes them: its registrations are these four, in this order.
  std::vector<Registration> sections = analysisSections();
  ASSERT_EQ(sections.size(), 4u);
  testing::Converted c;
  c.converter.useReader(std::make_unique<TableReader>(c.converter, sections));
  auto source = pas::LineSource::fromBytes(
      "~ANALYSIS - FLUID PROPERTIES,Z.,0.91,,\n"
      "~ANALYSIS - INTERPRETATION (4),ANUM.,4,,\n"
      "~ANALYSIS - FLUID PROPERTIES,RDOIL.M3,0.85,,\n"
      "~ANALYSIS INPUT PARAMETERS,PAY.M,3,,\n");
  ASSERT_TRUE(c.converter.convert(*source, nullptr));
  EXPECT_EQ(shownValue(c.book, "ANALYSIS", "C2"), "Z.");
  EXPECT_EQ(shownValue(c.book, "ANALYSIS", "B3"), "~ANALYSIS - INTERPRETATION (4)");
  // A unit we do not know, and the undashed section, which is the transient reader's own.
  EXPECT_EQ(c.converter.errorCount(), 2);
}

}  // namespace
}  // namespace tnw::readers
