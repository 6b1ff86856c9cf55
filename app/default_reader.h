// Whether the desktop opens PAS files with Tarnwell.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tnw::gui {

// True for the path of a Tarnwell program, told by its name in any case: a program file named
// "tarnwell" in any folder, or a path that names the Windows program "TARNWELL.EXE" anywhere
// (as it did when the program ran there, under an emulator for example).
bool looksLikeTarnwell(std::string_view executable);

// The executable of the desktop's default program for PAS files; nothing when there is none.
std::optional<std::string> defaultPasReader();

}  // namespace tnw::gui
