#include "app/export_flow.h"

#include <condition_variable>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>

#include "app/convert/options.h"
#include "app/export_folder.h"
#include "app/settings.h"
#include "app/vector_state.h"
#include "platform/platform.h"
#include "sheet/charts.h"
#include "sheet/memory_workbook.h"
#include "sheet/xlsx_writer.h"

namespace tnw::gui {

struct ExportWorker::State {
  ProgressChannel channel;
  WorkerOutcome outcome;  // the worker's until done
  sheet::ExportResult converted;  // how the conversion ended, once released
  std::mutex mutex;
  std::condition_variable changed;
  bool released = false;  // the PAS file is no longer read
  bool done = false;
  std::function<void()> wake;
  bool ours = true;  // the workbook is a template in the hand-over folder, removable

  void mark(bool State::*flag) {
    std::lock_guard<std::mutex> lock(mutex);
    this->*flag = true;
    changed.notify_all();
    if (wake) wake();
  }
  bool settled() const { return done || (released && channel.cancelFlag().load()); }
};


namespace fs = std::filesystem;

namespace {

bool isFolder(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(platform::pathFromUtf8(path), ec);
}

void removeFile(const std::string& path) {
  std::error_code ignored;
  fs::remove(platform::pathFromUtf8(path), ignored);
}

// A new, empty file beside the one the user chose, which the save fills: the chosen file is
// replaced only by a whole workbook, and only when the export was not cancelled meanwhile.
bool reserveBeside(const std::string& chosen, std::string* staging, std::string* err) {
  std::string problem;
  auto nameFor = [&](int n) { return chosen + ".part" + (n == 1 ? "" : std::to_string(n)); };
  switch (createFirstUnused(nameFor, 100, staging, &problem)) {
    case platform::NewFile::kCreated: return true;
    case platform::NewFile::kFailed: *err = "cannot write " + chosen + ": " + problem; break;
    case platform::NewFile::kExists: *err = "cannot write " + chosen + ": no unused name for the file that is being saved"; break;
  }
  staging->clear();
  return false;
}

// The file the workbook is saved in first: a new name in the hand-over folder, or a name beside
// the chosen file. The refusals are those of a save in place: a device or a read-only file is
// never replaced.
bool reserveTarget(const ExportPlan& plan, const std::string& path, std::string* target, std::string* err) {
  if (plan.asTemplate) return reserveWorkbookPath(plan.folder, path, ".xltx", target, err);
  const char* refused = platform::isSpecialFile(plan.chosen) ? "it is not a regular file"
                        : platform::isReadOnly(plan.chosen)  ? "it is read-only"
                                                             : nullptr;
  if (refused) return *err = "cannot write " + plan.chosen + ": " + refused, false;
  return reserveBeside(plan.chosen, target, err);
}

// The exports let go while they were still saving; joined when the program ends.
class LetGo {
 public:
  void add(std::thread thread) {
    std::lock_guard<std::mutex> lock(mutex_);
    threads_.push_back(std::move(thread));
  }
  void joinAll() {
    std::vector<std::thread> threads;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      threads.swap(threads_);
    }
    for (std::thread& thread : threads) thread.join();
  }
  ~LetGo() { joinAll(); }  // an exit that did not wait still must not end them halfway

 private:
  std::mutex mutex_;
  std::vector<std::thread> threads_;
};

LetGo& letGo() {
  static LetGo exports;
  return exports;
}

}  // namespace

std::string suggestedSavePath(const std::string& pasPath) {
  std::string folder = readSetting(settingsFile(), kSaveFolderKey);
  if (!isFolder(folder)) folder = desktop::documentsFolder();
  return app::outputPathFor(pasPath, folder);
}

ExportPlan planExport(const std::string& pasPath, const GuiExportOptions& options, const SaveDialog& askWhereToSave) {
  ExportPlan plan;
  // Only a program that names the template type takes the template: through the parent type,
  // an archive manager would.
  plan.asTemplate = desktop::defaultProgram(desktop::kTemplateType, true).has_value();
  if (plan.asTemplate) {
    plan.folder = options.folder.empty() ? exportFolder() : options.folder;
    if (!prepareExportFolder(plan.folder, &plan.problem)) plan.outcome = ExportPlan::kFolderFailed;
    return plan;
  }
  plan.chosen = askWhereToSave(suggestedSavePath(pasPath));
  if (plan.chosen.empty()) {
    plan.outcome = ExportPlan::kCancelled;
    return plan;
  }
  // Remembered when chosen, not when saved: a cancelled conversion still found its folder.
  writeSetting(settingsFile(), kSaveFolderKey, platform::pathToUtf8(platform::pathFromUtf8(plan.chosen).parent_path()));
  return plan;
}

sheet::ExportOptions conversionOptions(const GuiExportOptions& options) {
  sheet::ExportOptions exportOptions;
  exportOptions.logoPath = options.logoPath;
  exportOptions.logoHash = options.logoHash;
  exportOptions.generatedAt = options.generatedAt;
  return exportOptions;
}

ExportJob singleFileJob(pas::LineSource& source, const std::string& path) {
  ExportJob job;
  job.path = path;
  job.build = [&source, path](ProgressChannel& channel, const GuiExportOptions& options) {
    auto application = std::make_shared<sheet::MemoryApplication>();
    BuiltWorkbook built;
    built.result = sheet::exportFile(*application, source, path, &channel, conversionOptions(options));
    if (built.result.outcome == sheet::ExportResult::kCompleted)
      built.book = std::shared_ptr<sheet::MemoryWorkbook>(application, application->workbooks().back().get());
    return built;
  };
  return job;
}

ExportWorker::ExportWorker(ExportJob job, ExportPlan plan, GuiExportOptions options, std::function<void()> wake)
    : state_(std::make_shared<State>()) {
  state_->wake = std::move(wake);
  state_->ours = plan.asTemplate;
  letGo();  // made before the first thread, so that it outlives them all
  thread_ = std::thread([state = state_, job = std::move(job), plan = std::move(plan), options = std::move(options)] {
    run(job, plan, options, *state);
    state->mark(&State::released);
    state->mark(&State::done);
  });
}

ExportWorker::~ExportWorker() {
  if (!finished_) {
    state_->channel.requestCancel();
    finish();
  }
}

ProgressChannel& ExportWorker::channel() { return state_->channel; }

bool ExportWorker::settled() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->settled();
}

WorkerOutcome ExportWorker::finish() {
  State& state = *state_;
  std::unique_lock<std::mutex> lock(state.mutex);
  state.changed.wait(lock, [&] { return state.settled(); });
  state.wake = nullptr;
  finished_ = true;
  if (!state.done) {
    // Cancelled while saving: it removes its file when the save returns.
    lock.unlock();
    letGo().add(std::move(thread_));
    WorkerOutcome cancelled;
    cancelled.result = state.converted;
    cancelled.cancelledLate = true;
    return cancelled;
  }
  lock.unlock();
  thread_.join();
  WorkerOutcome outcome = std::move(state.outcome);
  if (state.channel.cancelRequested() && !outcome.workbook.empty()) {
    // The cancel came after the save, before the view saw it finish: the user's word stands.
    // A file the user chose has replaced what was there, which cannot come back: it stays.
    if (state.ours) removeFile(outcome.workbook);
    outcome.workbook.clear();
    outcome.cancelledLate = true;
  }
  return outcome;
}

void waitForLetGoExports() { letGo().joinAll(); }

// Makes the workbook and saves it. A cancel, early or late, keeps no file and leaves a file the
// user chose to replace as it was.
void ExportWorker::run(const ExportJob& job, const ExportPlan& plan, const GuiExportOptions& options, State& state) {
  ProgressChannel& channel = state.channel;
  WorkerOutcome* out = &state.outcome;
  clearUpperVectorState();
  std::string target;  // the file being saved, until the workbook is complete
  try {
    BuiltWorkbook built = job.build(channel, options);
    out->result = built.result;
    out->note = built.note;
    {
      std::lock_guard<std::mutex> lock(state.mutex);
      state.converted = out->result;
    }
    state.mark(&State::released);
    if (out->result.outcome != sheet::ExportResult::kCompleted) return;
    out->warnings = out->result.warnings;
    if (channel.cancelRequested()) return void(out->cancelledLate = true);
    channel.showSaving(0, 0);
    std::string err;
    if (!reserveTarget(plan, job.path, &target, &err)) {
      target.clear();
      out->saveError = err;
      return;
    }
    sheet::MemoryWorkbook& book = *built.book;
    if (options.charts && !job.summary) sheet::addPressureCharts(book);
    sheet::SaveReport report;
    sheet::SaveControl control{.cancel = &channel.cancelFlag(), .progress = [&](uint64_t written, uint64_t total) {
                                 channel.showSaving(written, total);
                               }};
    // A cancel that came while the charts were laid out spares the user the whole save.
    bool saved = !channel.cancelRequested() &&
                 (plan.asTemplate ? sheet::saveXltx(book, target, &report, &err, 0, &control)
                                  : sheet::saveXlsx(book, target, &report, &err, 0, &control));
    if (!saved || channel.cancelRequested()) {
      removeFile(target);
      if (channel.cancelRequested()) return void(out->cancelledLate = true);
      out->saveError = err;
      return;
    }
    if (!plan.asTemplate && !platform::replaceFile(target, plan.chosen, &err)) {
      removeFile(target);
      out->saveError = "cannot write " + plan.chosen + ": " + err;
      return;
    }
    out->workbook = plan.asTemplate ? target : plan.chosen;
    out->warnings.insert(out->warnings.end(), report.warnings.begin(), report.warnings.end());
    // Only templates are listed, and so only they are ever cleaned up; unlisted, a template is
    // merely never removed.
    if (plan.asTemplate) recordExport(plan.folder, out->workbook, &err);
  } catch (const std::exception& error) {
    out->result.outcome = sheet::ExportResult::kFailed;
    out->result.message = error.what();
    // The template is ours to remove; a chosen file in place (its staging name gone) stays.
    if (!target.empty() && target != plan.chosen) removeFile(target);
    out->workbook.clear();
  }
}

GuiExportResult finishExport(const ExportPlan& plan, const ExportJob& job, const WorkerOutcome& outcome,
                             std::vector<Notice>* notices) {
  GuiExportResult result;
  auto tell = [&](Notice::Kind kind, const std::string& text) {
    result.message = text;
    notices->push_back({kind, text});
  };
  const sheet::ExportResult& converted = outcome.result;
  result.lines = converted.lines;
  if (converted.outcome == sheet::ExportResult::kLogoFailed) {
    result.outcome = GuiExportResult::kLogoFailed;
    tell(Notice::kWarning, converted.message);
    return result;
  }
  if (converted.outcome == sheet::ExportResult::kCancelled || outcome.cancelledLate) {
    result.outcome = GuiExportResult::kCancelled;
    return result;
  }
  if (converted.outcome != sheet::ExportResult::kCompleted) {
    result.outcome = GuiExportResult::kFailed;
    tell(Notice::kError, job.summary ? "Could not make the summary workbook:\n" + converted.message
                                     : "Could not convert " + platform::fileName(job.path) + ":\n" + converted.message);
    return result;
  }
  if (!outcome.saveError.empty()) {
    result.outcome = GuiExportResult::kFailed;
    tell(Notice::kError, "Could not save the workbook:\n" + outcome.saveError);
    return result;
  }
  result.outcome = GuiExportResult::kCompleted;
  result.workbook = outcome.workbook;
  result.launch = plan.asTemplate ? desktop::openWithDefault(desktop::kTemplateType, outcome.workbook, true)
                                  : desktop::openWithDefault(desktop::kWorkbookType, outcome.workbook);
  if (result.launch.outcome == desktop::Launch::kNoProgram) {
    tell(Notice::kInformation, "The workbook is saved as\n" + outcome.workbook +
                                   "\n\nNo program on this desktop opens " + (plan.asTemplate ? ".xltx" : ".xlsx") +
                                   " workbooks; open it from there.");
  } else if (result.launch.outcome == desktop::Launch::kFailed) {
    tell(Notice::kWarning, "The workbook is saved as\n" + outcome.workbook + "\n\nbut " + result.launch.program +
                               " could not be started:\n" + result.launch.error);
  }
  if (!outcome.note.empty()) notices->push_back({Notice::kInformation, outcome.note});
  if (!outcome.warnings.empty()) {
    std::string lines;
    for (const std::string& warning : outcome.warnings) lines += "\n- " + warning;
    notices->push_back({Notice::kInformation,
                        (job.summary ? "About the summary workbook:"
                                     : "Some of the file did not fit the .xlsx format as it stands and was placed "
                                       "differently:") +
                            lines});
  }
  return result;
}

}  // namespace tnw::gui
