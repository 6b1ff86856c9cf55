// The export's work that does not depend on the views: what the desktop program's export
// flow chooses and reports, and the conversion and saving that run on the worker thread.
//
// Where the workbook goes is chosen before the conversion starts. With a program for templates
// it is a new template in the hand-over folder, which that program opens as a new, untitled
// workbook whose Save asks where to save. Without one, the user chooses where the .xlsx is saved
// (the system's save dialog), and it is opened from there: never from the hand-over folder,
// which is cleaned up and on Linux hidden.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/desktop.h"
#include "app/progress_channel.h"
#include "pas/line_source.h"
#include "sheet/export_driver.h"
#include "sheet/memory_workbook.h"

namespace tnw::gui {

struct GuiExportOptions {
  std::string logoPath = sheet::defaultLogoPath();
  uint32_t logoHash = sheet::kLogoHash;
  std::string folder;       // where templates are handed over; empty: exportFolder()
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

struct ExportPlan {
  enum Outcome {
    kReady,
    kCancelled,     // the user cancelled the save dialog; nothing was written anywhere
    kFolderFailed,  // the hand-over folder cannot be used; `problem` says why
  };
  Outcome outcome = kReady;
  bool asTemplate = false;
  std::string folder;   // asTemplate: the hand-over folder
  std::string chosen;   // otherwise: the file the user chose
  std::string problem;
};

// The system's save dialog, as the views show it: opened on `suggested` (its folder, and its
// file name to save as); returns the path chosen, or empty when the user cancels.
using SaveDialog = std::function<std::string(const std::string& suggested)>;

// Decides where the workbook goes, asking the user where no template can be handed over, and
// remembers the folder the user chose for the next time.
ExportPlan planExport(const std::string& pasPath, const GuiExportOptions& options, const SaveDialog& askWhereToSave);

// Where the save dialog opens: the folder the user last saved a workbook in while it is there,
// else the documents folder; the PAS file's name with ".xlsx".
std::string suggestedSavePath(const std::string& pasPath);

// What a conversion of the desktop program is given of its options.
sheet::ExportOptions conversionOptions(const GuiExportOptions& options);

// A workbook made on the worker's thread, and how the making ended. `book` keeps alive what the
// workbook belongs to.
struct BuiltWorkbook {
  sheet::ExportResult result;
  std::shared_ptr<sheet::MemoryWorkbook> book;  // when completed
  std::string note;  // what the user should know once the workbook is open, when anything
};

// What an export makes: one PAS file's workbook, or the summary of several files.
struct ExportJob {
  // What the workbook is named after: the PAS file as the user gave it (it is written into the
  // workbook), or the name the summary's workbook takes.
  std::string path;
  bool summary = false;  // no logo and no charts; its messages speak of the files
  std::function<BuiltWorkbook(ProgressChannel& channel, const GuiExportOptions& options)> build;
};

// The export of one file: `source` is rewound and read on the worker's thread, and must stay
// open until the worker is finished.
ExportJob singleFileJob(pas::LineSource& source, const std::string& path);

// What the worker hands back.
struct WorkerOutcome {
  sheet::ExportResult result;
  bool cancelledLate = false;  // cancelled after the conversion: while or after saving
  std::string workbook;
  std::string saveError;
  std::vector<std::string> warnings;
  std::string note;
};

// The conversion and the save of one export on a thread of their own, which a view starts,
// follows through channel() and waits for.
//
// A cancel stops the conversion at its next line and the save at its next row. The save's
// compression at the end is one call that cannot be interrupted and takes seconds on a large
// file: the user is not kept waiting for it. Once the PAS file is no longer read, a cancelled
// export is let go: it finishes unseen and removes its file, while the view goes on at once.
// It shares nothing with a later export, and the program waits for it before it exits
// (waitForLetGoExports), so that its file is gone by then too.
class ExportWorker {
 public:
  // Starts making the job's workbook and saving it where the plan says: a
  // template under a new name in the hand-over folder, or the .xlsx the user chose, which is
  // replaced only by a whole workbook and only when no cancel came. `wake` is called on the
  // worker's thread when settled() may have changed; never once finish() has returned.
  ExportWorker(ExportJob job, ExportPlan plan, GuiExportOptions options, std::function<void()> wake);
  ~ExportWorker();  // finish(), if the view has not
  ExportWorker(const ExportWorker&) = delete;
  ExportWorker& operator=(const ExportWorker&) = delete;

  ProgressChannel& channel();
  // Whether the view can stop waiting: the work is over, or it was cancelled and the PAS file
  // is no longer read.
  bool settled() const;
  // Waits until settled and says how the export ended. A cancel that came after the workbook
  // was saved still counts: the workbook is removed. A cancel or nothing kept, either way.
  WorkerOutcome finish();

 private:
  struct State;
  static void run(const ExportJob& job, const ExportPlan& plan, const GuiExportOptions& options, State& state);

  std::shared_ptr<State> state_;
  std::thread thread_;
  bool finished_ = false;
};

// Waits for the cancelled exports that still save (the program is about to end).
void waitForLetGoExports();

// A message for the user, as the views show it.
struct Notice {
  enum Kind { kInformation, kWarning, kError };
  Kind kind;
  std::string text;
};

// After the worker: hands the saved workbook to the spreadsheet program and says what the user
// must know. The views show the notices in this order; the result's message is the one about
// the outcome (not the one listing what was placed differently).
GuiExportResult finishExport(const ExportPlan& plan, const ExportJob& job, const WorkerOutcome& outcome,
                             std::vector<Notice>* notices);

}  // namespace tnw::gui
