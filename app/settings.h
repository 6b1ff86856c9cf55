// What the desktop program remembers between runs, in a small text file of "key=value" lines:
// the folder the user last saved a workbook in. Keys this version does not know are kept as
// they are, so that a later version's settings survive an earlier one.
#pragma once

#include <string>

namespace tnw::gui {

// $XDG_CONFIG_HOME/tarnwell/settings (~/.config/tarnwell/settings) on Linux; on Windows
// %LOCALAPPDATA%\Tarnwell\settings, beside the exports, where the uninstaller finds it. Empty
// when the system names no such folder.
std::string settingsFile();

inline constexpr const char* kSaveFolderKey = "saveFolder";

// The value of `key`; empty when the file or the key is missing.
std::string readSetting(const std::string& file, const std::string& key);
// Sets `key` to `value` (one line, no line break), making the file and its folder as needed.
bool writeSetting(const std::string& file, const std::string& key, const std::string& value);

}  // namespace tnw::gui
