// The summary of several PAS files as the desktop program makes it: the files chosen or
// dropped, and the PAS files found in the folders dropped, in one workbook, as
// tarnwell-convert --summary makes it. Saved and handed over like any other export.
#pragma once

#include <string>
#include <vector>

#include "app/export_flow.h"

namespace tnw::gui {

// `inputs`: files and folders, as the user gave them (at least one). The workbook is named
// "Summary".
ExportJob summaryJob(std::vector<std::string> inputs);

// What the user's choice is: one PAS file goes through its statistics as always; anything
// more (several files, a folder) is summarized.
bool wantsSummary(const std::vector<std::string>& inputs);

}  // namespace tnw::gui
