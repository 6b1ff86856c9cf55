// What the desktop program asks of the Windows shell: its own registration as the program for
// PAS files, the program that opens an extension, starting a program with a file, and opening a
// file with its default action. Paths and texts are UTF-8, as everywhere else in the program.
#pragma once

#include <string>

namespace tnw::win32 {

// Per-user registration of "Tarnwell.Document" and ".pas" (HKCU\Software\Classes) for the
// program at exePath (UTF-8); writes only what differs, never overrides a UserChoice;
// notifies the shell after a change (SHChangeNotify). False with *problem on failure.
bool registerShellTypes(const std::string& exePath, std::string* problem);

// The executable associated with an extension such as ".pas" or ".txt"
// (AssocQueryStringW, ASSOCSTR_EXECUTABLE, ASSOCF_INIT_IGNOREUNKNOWN | ASSOCF_NOTRUNCATE),
// UTF-8; empty if none.
std::string associatedExecutable(const std::string& extension);

// Starts program with exactly one argument, quoted by the Windows command-line rules,
// with CreateProcessW (no shell, no handle inheritance, no wait). False if not started.
bool launchWithArgument(const std::string& program, const std::string& argument);

// Opens a file with its default shell action (ShellExecuteExW, no verb); false with
// *problem if there is no program for it or it fails.
bool openWithDefaultAction(const std::string& path, std::string* problem);

}  // namespace tnw::win32
