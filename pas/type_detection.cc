#include "pas/type_detection.h"

#include <charconv>
#include <cmath>

#include "pas/text.h"

namespace tnw::pas {

namespace {

struct TypeName {
  std::string_view code;
  std::string_view longName;
};

// In the order the display searches them.
constexpr TypeName kTypeNames[] = {
    {"DST", "Drillstem Test"},        {"GAN", "Gas Analysis"},
    {"OAN", "Oil Analysis"},          {"WAN", "Water Analysis"},
    {"PRD", "Production Test"},       {"AWS", "Acoustic Well Sounder"},
    {"AOF", "Absolute Open Flow"},    {"TRG", "Transient Flow Test"},
    {"GRD", "Gradient"},              {"SG", "Static Gradient"},
};

// In the order the reader is chosen by.
constexpr std::string_view kReaderOrder[] = {"PRD", "DST", "TRG", "SG",  "AWS",
                                             "AOF", "GRD", "GAN", "WAN", "OAN"};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

}  // namespace

std::string_view readerCode(std::string_view typeText) {
  for (std::string_view code : kReaderOrder)
    if (typeText.find(code) != std::string_view::npos) return code;
  return {};
}

std::string_view typeLongName(std::string_view typeText) {
  std::string upper = toUpperAscii(typeText);
  for (const TypeName& type : kTypeNames)
    if (upper.find(type.code) != std::string::npos) return type.longName;
  return {};
}

std::string typeDisplayName(std::string_view typeText) {
  std::string_view longName = typeLongName(typeText);
  std::string out(typeText);
  if (!longName.empty()) out.append("\n").append(longName);
  return out;
}

float versionNumber(std::string_view versionText) {
  size_t i = 0;
  while (i < versionText.size() && isBlank(versionText[i])) ++i;
  bool negative = false;
  if (i < versionText.size() && (versionText[i] == '+' || versionText[i] == '-')) negative = versionText[i++] == '-';
  std::string_view rest = versionText.substr(i);
  // from_chars would also read "inf", "nan" and hexadecimal forms, which are no version.
  if (rest.empty() || !((rest[0] >= '0' && rest[0] <= '9') || rest[0] == '.')) return 0;
  double value = 0;
  auto result = std::from_chars(rest.data(), rest.data() + rest.size(), value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large or too small for any number: infinity or zero, as the C library reads them.
    size_t e = rest.find_first_of("eE");
    value = (e != std::string_view::npos && e + 1 < rest.size() && rest[e + 1] == '-') ? 0.0 : HUGE_VAL;
  } else if (result.ec != std::errc()) {
    return 0;
  }
  return static_cast<float>(negative ? -value : value);
}

}  // namespace tnw::pas
