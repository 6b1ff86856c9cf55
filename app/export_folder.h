// Where the desktop program keeps the workbooks it hands to the spreadsheet program: the
// user's cache folder. A workbook is only ever a new file there; another export's file, which a
// spreadsheet program may still have open, is never written over.
#pragma once

#include <string>
#include <system_error>

namespace tnw::gui {

// $XDG_CACHE_HOME/tarnwell, or ~/.cache/tarnwell when that is unset or not absolute; empty
// when neither is known.
std::string exportFolder();

// Creates the folder and any missing parents, each readable by the user alone. On failure *ec
// holds the system's error number.
bool prepareExportFolder(const std::string& folder, std::error_code* ec);

// Claims a file name in `folder` named after the PAS file ("well.pas" -> "well.xlsx", then
// "well (2).xlsx", ...) by creating it empty, so that no other export can take it. The caller
// saves over it, or removes it.
bool reserveWorkbookPath(const std::string& folder, const std::string& pasPath, std::string* path,
                         std::string* err);

}  // namespace tnw::gui
