// What the desktop program needs from the operating system beyond Qt and GIO.
#pragma once

#include <string>

namespace tnw::gui {

// The absolute path of the running program; empty when the system does not say.
std::string selfExecutablePath();

}  // namespace tnw::gui
