#include "app/qt/gui_export.h"

#include "sheet/charts.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
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
#include "platform/platform.h"

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

QMessageBox::Icon iconOf(Notice::Kind kind) {
  switch (kind) {
    case Notice::kInformation: return QMessageBox::Information;
    case Notice::kWarning: return QMessageBox::Warning;
    case Notice::kError: break;
  }
  return QMessageBox::Critical;
}

// The system's save dialog (Qt's own where the desktop offers none), with the suffix added to
// a name typed without it and a question before a file is replaced.
std::string askWhereToSave(QWidget* parent, const std::string& suggested) {
  const std::string folder = platform::pathToUtf8(platform::pathFromUtf8(suggested).parent_path());
  QFileDialog dialog(parent, "Save the workbook", shownPath(folder), "Excel workbooks (*.xlsx)");
  dialog.setObjectName("saveWorkbook");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix("xlsx");
  dialog.selectFile(shownPath(suggested));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

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

  // Where the workbook goes, asked before anything else is shown or runs: a Cancel there keeps
  // nothing and costs nothing.
  const ExportPlan plan = planExport(path, options, [&](const std::string& suggested) {
    return askWhereToSave(parent, suggested);
  });
  if (plan.outcome == ExportPlan::kCancelled) {
    result.outcome = GuiExportResult::kCancelled;
    return result;
  }
  if (plan.outcome == ExportPlan::kFolderFailed) {
    result.outcome = GuiExportResult::kNoSpreadsheet;
    tell(QMessageBox::Critical, shownPath(plan.problem));
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

  WorkerOutcome outcome;
  {
    WaitCursor wait(Qt::BusyCursor);
    QEventLoop loop;
    std::unique_ptr<QThread> worker(
        QThread::create([&] { convertAndSave(source, path, plan, options, channel, &outcome); }));
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

  std::vector<Notice> notices;
  {
    WaitCursor wait;
    result = finishExport(plan, path, outcome, &notices);
  }
  for (const Notice& notice : notices) showMessage(parent, iconOf(notice.kind), shownText(notice.text));
  return result;
}

}  // namespace tnw::gui
