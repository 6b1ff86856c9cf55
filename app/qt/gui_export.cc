#include "app/qt/gui_export.h"

#include "sheet/charts.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/export_flow.h"
#include "app/export_folder.h"
#include "app/qt/message.h"
#include "app/progress_channel.h"
#include "app/qt/progress_window.h"
#include "app/vector_state.h"
#include "pas/text.h"
#include "sheet/memory_workbook.h"
#include "sheet/xlsx_writer.h"

namespace tnw::gui {

namespace {

// While an export runs, the program's windows other than the progress window take no input,
// as they did when the export held the one user-interface thread.
class InputBlocker : public QObject {
 public:
  InputBlocker() { qApp->installEventFilter(this); }
  ~InputBlocker() override { qApp->removeEventFilter(this); }
  void allow(QWidget* window) { allowed_ = window; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Shortcut:
      case QEvent::Wheel:
      case QEvent::Drop:
      case QEvent::Close:
        break;
      default:
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;  // the widget it is meant for gets its turn
    if (allowed_ && (widget == allowed_ || allowed_->isAncestorOf(widget))) return false;
    event->ignore();
    return true;
  }

 private:
  QPointer<QWidget> allowed_;
};

QString fileNameOf(const std::string& path) { return shownPath(std::filesystem::path(path).filename().string()); }

}  // namespace

GuiExportResult runExport(QWidget* parent, pas::LineSource& source, const std::string& path, bool showProgress,
                          const GuiExportOptions& options) {
  GuiExportResult result;
  auto tell = [&](QMessageBox::Icon icon, const QString& text) {
    result.message = text.toStdString();
    showMessage(parent, icon, text);
  };

  bool logoOk;
  {
    WaitCursor wait;
    logoOk = sheet::checkLogoFile(options.logoPath, options.logoHash);
  }
  if (!logoOk) {
    result.outcome = GuiExportResult::kLogoFailed;
    tell(QMessageBox::Warning, "Could not open file: " + shownPath(options.logoPath));
    return result;
  }

  auto blocker = std::make_unique<InputBlocker>();
  ProgressChannel channel;
  bool workerDone = false;
  std::unique_ptr<CancellingWnd> cancelling;
  std::unique_ptr<StatusWnd> window;
  if (showProgress) {
    window = std::make_unique<StatusWnd>(parent);
    QObject::connect(window.get(), &StatusWnd::cancelled, [&] {
      channel.requestCancel();
      if (workerDone || cancelling) return;
      // The progress window is gone already; say what the wait is for until it ends.
      cancelling = std::make_unique<CancellingWnd>(parent);
      cancelling->move(window->geometry().center() - cancelling->rect().center());
      cancelling->show();
    });
    blocker->allow(window.get());
    window->show();
    window->raise();
    window->activateWindow();
  }

  // The spreadsheet's side: here, the folder the workbook will be saved in.
  std::string folder = options.folder.empty() ? exportFolder() : options.folder;
  std::string folderProblem;
  if (!prepareExportFolder(folder, &folderProblem)) {
    window.reset();
    blocker.reset();
    result.outcome = GuiExportResult::kNoSpreadsheet;
    tell(QMessageBox::Critical, shownPath(folderProblem));
    return result;
  }
  // A template opens as a new, untitled workbook, so the user's Save asks where to save. Only
  // a program that names the template type takes it: through the parent type, an archive
  // manager would. Without one, the plain workbook and its program.
  const bool asTemplate = desktop::defaultProgram(desktop::kTemplateType, true).has_value();

  WorkerOutcome outcome;
  {
    WaitCursor wait(Qt::BusyCursor);
    QEventLoop loop;
    std::unique_ptr<QThread> worker(QThread::create(
        [&] { convertAndSave(source, path, folder, asTemplate, options, channel, &outcome); }));
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer refresh;
    if (window) {
      QObject::connect(&refresh, &QTimer::timeout, [&] {
        std::string text;
        if (channel.takePercent(&text)) window->showText(QString::fromStdString(text), StatusWnd::kPercent);
        if (channel.takeStatus(&text)) window->showText(QString::fromStdString(text), StatusWnd::kStatus);
      });
      refresh.start(options.refreshMilliseconds);
    }
    worker->start();
    loop.exec();
    if (!worker->isFinished()) {
      // The event loop was told to end (the program is quitting): stop at the next line.
      channel.requestCancel();
      worker->wait();
    }
    workerDone = true;
  }
  cancelling.reset();
  window.reset();  // the window never outlives the conversion, and goes before the workbook shows
  blocker.reset();

  const sheet::ExportResult& converted = outcome.result;
  result.lines = converted.lines;
  if (converted.outcome == sheet::ExportResult::kLogoFailed) {
    result.outcome = GuiExportResult::kLogoFailed;
    tell(QMessageBox::Warning, QString::fromStdString(converted.message));
    return result;
  }
  if (converted.outcome == sheet::ExportResult::kCancelled || outcome.cancelledLate) {
    result.outcome = GuiExportResult::kCancelled;
    return result;
  }
  if (converted.outcome != sheet::ExportResult::kCompleted) {
    result.outcome = GuiExportResult::kFailed;
    tell(QMessageBox::Critical,
         "Could not convert " + fileNameOf(path) + ":\n" + QString::fromStdString(converted.message));
    return result;
  }
  if (!outcome.saveError.empty()) {
    result.outcome = GuiExportResult::kFailed;
    tell(QMessageBox::Critical, "Could not save the workbook:\n" + shownText(outcome.saveError));
    return result;
  }

  result.outcome = GuiExportResult::kCompleted;
  result.workbook = outcome.workbook;
  const QString saved = shownPath(outcome.workbook);
  {
    WaitCursor wait;
    result.launch = asTemplate ? desktop::openWithDefault(desktop::kTemplateType, outcome.workbook, true)
                               : desktop::openWithDefault(desktop::kWorkbookType, outcome.workbook);
  }
  if (result.launch.outcome == desktop::Launch::kNoProgram) {
    tell(QMessageBox::Information, "The workbook is saved as\n" + saved + "\n\nNo program on this desktop opens " +
                                       (asTemplate ? ".xltx" : ".xlsx") + " workbooks; open it from there.");
  } else if (result.launch.outcome == desktop::Launch::kFailed) {
    tell(QMessageBox::Warning, "The workbook is saved as\n" + saved + "\n\nbut " +
                                   shownText(result.launch.program) + " could not be started:\n" +
                                   shownText(result.launch.error));
  }
  if (!outcome.warnings.empty()) {
    QString lines;
    for (const std::string& warning : outcome.warnings) lines += "\n- " + shownText(warning);
    showMessage(parent, QMessageBox::Information,
                "Some of the file did not fit the .xlsx format as it stands and was placed differently:" + lines);
  }
  return result;
}

}  // namespace tnw::gui
