// The names of the desktop program's picture-only buttons, the same on both systems: their
// tooltips and the names screen readers say. "&" marks the letter Alt presses the button with.
#pragma once

#include <string>
#include <string_view>

namespace tnw::gui {

// The main dialog.
inline constexpr std::string_view kLoadButton = "&Load...";
inline constexpr std::string_view kConfigurationButton = "&Configuration";
inline constexpr std::string_view kAboutButton = "&About";
inline constexpr std::string_view kExitButton = "E&xit";  // as Windows programs have it
// The statistics dialog. Close has no letter: Esc closes, and C is Convert's.
inline constexpr std::string_view kConvertButton = "&Convert to workbook";
inline constexpr std::string_view kViewAsTextButton = "&View as text";
inline constexpr std::string_view kCloseButton = "Close";

// The name as a tooltip shows it.
inline std::string withoutMnemonic(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '&' && i + 1 < name.size()) ++i;  // "&&" is a plain "&"
    out += name[i];
  }
  return out;
}

}  // namespace tnw::gui
