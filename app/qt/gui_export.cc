#include "app/qt/gui_export.h"

#include "sheet/charts.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>
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
// as they did when the export held the one user-interface thread. Only closing the window the
// export was started from is heard: it cancels the export, and the window closes after it.
class InputBlocker : public QObject {
 public:
  InputBlocker() { qApp->installEventFilter(this); }
  ~InputBlocker() override { qApp->removeEventFilter(this); }
  void allow(QWidget* window) { allowed_ = window; }
  void onClose(QWidget* window, std::function<void()> closing) {
    owner_ = window;
    closing_ = std::move(closing);
  }

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
    if (event->type() == QEvent::Close && widget == owner_ && closing_) closing_();
    event->ignore();
    return true;
  }

 private:
  QPointer<QWidget> allowed_;
  QPointer<QWidget> owner_;
  std::function<void()> closing_;
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
  return runExport(parent, singleFileJob(source, path), showProgress, options);
}

GuiExportResult runExport(QWidget* parent, const ExportJob& job, bool showProgress, const GuiExportOptions& options) {
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
  const ExportPlan plan = planExport(job.path, options, [&](const std::string& suggested) {
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
  std::unique_ptr<ExportWorker> worker;
  QEventLoop loop;
  bool woken = false, closeAfter = false;
  auto wakeLoop = [&] {
    woken = true;
    loop.quit();
  };
  std::unique_ptr<CancellingWnd> cancelling;
  QTimer noteDelay;
  noteDelay.setSingleShot(true);
  std::unique_ptr<StatusWnd> window;
  auto cancel = [&] {
    if (!worker) return;
    worker->channel().requestCancel();
    if (worker->settled()) return wakeLoop();
    // Reading stops at the next line, saving at the next row: the user has the program back at
    // once. Only a file that does not answer keeps the worker; say so, if it takes a while.
    noteDelay.start(250);
  };
  QObject::connect(&noteDelay, &QTimer::timeout, [&] {
    if (cancelling || worker->settled()) return;
    cancelling = std::make_unique<CancellingWnd>(parent);
    if (window) cancelling->move(window->geometry().center() - cancelling->rect().center());
    cancelling->show();
  });
  if (showProgress) {
    window = std::make_unique<StatusWnd>(parent);
    QObject::connect(window.get(), &StatusWnd::cancelled, cancel);
    blocker->allow(window.get());
    window->show();
    window->raise();
    window->activateWindow();
  }
  if (parent) {
    blocker->onClose(parent->window(), [&] {
      closeAfter = true;
      if (window) window->hide();
      cancel();
    });
  }

  WorkerOutcome outcome;
  {
    WaitCursor wait(Qt::BusyCursor);
    // Called on the worker's thread; the loop looks again on its own.
    worker = std::make_unique<ExportWorker>(job, plan, options, [&loop, &woken] {
      QMetaObject::invokeMethod(&loop, [&loop, &woken] {
        woken = true;
        loop.quit();
      }, Qt::QueuedConnection);
    });
    QTimer refresh;
    if (window) {
      QObject::connect(&refresh, &QTimer::timeout, [&] {
        std::string text;
        if (worker->channel().takeTitle(&text)) window->setWindowTitle(QString::fromStdString(text));
        if (worker->channel().takeLine(&text)) window->showText(QString::fromStdString(text), StatusWnd::kStatus);
      });
      refresh.start(options.refreshMilliseconds);
    }
    while (!worker->settled()) {
      woken = false;
      loop.exec();
      if (!woken) {
        // The event loop was told to end (the program is quitting): stop at the next line.
        worker->channel().requestCancel();
        break;
      }
    }
    outcome = worker->finish();
  }
  noteDelay.stop();
  cancelling.reset();
  window.reset();  // the window never outlives the conversion, and goes before the workbook shows
  blocker.reset();
  if (closeAfter && parent) {
    // What the user asked for while the export ran, now that it is over.
    QTimer::singleShot(0, parent->window(), [target = QPointer<QWidget>(parent->window())] {
      if (target) target->close();
    });
  }

  std::vector<Notice> notices;
  {
    WaitCursor wait;
    result = finishExport(plan, job, outcome, &notices);
  }
  for (const Notice& notice : notices) showMessage(parent, iconOf(notice.kind), shownText(notice.text));
  return result;
}

}  // namespace tnw::gui
