// What the desktop program needs from the operating system beyond Qt and GIO.
#pragma once

#include <string>
#include <vector>

namespace tnw::gui {

// Whether this user may create files in the folder; *error says why not.
bool canCreateFilesIn(const std::string& folder, int* error);

// For each path, whether a process that we may look at has the file open now.
std::vector<bool> filesOpenNow(const std::vector<std::string>& paths);

}  // namespace tnw::gui
