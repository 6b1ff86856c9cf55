// Makes the desktop open PAS files with this program: a MIME type for them, a desktop entry
// that starts this executable with the file, and the default in mimeapps.list. Done at every
// start; a file is only written when its content would change, and the desktop's caches are
// only refreshed after a change, so a start that finds everything in place touches nothing.
//
// PAS files share the extension ".pas" with Pascal sources. Our type claims the name with a
// lower weight than Pascal's and wins by content ("~VERSION" near the top), so a desktop that
// looks into files tells the two apart and Pascal sources stay with their editor.
//
// Qt's MIME database (KDE, Qt file dialogs) weighs only the name matches of the first database
// that has any: with our "*.pas" in the user's database it never sees the system's Pascal type
// and calls every Pascal source a PAS file. So the user's database also gets a copy of each
// system type that claims "*.pas", as the system defines it. In the system's own database (the
// installed package) all types share one index, and our definition alone is enough.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tnw::gui {

inline constexpr const char* kDesktopId = "tarnwell.desktop";

struct ShellPaths {
  std::string dataHome;    // $XDG_DATA_HOME, else ~/.local/share
  std::string configHome;  // $XDG_CONFIG_HOME, else ~/.config
  std::vector<std::string> systemDataDirs;  // $XDG_DATA_DIRS, else /usr/local/share and /usr/share
};
// From the environment; a folder is empty when neither its variable nor HOME is usable.
ShellPaths shellPathsFromEnvironment();

struct RegistrationReport {
  bool mimeTypeChanged = false;
  bool desktopEntryChanged = false;
  bool iconChanged = false;
  bool defaultChanged = false;
  std::vector<std::vector<std::string>> toolsRun;  // the cache refreshes, as run
  std::vector<std::string> problems;               // one line each, for the user
  bool anyChange() const { return mimeTypeChanged || desktopEntryChanged || iconChanged || defaultChanged; }
};

// Runs a program with its arguments and waits; false with *err when it failed.
using ToolRunner = std::function<bool(const std::vector<std::string>& argv, std::string* err)>;

// `executable`: the absolute path the desktop entry starts. `iconPng`: the program's icon,
// installed into the user's icon theme (nothing when empty).
RegistrationReport registerShell(const ShellPaths& paths, const std::string& executable,
                                 const std::string& iconPng, const ToolRunner& runTool);

// The pieces, for the tests.
// Our type, as the installed package ships it.
std::string mimePackageXml();
// Our type and copies of the system's types that claim "*.pas", for the user's database.
std::string userMimePackageXml(const std::vector<std::string>& systemDataDirs);
// False when the path cannot stand in a desktop entry (which must be UTF-8).
bool desktopEntryText(const std::string& executable, std::string* text, std::string* err);
// The path as one argument of an Exec line, quoted and escaped as desktop entries want it.
std::string execArgument(std::string_view path);
// The text of mimeapps.list with `desktopId` as the default for `mimeType`, unless a default
// is set already (the user's choice stays). Everything else in the text is kept as it is.
std::string withDefaultApplication(std::string_view mimeapps, std::string_view mimeType,
                                   std::string_view desktopId, bool* changed);

}  // namespace tnw::gui
