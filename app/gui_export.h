// The export as the desktop program runs it: one PAS file to a workbook that opens in the
// desktop's spreadsheet program.
//
// The conversion runs on a worker thread while the progress window stays live on this one;
// the call itself returns only when the export is over, and meanwhile the program's other
// windows take no input. The workbook is saved in the user's cache folder under a new name,
// as a template when the desktop has a program for templates (it opens the file as a new,
// untitled workbook), else as an .xlsx, and handed to that program. A cancel keeps nothing.
#pragma once

#include <cstdint>
#include <string>

#include "app/desktop.h"
#include "pas/line_source.h"
#include "sheet/export_driver.h"

class QWidget;

namespace tnw::gui {

struct GuiExportOptions {
  std::string logoPath = sheet::defaultLogoPath();
  uint32_t logoHash = sheet::kLogoHash;
  std::string folder;       // where workbooks are saved; empty: the user's cache folder
  std::string generatedAt;  // what the workbook says it was generated at; empty: now
  int refreshMilliseconds = 50;  // how often the progress window shows the latest texts
  bool charts = true;            // pressure charts on the gauge sheets
};

struct GuiExportResult {
  enum Outcome {
    kCompleted,      // saved, and handed to the spreadsheet program if there is one
    kCancelled,      // by the user; nothing kept
    kLogoFailed,     // the logo check refused; nothing else happened
    kNoSpreadsheet,  // the folder for the workbooks cannot be used
    kFailed,         // the conversion or the saving failed
  };
  Outcome outcome = kFailed;
  std::string workbook;  // kCompleted: the saved file
  std::string message;   // what the user was told, when anything
  int32_t lines = 0;     // lines the conversion read
  desktop::Launch launch;
};

// `path` is the PAS file's path as the user gave it (written into the workbook); the source
// is rewound first. With showProgress false no window is shown (the conversion still cannot
// be cancelled from anywhere else).
GuiExportResult runExport(QWidget* parent, pas::LineSource& source, const std::string& path, bool showProgress,
                          const GuiExportOptions& options);

}  // namespace tnw::gui
