// Cancel as the user gives it: a click on the progress window's Cancel, Escape, or the
// desktop's close command, delivered the way the window system delivers them, while the main
// dialog runs modally as it does in the program. A window that a modal dialog blocks never
// sees input that comes this way, which a click sent straight to the button would hide.
#include <QGuiApplication>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <QWindow>
#include <filesystem>
#include <fstream>

#include "app/qt/gui_export.h"
#include "app/qt/pas_stats_dlg.h"
#include "app/qt/progress_window.h"
#include "app/qt/startup.h"
#include "app/qt/test_dlg.h"
#include "gui_test_support.h"

using namespace tnw;
using namespace tnw::gui;
using namespace tnw::guitest;
namespace fs = std::filesystem;

enum class Flow { kLoad, kDrop };
enum class Gesture { kClick, kEscape, kClose };

class CancelTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init();
  void cleanup();
  void loadThenCancelButton();
  void loadThenEscape();
  void loadThenClose();
  void droppedFileThenCancelButton();
  void commandLineThenEscape();
  void cancellingIsShownUntilTheExportHasStopped();
  void cancelWhileSavingKeepsNothing();

 private:
  void cancelFromTheMainDialog(Flow flow, Gesture gesture);
  void cancelFromTheCommandLine(Gesture gesture);
  std::string writeBigPas(const std::string& name) const;
  std::unique_ptr<FakeDesktop> desktop_;
};

namespace {

const QString kSheet = "sheet.desktop";
// Long enough that a cancel given as soon as the first line counter shows lands well before
// the end, even on a fast machine.
const int kValueLines = 300000;
const int kTotalLines = kValueLines + 2;

bool exportFolderIsEmpty(const FakeDesktop& desktop) {
  std::error_code ec;
  return fs::is_empty(desktop.exportFolder().toStdString(), ec) || ec;
}

// The line number of "Reading Line N of M"; 0 when the status says something else.
int lineShown(const StatusWnd& window) {
  QRegularExpressionMatch match = QRegularExpression("^Reading Line (\\d+) of").match(window.statusText());
  return match.hasMatch() ? match.captured(1).toInt() : 0;
}

// Whether the window system's input to `window` is held back: the newest modal window lets
// through only what goes to itself or to its (transient) children.
bool blockedByModal(QWindow* window) {
  QWindow* modal = QGuiApplication::modalWindow();
  return modal && modal != window && !modal->isAncestorOf(window, QWindow::IncludeTransients);
}

// What a gesture met: whether the window was blocked, and whether it was gone right after.
struct Given {
  bool blocked = true;
  bool hiddenAtOnce = false;
};

// Runs `step` once the current event has been handled: a step that opens a modal dialog must
// not run inside the script's own timer, which does not fire again until it returns.
void later(std::function<void()> step) { QTimer::singleShot(0, qApp, std::move(step)); }

}  // namespace

void CancelTest::init() {
  desktop_ = std::make_unique<FakeDesktop>();
  desktop_->setSpreadsheetProgram(kSheet);
}

void CancelTest::cleanup() { desktop_.reset(); }

std::string CancelTest::writeBigPas(const std::string& name) const {
  std::string path = desktop_->root().toStdString() + "/wells/" + name;
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path) << bigPasText(kValueLines);
  return path;
}

namespace {

// Gives the gesture through the window system's input path (QTest's QWindow overloads), the
// way a user's click, key press or close command arrives.
Given give(StatusWnd* window, Gesture gesture) {
  Given given;
  QWindow* handle = window->windowHandle();
  given.blocked = blockedByModal(handle);
  switch (gesture) {
    case Gesture::kClick: {
      QPushButton* cancel = window->cancelButton();
      QTest::mouseClick(handle, Qt::LeftButton, Qt::NoModifier, cancel->mapTo(window, cancel->rect().center()));
      break;
    }
    case Gesture::kEscape:
      QTest::keyClick(handle, Qt::Key_Escape);
      break;
    case Gesture::kClose:
      // The window system's close request; Qt lets one from QWindow::close through even to a
      // blocked window, which is why `blocked` is looked at as well.
      handle->close();
      break;
  }
  given.hiddenAtOnce = !window->isVisible();
  return given;
}

}  // namespace

void CancelTest::cancelFromTheMainDialog(Flow flow, Gesture gesture) {
  std::string path = writeBigPas("big well.pas");
  CTestDlg dialog;
  dialog.setExportOptions(desktop_->exportOptions());
  dialog.setFileChooser([&](QWidget*) { return QString::fromStdString(path); });
  QMimeData dropped;
  dropped.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  int statsShown = 0, lineAtCancel = 0;
  Given given;
  Script script(60000);
  script
      .then([&] {
        if (activeModal<CTestDlg>() != &dialog) return false;
        if (flow == Flow::kLoad) {
          later([&] { clickButton(&dialog, "load"); });
        } else {
          later([&] {
            QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&dialog, &enter);
            QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&dialog, &drop);
          });
        }
        return true;
      })
      .then([&] {
        auto* stats = activeModal<CPasStatsDlg>();
        return stats && ++statsShown && clickButton(stats, "convert");
      })
      .then([&] {
        auto* progress = visibleWindow<StatusWnd>();
        if (!progress || !(lineAtCancel = lineShown(*progress))) return false;
        given = give(progress, gesture);
        return true;
      })
      .then([&] {
        // The export is over when the main dialog is the one that runs again.
        if (activeModal<CTestDlg>() != &dialog || visibleWindow<StatusWnd>() || visibleWindow<CancellingWnd>())
          return false;
        later([&] { clickButton(&dialog, "exit"); });
        return true;
      });
  QCOMPARE(dialog.exec(), int(QDialog::Rejected));
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QVERIFY(given.hiddenAtOnce);
  QCOMPARE(statsShown, 1);
  const GuiExportResult& result = dialog.lastExport();
  QCOMPARE(result.outcome, GuiExportResult::kCancelled);
  QVERIFY(dialog.lastExportCancelled());
  QVERIFY2(result.lines >= lineAtCancel && result.lines < kTotalLines,
           qPrintable(QString("stopped at line %1 of %2").arg(result.lines).arg(kTotalLines)));
  QVERIFY(exportFolderIsEmpty(*desktop_));
  QVERIFY(!desktop_->wasStarted(kSheet));
  QVERIFY(result.message.empty());
  // What the close command needs too (QWindow::close itself gets through regardless).
  QVERIFY2(!given.blocked, "the progress window takes input while the main dialog runs modally");
}

void CancelTest::cancelFromTheCommandLine(Gesture gesture) {
  std::string path = writeBigPas("big.pas");
  Startup startup;
  startup.executable = TARNWELL_BIN_DIR "/tarnwell";
  startup.runTool = [](const std::vector<std::string>&, std::string*) { return true; };
  startup.exportOptions = desktop_->exportOptions();
  int statsShown = 0;
  Given given;
  Script script(60000);
  script
      .then([&] {
        auto* stats = activeModal<CPasStatsDlg>();
        return stats && ++statsShown && clickButton(stats, "convert");
      })
      .then([&] {
        auto* progress = visibleWindow<StatusWnd>();
        if (!progress || !lineShown(*progress)) return false;
        given = give(progress, gesture);
        return true;
      })
      .then([&] {
        auto* stats = activeModal<CPasStatsDlg>();
        return stats && ++statsShown && clickButton(stats, "close");
      });
  QCOMPARE(runStartup(parseCommandLine({path}), startup), 0);
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QVERIFY(given.hiddenAtOnce);
  QCOMPARE(statsShown, 2);  // the statistics come back after the cancel
  QVERIFY(exportFolderIsEmpty(*desktop_));
  QVERIFY(!desktop_->wasStarted(kSheet));
  QVERIFY(!given.blocked);
}

void CancelTest::loadThenCancelButton() { cancelFromTheMainDialog(Flow::kLoad, Gesture::kClick); }
void CancelTest::loadThenEscape() { cancelFromTheMainDialog(Flow::kLoad, Gesture::kEscape); }
void CancelTest::loadThenClose() { cancelFromTheMainDialog(Flow::kLoad, Gesture::kClose); }
void CancelTest::droppedFileThenCancelButton() { cancelFromTheMainDialog(Flow::kDrop, Gesture::kClick); }
void CancelTest::commandLineThenEscape() { cancelFromTheCommandLine(Gesture::kEscape); }

void CancelTest::cancellingIsShownUntilTheExportHasStopped() {
  std::string text = bigPasText(50000);
  GatedSource source(text, text.size() / 4);
  Given given;
  QString said;
  bool shownWhileHeld = false;
  Script script;
  script
      .then([&] {
        auto* window = visibleWindow<StatusWnd>();
        if (!window || !source.waitUntilHeld(0)) return false;
        given = give(window, Gesture::kClick);
        auto* cancelling = visibleWindow<CancellingWnd>();
        said = cancelling ? cancelling->text() : QString();
        return true;
      })
      .then([&] {
        // A moment later the conversion is still held, and the note is still there.
        QTest::qWait(50);
        shownWhileHeld = visibleWindow<CancellingWnd>() != nullptr;
        // Escape and the close command do not take it away while the wait goes on.
        if (auto* cancelling = visibleWindow<CancellingWnd>()) {
          QTest::keyClick(cancelling->windowHandle(), Qt::Key_Escape);
          cancelling->windowHandle()->close();
          shownWhileHeld = shownWhileHeld && cancelling->isVisible();
        }
        source.release();
        return true;
      });
  GuiExportResult result = runExport(nullptr, source, "/data/big.pas", true, desktop_->exportOptions());
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QVERIFY(given.hiddenAtOnce);
  QCOMPARE(said, QString("Cancelling..."));
  QVERIFY(shownWhileHeld);
  QCOMPARE(result.outcome, GuiExportResult::kCancelled);
  QVERIFY(!visibleWindow<CancellingWnd>());
  QVERIFY(!visibleWindow<StatusWnd>());
  QVERIFY(exportFolderIsEmpty(*desktop_));
}

void CancelTest::cancelWhileSavingKeepsNothing() {
  std::string path = writeBigPas("saved late.pas");
  std::string err;
  auto source = pas::LineSource::open(path, &err);
  QVERIFY(source);
  Given given;
  bool noted = false;
  Script script(60000);
  script.then([&] {
    auto* window = visibleWindow<StatusWnd>();
    if (!window || window->statusText() != "Saving the workbook...") return false;
    given = give(window, Gesture::kClick);
    noted = visibleWindow<CancellingWnd>() != nullptr;
    return true;
  });
  GuiExportResult result = runExport(nullptr, *source, path, true, desktop_->exportOptions());
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QVERIFY(given.hiddenAtOnce);
  QVERIFY2(noted, "something says what the wait is for");
  QCOMPARE(result.outcome, GuiExportResult::kCancelled);
  QCOMPARE(result.lines, kTotalLines);  // read whole: the cancel came while saving
  QVERIFY(result.workbook.empty());
  QVERIFY(exportFolderIsEmpty(*desktop_));
  QVERIFY(!desktop_->wasStarted(kSheet));
  QVERIFY(!visibleWindow<CancellingWnd>());
}

QTEST_MAIN(CancelTest)
#include "gui_cancel_test.moc"
