// The ten test types a PAS file can declare, how their codes are found in the type text, and
// the version number the readers are built with.
#pragma once

#include <string>
#include <string_view>

namespace tnw::pas {

// The code that chooses the reader: searched case-sensitively, anywhere in the type text, in
// the order PRD, DST, TRG, SG, AWS, AOF, GRD, GAN, WAN, OAN. Empty when none is found.
std::string_view readerCode(std::string_view typeText);

// The long name shown to the user ("Drillstem Test"): searched in an upper-cased copy, in the
// order DST, GAN, OAN, WAN, PRD, AWS, AOF, TRG, GRD, SG. Empty when none is found.
std::string_view typeLongName(std::string_view typeText);

// The type text, and on a second line its long name when it has one.
std::string typeDisplayName(std::string_view typeText);

// The version text read by the leading-number rule (blanks, a sign, digits with a point and an
// exponent; reading stops at the first character that does not fit; no number gives 0).
float versionNumber(std::string_view versionText);

}  // namespace tnw::pas
