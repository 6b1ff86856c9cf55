// The program's version as the About box shows it: always four numbers.
#pragma once

#include <string>

namespace tnw::gui {

// "1.0.4.0": every part shown, zeros included.
std::string formatVersion(unsigned major, unsigned minor, unsigned patch, unsigned tweak);
// This build's version, from the project version CMake compiles in.
std::string programVersion();

}  // namespace tnw::gui
