// What the command line of the desktop program asks for.
//
// Besides a file path and our own --options, the program still understands the switches that
// installers and file associations of the Windows version passed ("/Register" and friends, in
// either "/" or "-" form, any case). A Linux path starts with "/" too, so a "/word" counts as a
// switch only when it is one of those names.
#pragma once

#include <string>
#include <vector>

namespace tnw::gui {

struct CommandLine {
  enum Kind {
    kMainDialog,  // nothing, or a form that has no meaning here (print, unregister, automation)
    kOpenFile,    // one PAS file: its statistics dialog
    kRegister,    // register with the desktop and end
    kRemoveExports,  // remove the user's handed-over workbooks and their folder (the uninstaller)
    kHelp,
    kVersion,
  };
  Kind kind = kMainDialog;
  std::string path;                   // kOpenFile: the file, as given
  std::vector<std::string> ignored;   // arguments that had no effect, to tell the user about
};

// `args` without the program name. Help wins over version, version over registration,
// registration over a path, as the old switch parser let the register switch win; removing
// the exports comes after registration.
CommandLine parseCommandLine(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace tnw::gui
