// Cancel as the user gives it: a click on the progress window's Cancel, Escape, or the
// desktop's close command, delivered the way the window system delivers them, while the main
// dialog runs modally as it does in the program. A window that a modal dialog blocks never
// sees input that comes this way, which a click sent straight to the button would hide.
// Reading or saving, the user has the program back at once: each prints the time it took.
#include <QGuiApplication>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <QWindow>
#include <chrono>
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
// kCloseMain: the desktop's close command on the main dialog.
enum class Gesture { kClick, kEscape, kClose, kCloseMain };
// What the export is doing when the gesture comes.
enum class Phase { kReading, kWritingRows, kCompressing };

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
  void closingTheMainDialogCancelsAndCloses();
  void cancelWhileCompressingThenConvertAgain();

 private:
  void cancelFromTheMainDialog(Flow flow, Gesture gesture, Phase phase = Phase::kReading);
  void cancelFromTheCommandLine(Gesture gesture, Phase phase = Phase::kReading, bool convertAgain = false);
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

bool showsPhase(const StatusWnd& window, Phase phase) {
  if (phase == Phase::kReading) return lineShown(window) > 0;
  const QString title = window.windowTitle(), status = window.statusText();
  if (phase == Phase::kWritingRows)
    return status.startsWith("Writing row ") && title.startsWith("Saving the workbook... ");
  return status == "Compressing the workbook..." && title == "Saving the workbook...";
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
  std::chrono::steady_clock::time_point at;
};

// The time from the gesture to a dialog that takes input again, printed and held to a bound
// generous enough for a loaded machine.
bool backInTime(const Given& given, Phase phase) {
  const char* phases[] = {"reading", "writing rows", "compressing"};
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - given.at).count();
  qInfo("cancel while %s: %.0f ms from the gesture to a dialog that takes input", phases[int(phase)], ms);
  return ms < 3000;
}

// Runs `step` once the current event has been handled: a step that opens a modal dialog must
// not run inside the script's own timer, which does not fire again until it returns.
void later(std::function<void()> step) { QTimer::singleShot(0, qApp, std::move(step)); }

}  // namespace

void CancelTest::init() {
  desktop_ = std::make_unique<FakeDesktop>();
  desktop_->setSpreadsheetProgram(kSheet);
}

void CancelTest::cleanup() {
  waitForLetGoExports();  // a save let go outlives nothing
  desktop_.reset();
}

std::string CancelTest::writeBigPas(const std::string& name) const {
  std::string path = desktop_->root().toStdString() + "/wells/" + name;
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path) << bigPasText(kValueLines);
  return path;
}

namespace {

// Gives the gesture through the window system's input path (QTest's QWindow overloads), the
// way a user's click, key press or close command arrives.
Given give(StatusWnd* window, Gesture gesture, QWidget* main = nullptr) {
  Given given;
  QWindow* handle = (gesture == Gesture::kCloseMain ? main : window)->windowHandle();
  given.blocked = blockedByModal(handle);
  given.at = std::chrono::steady_clock::now();
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
    case Gesture::kCloseMain:
      // The window system's close request; Qt lets one from QWindow::close through even to a
      // blocked window, which is why `blocked` is looked at as well.
      handle->close();
      break;
  }
  given.hiddenAtOnce = !window->isVisible();
  return given;
}

}  // namespace

void CancelTest::cancelFromTheMainDialog(Flow flow, Gesture gesture, Phase phase) {
  std::string path = writeBigPas("big well.pas");
  CTestDlg dialog;
  dialog.setExportOptions(desktop_->exportOptions());
  dialog.setFileChooser([&](QWidget*) { return QStringList{QString::fromStdString(path)}; });
  QMimeData dropped;
  dropped.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  int statsShown = 0, lineAtCancel = 0;
  bool inTime = false;
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
        if (!progress || !showsPhase(*progress, phase)) return false;
        lineAtCancel = lineShown(*progress);
        given = give(progress, gesture, &dialog);
        return true;
      });
  if (gesture != Gesture::kCloseMain)  // that closes the main dialog itself after the export
    script.then([&] {
      // The export is over when the main dialog is the one that runs again (it is the active
      // modal dialog during the export too: the progress window is not modal).
      if (!dialog.lastExportCancelled() || activeModal<CTestDlg>() != &dialog || visibleWindow<StatusWnd>() ||
          visibleWindow<CancellingWnd>())
        return false;
      inTime = backInTime(given, phase);
      later([&] { clickButton(&dialog, "exit"); });
      return true;
    });
  QCOMPARE(dialog.exec(), int(QDialog::Rejected));
  if (gesture == Gesture::kCloseMain) inTime = backInTime(given, phase);
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QVERIFY(inTime);
  QVERIFY(given.hiddenAtOnce);
  QCOMPARE(statsShown, 1);
  const GuiExportResult& result = dialog.lastExport();
  QCOMPARE(result.outcome, GuiExportResult::kCancelled);
  QVERIFY(dialog.lastExportCancelled());
  if (phase == Phase::kReading)
    QVERIFY2(result.lines >= lineAtCancel && result.lines < kTotalLines,
             qPrintable(QString("stopped at line %1 of %2").arg(result.lines).arg(kTotalLines)));
  else
    QCOMPARE(result.lines, kTotalLines);  // read whole: the cancel came while saving
  waitForLetGoExports();
  QVERIFY(exportFolderIsEmpty(*desktop_));
  QVERIFY(!desktop_->wasStarted(kSheet));
  QVERIFY(result.message.empty());
  // What the close command needs too (QWindow::close itself gets through regardless).
  QVERIFY2(!given.blocked, "the progress window takes input while the main dialog runs modally");
}

// With `convertAgain`, the statistics dialog that comes back converts the file once more, while
// the save let go may still be compressing: it keeps the name it took until it ends.
void CancelTest::cancelFromTheCommandLine(Gesture gesture, Phase phase, bool convertAgain) {
  std::string path = writeBigPas("big.pas");
  Startup startup;
  startup.executable = TARNWELL_BIN_DIR "/tarnwell";
  startup.runTool = [](const std::vector<std::string>&, std::string*) { return true; };
  startup.exportOptions = desktop_->exportOptions();
  int statsShown = 0;
  bool inTime = false;
  Given given;
  Script script(60000);
  script
      .then([&] {
        auto* stats = activeModal<CPasStatsDlg>();
        return stats && ++statsShown && clickButton(stats, "convert");
      })
      .then([&] {
        auto* progress = visibleWindow<StatusWnd>();
        if (!progress || !showsPhase(*progress, phase)) return false;
        given = give(progress, gesture);
        return true;
      })
      .then([&] {
        auto* stats = activeModal<CPasStatsDlg>();
        if (!stats) return false;
        inTime = backInTime(given, phase);
        return ++statsShown && clickButton(stats, convertAgain ? "convert" : "close");
      });
  // The program's whole run: it ends once a save let go has ended and removed its file.
  QCOMPARE(runStartup(parseCommandLine({path}), startup), 0);
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QVERIFY(inTime);
  QVERIFY(given.hiddenAtOnce);
  QCOMPARE(statsShown, 2);  // the statistics come back after the cancel
  if (convertAgain) {
    QStringList left;
    for (const auto& entry : fs::directory_iterator(desktop_->exportFolder().toStdString()))
      if (entry.path().filename() != ".exports") left << QString::fromStdString(entry.path().string());
    QVERIFY(left.size() == 1 && desktop_->recordedArguments(kSheet) == QStringList{left[0]});
  } else {
    QVERIFY(exportFolderIsEmpty(*desktop_));
    QVERIFY(!desktop_->wasStarted(kSheet));
  }
  QVERIFY(!given.blocked);
}

void CancelTest::loadThenCancelButton() { cancelFromTheMainDialog(Flow::kLoad, Gesture::kClick); }
void CancelTest::loadThenEscape() { cancelFromTheMainDialog(Flow::kLoad, Gesture::kEscape); }
void CancelTest::loadThenClose() { cancelFromTheMainDialog(Flow::kLoad, Gesture::kClose); }
void CancelTest::droppedFileThenCancelButton() { cancelFromTheMainDialog(Flow::kDrop, Gesture::kClick); }
void CancelTest::commandLineThenEscape() { cancelFromTheCommandLine(Gesture::kEscape); }
void CancelTest::cancelWhileSavingKeepsNothing() {
  cancelFromTheMainDialog(Flow::kLoad, Gesture::kClick, Phase::kWritingRows);
}
void CancelTest::closingTheMainDialogCancelsAndCloses() {
  cancelFromTheMainDialog(Flow::kLoad, Gesture::kCloseMain, Phase::kWritingRows);
}
void CancelTest::cancelWhileCompressingThenConvertAgain() {
  cancelFromTheCommandLine(Gesture::kEscape, Phase::kCompressing, true);
}

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
        (void)QTest::qWaitFor([] { return visibleWindow<CancellingWnd>() != nullptr; }, 5000);  // after a moment
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

QTEST_MAIN(CancelTest)
#include "gui_cancel_test.moc"
