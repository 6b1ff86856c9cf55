#include "app/export_flow.h"

#include <condition_variable>
#include <exception>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <utility>

#include "app/export_folder.h"
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

  void mark(bool State::*flag) {
    std::lock_guard<std::mutex> lock(mutex);
    this->*flag = true;
    changed.notify_all();
    if (wake) wake();
  }
  bool settled() const { return done || (released && channel.cancelFlag().load()); }
};

namespace {

void removeFile(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(platform::pathFromUtf8(path), ec);
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

ExportWorker::ExportWorker(pas::LineSource& source, std::string path, std::string folder, bool asTemplate,
                           GuiExportOptions options, std::function<void()> wake)
    : state_(std::make_shared<State>()) {
  state_->wake = std::move(wake);
  letGo();  // made before the first thread, so that it outlives them all
  thread_ = std::thread([state = state_, &source, path = std::move(path), folder = std::move(folder), asTemplate,
                         options = std::move(options)] {
    run(source, path, folder, asTemplate, options, *state);
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
    removeFile(outcome.workbook);
    outcome.workbook.clear();
    outcome.cancelledLate = true;
  }
  return outcome;
}

void waitForLetGoExports() { letGo().joinAll(); }

// Converts the file and saves the workbook. A cancel, early or late, keeps no file.
void ExportWorker::run(pas::LineSource& source, const std::string& path, const std::string& folder, bool asTemplate,
                       const GuiExportOptions& options, State& state) {
  ProgressChannel& channel = state.channel;
  WorkerOutcome* out = &state.outcome;
  clearUpperVectorState();
  try {
    sheet::MemoryApplication application;
    sheet::ExportOptions exportOptions;
    exportOptions.logoPath = options.logoPath;
    exportOptions.logoHash = options.logoHash;
    exportOptions.generatedAt = options.generatedAt;
    out->result = sheet::exportFile(application, source, path, &channel, exportOptions);
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
    if (!reserveWorkbookPath(folder, path, asTemplate ? ".xltx" : ".xlsx", &out->workbook, &err)) {
      out->workbook.clear();
      out->saveError = err;
      return;
    }
    sheet::MemoryWorkbook& book = *application.workbooks().back();
    if (options.charts) sheet::addPressureCharts(book);
    sheet::SaveReport report;
    sheet::SaveControl control{.cancel = &channel.cancelFlag(), .progress = [&](uint64_t written, uint64_t total) {
                                 channel.showSaving(written, total);
                               }};
    // A cancel that came while the charts were laid out spares the user the whole save.
    bool saved = !channel.cancelRequested() &&
                 (asTemplate ? sheet::saveXltx(book, out->workbook, &report, &err, 0, &control)
                             : sheet::saveXlsx(book, out->workbook, &report, &err, 0, &control));
    if (!saved || channel.cancelRequested()) {
      removeFile(out->workbook);
      out->workbook.clear();
      if (channel.cancelRequested()) return void(out->cancelledLate = true);
      out->saveError = err;
      return;
    }
    out->warnings.insert(out->warnings.end(), report.warnings.begin(), report.warnings.end());
    recordExport(folder, out->workbook, &err);  // unlisted, it is merely never cleaned up
  } catch (const std::exception& error) {
    out->result.outcome = sheet::ExportResult::kFailed;
    out->result.message = error.what();
    if (!out->workbook.empty()) {
      removeFile(out->workbook);
      out->workbook.clear();
    }
  }
}

}  // namespace tnw::gui
