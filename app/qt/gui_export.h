// The export as the desktop program runs it: one PAS file to a workbook that opens in the
// desktop's spreadsheet program.
//
// The conversion runs on a worker thread while the progress window stays live on this one;
// the call itself returns only when the export is over, and meanwhile the program's other
// windows take no input. With a program for templates, the workbook is a template in the
// user's cache folder, which that program opens as a new, untitled workbook; without one, the
// save dialog asks where the .xlsx goes first and the program for workbooks opens it there. A
// cancel, in the save dialog or later, keeps nothing.
#pragma once

#include <cstdint>
#include <string>

#include "app/export_flow.h"
#include "pas/line_source.h"
#include "sheet/export_driver.h"

class QWidget;

namespace tnw::gui {

// `path` is the PAS file's path as the user gave it (written into the workbook); the source
// is rewound first. With showProgress false no window is shown (the conversion still cannot
// be cancelled from anywhere else).
GuiExportResult runExport(QWidget* parent, pas::LineSource& source, const std::string& path, bool showProgress,
                          const GuiExportOptions& options);
// Any export: one file's, or the summary of several.
GuiExportResult runExport(QWidget* parent, const ExportJob& job, bool showProgress, const GuiExportOptions& options);

}  // namespace tnw::gui
