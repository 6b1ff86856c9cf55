// The sections every PAS file shares: ~VERSION, ~WELL INFORMATION and ~TEST DATA, and the
// ~FILE VERIFICATION the regulator appends to a file it accepts; each an ordered table of value
// patterns, the first that matches writes the row.
#pragma once

#include <string_view>
#include <vector>

#include "pas/pattern_matcher.h"

namespace tnw::pas {

// What a recognised header value also sets in the conversion.
enum class HeaderEffect {
  kNone, kType, kVersion, kUwi, kFormation, kCompany,
  kTrackingId, kSubmissionDate, kSubmitter, kLicensee,  // of the regulator's verification
};

struct HeaderEntry {
  std::string_view patternMnemonic;  // as in the file, e.g. "RTEMP.DEGC"
  std::string_view rowMnemonic;      // as written in the row
  std::string_view description;
  HeaderEffect effect = HeaderEffect::kNone;
};

struct HeaderSection {
  std::string_view prefix;  // routes the line, and is the row's section text
  std::vector<HeaderEntry> entries;
  std::vector<PatternMatcher> patterns;  // compiled, one per entry
};

const HeaderSection& versionSection();
const HeaderSection& wellInformationSection();
const HeaderSection& testDataSection();
const HeaderSection& fileVerificationSection();

}  // namespace tnw::pas
