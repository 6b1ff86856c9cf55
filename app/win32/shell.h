// What the Windows shell does for the desktop program: registration, associations, starting
// programs. Implemented in shell_win32.cc; declared here as well so that the views build
// against the interface on their own.
#pragma once

#include <string>

#if __has_include("app/win32/shell_win32.h")
#include "app/win32/shell_win32.h"
#else
namespace tnw::win32 {
bool registerShellTypes(const std::string& exePath, std::string* problem);
std::string associatedExecutable(const std::string& extension);
bool launchWithArgument(const std::string& program, const std::string& argument);
bool openWithDefaultAction(const std::string& path, std::string* problem);
}  // namespace tnw::win32
#endif
