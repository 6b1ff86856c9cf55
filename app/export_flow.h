// The export's work that does not depend on the views: what the desktop program's export
// flow chooses and reports, and the conversion and saving that run on the worker thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/desktop.h"
#include "app/progress_channel.h"
#include "pas/line_source.h"
#include "sheet/export_driver.h"

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

// What the worker thread hands back.
struct WorkerOutcome {
  sheet::ExportResult result;
  bool cancelledLate = false;  // cancelled after the conversion, while saving
  std::string workbook;
  std::string saveError;
  std::vector<std::string> warnings;
};

// Runs on the worker thread: converts the file and saves the workbook into `folder` under a
// new name, as a template or a plain workbook. A cancel, late or early, keeps no file.
void convertAndSave(pas::LineSource& source, const std::string& path, const std::string& folder, bool asTemplate,
                    const GuiExportOptions& options, ProgressChannel& channel, WorkerOutcome* out);

}  // namespace tnw::gui
