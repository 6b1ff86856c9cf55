#include "pas/header_sections.h"

#include <string>

namespace tnw::pas {

namespace {

using E = HeaderEffect;

enum class Dot { kAsWritten, kOptional };

// Patterns are built once and shared: the matchers are read-only after compiling.
// Dot::kOptional: a mnemonic matches with or without its final dot, whichever the table writes.
HeaderSection build(std::string_view prefix, std::vector<HeaderEntry> entries, std::string_view firstHead,
                    std::string_view head, Dot dot = Dot::kAsWritten) {
  HeaderSection section{prefix, std::move(entries), {}};
  for (size_t i = 0; i < section.entries.size(); ++i) {
    std::string_view mnemonic = section.entries[i].patternMnemonic;
    if (dot == Dot::kOptional && mnemonic.ends_with('.')) mnemonic.remove_suffix(1);
    std::string pattern(i == 0 ? firstHead : head);
    pattern += escapeMnemonic(mnemonic);
    if (dot == Dot::kOptional) pattern += "\\.?";
    pattern += ",{(.*?)},";
    section.patterns.emplace_back(pattern, true);
  }
  return section;
}

}  // namespace

const HeaderSection& versionSection() {
  static const HeaderSection section = build("~VERSION",
                                             {
                                                 {"PASTYPE.", "PASTYPE.", "PAS file Type", E::kType},
                                                 {"TYPE.", "TYPE.", "PAS file Type", E::kType},
                                                 {"VERS.", "VERS.", "PAS file version", E::kVersion},
                                                 {"UNIT.", "UNIT.", "Units Flag"},
                                             },
                                             "~VERSION,", "~VERSION,");
  return section;
}

// After the first, these patterns leave out the "~": the search is not anchored, so they still
// find the section name one character into the line.
const HeaderSection& wellInformationSection() {
  static const HeaderSection section = build("~WELL INFORMATION",
                                             {
                                                 {"UWI.", "UWI.", "Unique Well ID", E::kUwi},
                                                 {"FORM.", "FORM.", "Formation Name", E::kFormation},
                                                 {"DRILLEG.", "DRILLEG.", "Drilling Leg"},
                                                 {"WLIC.", "WLIC.", "EUB Well License Number"},
                                                 {"WSFL.", "WSFL.", "Well Fluid Type at Test Date"},
                                                 {"FLEXP.", "FLEXP.", "Fluid Type Expected"},
                                                 {"POOL.", "POOL.", "Designated Pool"},
                                                 {"DPID.MM", "DPID.MM", "Drill Pipe ID"},
                                                 {"WTYP.", "WTYP.", "Well Type Indicator"},
                                                 {"COMP.", "COMP.", "Company Name", E::kCompany},
                                                 {"WSMO.", "WSMO.", "Well Status Mode At Test Date"},
                                                 {"WSTY.", "WSTY.", "Well Status Type At Test Date"},
                                                 {"WHDP.M", "WHDP.M", "Whipstock Depth  M KB (TVD)"},
                                                 {"HLID.MM", "HLID.MM", "Hole Diameter"},
                                                 {"CSLD.M", "CSLD.M", "Casing Landed Depth M KB (TVD)"},
                                                 {"LINR.", "LINR", "Casing Liner Indicator"},
                                                 {"TULD.M", "TULD.M", "Tubing Landed Depth M KB (TVD)"},
                                                 {"PCID.MM", "PCID.MM", "Production Casing ID"},
                                                 {"PTOD.MM", "PTOD.MM", "Production Tubing OD"},
                                                 {"TUBS.MM", "TUBS.MM", "Production Tubing ID"},
                                                 {"PKDT.M", "PKDT.M", "Packer Setting Depth"},
                                                 {"AFLO.", "AFLO", "Tubing or Annular Flow"},
                                                 {"OHCI.", "OHCI", "Open Hole Completion Indicator"},
                                                 {"PACKER.", "PACKER", "Packer Indicator Flag"},
                                                 {"TULD.", "TULD", "Tubing in Well"},
                                                 {"TD.M", "TD.M", "Total Depth (Log)"},
                                             },
                                             "~WELL INFORMATION,", "WELL INFORMATION,");
  return section;
}

const HeaderSection& testDataSection() {
  static const HeaderSection section = build("~TEST DATA",
                                             {
                                                 {"SERCO.", "SERCO", "Service Company Code"},
                                                 {"RRUN.", "RRUN", "Recorders Run"},
                                                 {"TTOPL.M", "TTOPL.M", "Test/Prod. Interval Top m KB (Log)"},
                                                 {"TBASL.M", "TBASL.M", "Test/Prod. Interval Base m KB (Log)"},
                                                 {"TTOPT.M", "TTOPT.M", "Test/Prod Interval Top mKB (TVD)"},
                                                 {"TBAST.M", "TBAST.M", "Test/Prod Interval Base mKB (TVD)"},
                                                 {"FTDT.DAY/HR", "FTDT.DAY/HR", "Test Final Date/Time"},
                                                 {"FLGAS.E3M3", "FLGAS.E3M3", "Gas Flared"},
                                                 {"INGAS.E3M3", "INGAS.E3M3", "Gas Incinerated"},
                                                 {"PLGAS.E3M3", "PLGAS.E3M3", "Gas Produced to Pipeline"},
                                                 {"VNGAS.E3M3", "VNGAS.E3M3", "Gas Vented"},
                                                 {"PRPS.", "PRPS.", "Test Purpose"},
                                                 {"CCCO.", "CCCO.", "Closed Chamber Company"},
                                                 {"TTYP.", "TTYP.", "Test Type Code"},
                                                 {"RUNUM.", "RUNUM.", "Run Number"},
                                                 {"TNUM.", "TNUM.", "Test Number"},
                                                 {"H2SIND.", "H2SIND.", "H2S Indicator"},
                                                 {"MSRN.", "MSRN.", "Test Misrun Indicator"},
                                                 {"TTNC.", "TTNC.", "Test Type Name"},
                                                 {"STRT.DAY/HR", "STRT.DAY/HR", "Test Start Date/Time"},
                                                 {"TISI.DAY/HR", "TISI.DAY/HR", "Time Well Shut-In"},
                                                 {"TSUR.DEGC", "TSUR.DEGC", "Surface Temperature"},
                                                 {"TUPS.KPAA", "TUPS.KPAA", "Initial Tubing Pressure"},
                                                 {"CSPS.KPAA", "CSPS.KPAA", "Initial Casing Pressure"},
                                                 {"FTUPS.KPAA", "FTUPS.KPAA", "Tubing Pressure"},
                                                 {"FCSPS.KPAA", "FCSPS.KPAA", "Casing Pressure"},
                                                 {"GPTO.", "GPTO", "Method of Test Production"},
                                                 {"GPTH.", "GPTH", "Description of Gas Production"},
                                                 {"FDUR.HR", "FDUR.HR", "Flow Duration"},
                                                 {"HEAT.GJ", "HEAT.GJ", "Choke Heater Size / Capacity"},
                                                 {"GEQV.E3M3/D", "GEQV.E3M3/D", "Gas Equivalent of Condensate"},
                                                 {"VGAS.E3M3", "VGAS.E3M3", "Gas Produced in Cleanup / Test"},
                                                 {"QRGAS.E3M3/D", "QRGAS.E3M3/D", "Recombined Gas Production Rate"},
                                                 {"QFGAS.E3M3/D", "QFGAS.E3M3/D", "Final Gas Production Rate"},
                                                 {"QFCON.M3/D", "QFCON.M3/D", "Final Condensate Production Rate"},
                                                 {"QFWTR.M3/D", "QFWTR.M3/D", "Final Water Production Rate"},
                                                 {"QDAT.DAY", "QDAT.DAY", "Date of Production Rates"},
                                                 {"TRES.DEGC", "TRES.DEGC", "Reservoir Temperature"},
                                                 {"BLOW.HR", "BLOW.HR", "Well Blow Duration"},
                                                 {"SPRAY.HR", "SPRAY.HR", "Time for Sprat to Clear"},
                                                 {"DOIL.KG/M3", "DOIL.KG/M3", "Oil Density"},
                                                 {"INTRP.", "INTRP", "Test Interpretation Present"},
                                                 {"PFWH.KPAA", "PFWH.KPAA", "Final Flowing Wellhead Pressure"},
                                                 {"QGAS.E3M3/D", "QGAS.E3M3/D", "Gas Production Rate Prior to Test"},
                                                 {"QOIL.M3/D", "QOIL.M3/D", "Oil Production Rate Prior to Test"},
                                                 {"QWTR.M3/D", "QWTR.M3/D", "Water Production Rate Prior to Test"},
                                                 {"DSTTY.", "DSTTY", "DST Test Type"},
                                                 {"SRCE.", "SRCE", "Source of this Data"},
                                                 {"HOLC.", "HOLC", "Hole Condition"},
                                                 {"TPCK.MM", "TPCK.MM", "Top Choke Size"},
                                                 {"BTCK.MM", "BTCK.MM", "Bottom Choke Size"},
                                                 {"OPEN.DAY/HR", "OPEN.DAY/HR", "Tool Opened"},
                                                 {"AOFTY.", "AOFTY.", "AOF Type Code"},
                                                 {"AWSVAL.", "AWSVAL.", "AWS Validation"},
                                                 {"LABCO.", "LABCO.", "Laboratory or Service Company"},
                                                 {"LFNUM.", "LFNUM.", "Laboratory File Number"},
                                                 {"SDAT.DAY", "SDAT.DAY", "Date Sampled"},
                                                 {"IDENT.", "IDENT.", "Contained Identity"},
                                                 {"SPNT.", "SPNT.", "Sample Point Code"},
                                                 {"HYDLP.", "HYDLP.", "Hydrocarbon Liquids Production"},
                                                 {"SOLG.", "SOLG.", "Solution Gas Indicator"},
                                                 {"GLR.M3/M3", "GLR.M3/M3", "Gas Liquid Ratio"},
                                                 {"ADAT.DAY", "ADAT.DAY", "Date Analyzed"},
                                                 {"ANAM.", "ANAM.", "Analyst Name"},
                                                 {"GANC.", "GANC.", "Comment"},
                                                 {"SPNTN.", "SPNTN.", "Sight Glass Sample Name"},
                                                 {"PPC.KPAA", "PPC.KPAA.", "Pseudo Critical Pressure"},
                                                 {"PTC.DEGK", "PTC.DEGK", "Pseudo Critical Temperature"},
                                                 {"WANC.", "WANC.", "Comment"},
                                                 {"OANC.", "OANC.", "Comment"},
                                                 {"STYP.", "STYP.", "Sample Type"},
                                                 {"DSTLOC.", "DSTLOC.", "DST Sample Location"},
                                                 {"SPRES.KPAA", "SPRES.KPAA", "Sample Pressure"},
                                                 {"STEMP.DEGC", "STEMP.DEGC", "Sample Temperature"},
                                                 {"RPRES.KPAA", "RPRES.KPAA", "Received Pressure"},
                                                 {"RTEMP.DEGC", "RTEMP.DEGC", "Received Temperature"},
                                             },
                                             "~TEST DATA,", "~TEST DATA,");
  return section;
}

// Appended by the regulator when it accepts a file. It writes its own three mnemonics without
// the dot every other mnemonic carries; files that pass through other hands may have gained
// one (or lost COMP.'s), and are read either way. COMP. here names the licensee, which may
// differ from the company of ~WELL INFORMATION.
const HeaderSection& fileVerificationSection() {
  static const HeaderSection section = build("~FILE VERIFICATION",
                                             {
                                                 {"WTCNUM", "WTCNUM", "AER WTC Tracking ID", E::kTrackingId},
                                                 {"WTCDAT", "WTCDAT", "Submission/Acceptance Date", E::kSubmissionDate},
                                                 {"WTCSUB", "WTCSUB", "Submitter", E::kSubmitter},
                                                 {"COMP.", "COMP.", "Licensee Name", E::kLicensee},
                                             },
                                             "~FILE VERIFICATION,", "~FILE VERIFICATION,", Dot::kOptional);
  return section;
}

}  // namespace tnw::pas
