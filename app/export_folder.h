// Where the desktop program keeps the workbooks it hands to the spreadsheet program: the
// user's cache folder. A workbook is only ever a new file there; another export's file, which a
// spreadsheet program may still have open, is never written over.
//
// The folder is a hand-over place, not a store: the spreadsheet program opens a template as a
// new, untitled workbook, so nothing the user keeps lives there, and old exports are removed.
// Only files this program wrote and nobody changed since; never one that is open, or that a
// spreadsheet program has locked, or that the user has saved into.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tnw::gui {

// $XDG_CACHE_HOME/tarnwell, or ~/.cache/tarnwell when that is unset or not absolute; empty
// when neither is known.
std::string exportFolder();

// Creates the folder and any missing parents, each readable by the user alone, and makes sure
// files can be created in it. On failure *problem says for the user, in words, which folder
// cannot be used and why.
bool prepareExportFolder(const std::string& folder, std::string* problem);

// Creates empty the first of nameFor(1), nameFor(2), ... nameFor(tries) that does not exist,
// exclusively: an existing file is never opened. (Not fopen's "x", which the Windows C runtime
// ignores: it would empty another export's workbook.) kExists when every name is taken; kFailed
// with *problem when creating failed, *path then names the file tried.
platform::NewFile createFirstUnused(const std::function<std::string(int)>& nameFor, int tries, std::string* path,
                                    std::string* problem);

// Claims a file name in `folder` named after the PAS file ("well.pas" -> "well.xltx", then
// "well (2).xltx", ...) by creating it empty, so that no other export can take it. The caller
// saves over it, or removes it. `extension` with its dot.
bool reserveWorkbookPath(const std::string& folder, const std::string& pasPath, const std::string& extension,
                         std::string* path, std::string* err);

// Notes a finished export in the folder's list, with its size and a hash of its content: only
// what is listed and unchanged is ever removed. Not its time, which a copy, a restore or a
// `touch` changes while the file stays ours.
bool recordExport(const std::string& folder, const std::string& path, std::string* err);

// Which of these files some program has open now.
using OpenFilesCheck = std::function<std::vector<bool>(const std::vector<std::string>& paths)>;

struct CleanUp {
  std::vector<std::string> removed;  // file names
  std::vector<std::string> kept;     // listed exports still in use, with the reason
};

// Removes the exports written before `now - age` that are listed, unchanged, not locked by a
// spreadsheet program and not open; and the leftovers of saves that never finished.
CleanUp removeOldExports(const std::string& folder, std::filesystem::file_time_type now, std::chrono::hours age,
                         const OpenFilesCheck& isOpen);

inline constexpr std::chrono::hours kExportsKept{24};

// For the uninstaller: removes every export that removeOldExports would remove at any age, then
// the folder with its list and `settingsFile` (when that lies in it), if nothing else is left
// there. True when the folder is gone (or never was); else `left` names what stays.
bool removeExportFolder(const std::string& folder, const std::string& settingsFile, const OpenFilesCheck& isOpen,
                        std::vector<std::string>* left);

}  // namespace tnw::gui
