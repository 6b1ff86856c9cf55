// Cancel as the user gives it: a click on the progress window's Cancel, Escape, or the
// desktop's close command, delivered the way the window system delivers them, while the main
// dialog runs modally as it does in the program. A window that a modal dialog blocks never
// sees input that comes this way, which a click sent straight to the button would hide.
// Whatever the export was doing, reading or saving, the user has the program back at once:
// each test prints the time from the gesture to a dialog that takes input again.
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
// kCloseMain: the desktop's close command on the main dialog, not on the progress window.
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
  void cancelWhileWritingRows();
  void cancelWhileCompressingThenExportAgain();
  void closingTheMainDialogCancelsAndCloses();
  void commandLineCancelWhileCompressingKeepsNothingAtExit();

 private:
  void cancelFromTheMainDialog(Flow flow, Gesture gesture, Phase phase = Phase::kReading, bool exportAgain = false);
  void cancelFromTheCommandLine(Gesture gesture, Phase phase = Phase::kReading);
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

// Whether the progress window shows the export in that phase.
bool showsPhase(const StatusWnd& window, Phase phase) {
  switch (phase) {
    case Phase::kReading: return lineShown(window) > 0;
    case Phase::kWritingRows:
      return window.statusText().startsWith("Writing row ") && window.windowTitle().startsWith("Saving the workbook... ");
    case Phase::kCompressing:
      return window.statusText() == "Compressing the workbook..." && window.windowTitle() == "Saving the workbook...";
  }
  return false;
}

// From the gesture to a dialog that takes input again: printed, and held to a bound generous
// enough for a loaded machine (the aim is well under a second).
class Stopwatch {
 public:
  void start() { started_ = std::chrono::steady_clock::now(); }
  void stop() { ms_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started_).count(); }
  bool verify(const char* what) const {
    qInfo("%s: %.0f ms from the gesture to a dialog that takes input", what, ms_);
    return ms_ >= 0 && ms_ < 3000;
  }

 private:
  std::chrono::steady_clock::time_point started_;
  double ms_ = -1;
};

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
  desktop_->addRecordingProgram(kSheet, desktop::kWorkbookType);
  desktop_->setDefault(desktop::kWorkbookType, kSheet);
}

void CancelTest::cleanup() {
  // A save let go goes on unseen: nothing of it may be left once it has ended.
  waitForLetGoExports();
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
    case Gesture::kCloseMain:
      break;  // given to the main dialog, below
  }
  given.hiddenAtOnce = !window->isVisible();
  return given;
}

// The close command on the main dialog while an export runs; the progress window goes at once.
Given closeMain(CTestDlg* dialog, StatusWnd* window) {
  Given given;
  given.blocked = blockedByModal(dialog->windowHandle());
  dialog->windowHandle()->close();
  given.hiddenAtOnce = !window->isVisible();
  return given;
}

}  // namespace

void CancelTest::cancelFromTheMainDialog(Flow flow, Gesture gesture, Phase phase, bool exportAgain) {
  std::string path = writeBigPas("big well.pas");
  std::string small = desktop_->root().toStdString() + "/wells/small.pas";
  std::ofstream(small) << fullPasText();
  CTestDlg dialog;
  dialog.setExportOptions(desktop_->exportOptions());
  std::string chosen = path;
  dialog.setFileChooser([&](QWidget*) { return QString::fromStdString(chosen); });
  QMimeData dropped;
  dropped.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  int statsShown = 0, lineAtCancel = 0;
  Given given;
  Stopwatch stopwatch;
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
        stopwatch.start();
        given = gesture == Gesture::kCloseMain ? closeMain(&dialog, progress) : give(progress, gesture);
        return true;
      });
  if (gesture != Gesture::kCloseMain) {
    script.then([&] {
        // The export is over when the main dialog is the one that runs again.
        if (activeModal<CTestDlg>() != &dialog || visibleWindow<StatusWnd>() || visibleWindow<CancellingWnd>())
          return false;
        stopwatch.stop();
        if (!exportAgain) {
          later([&] { clickButton(&dialog, "exit"); });
          return true;
        }
        // While the save let go may still be compressing, another export goes its way.
        chosen = small;
        later([&] { clickButton(&dialog, "load"); });
        return true;
      });
  }
  if (exportAgain) {
    script
        .then([&] {
          auto* stats = activeModal<CPasStatsDlg>();
          return stats && ++statsShown && clickButton(stats, "convert");
        })
        .then([&] {
          if (activeModal<CTestDlg>() != &dialog || visibleWindow<StatusWnd>()) return false;
          later([&] { clickButton(&dialog, "exit"); });
          return true;
        });
  }
  // Closing the main dialog ends its run: the export is over, and the dialog closed after it.
  QCOMPARE(dialog.exec(), int(QDialog::Rejected));
  if (gesture == Gesture::kCloseMain) stopwatch.stop();
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QVERIFY(stopwatch.verify(phase == Phase::kReading ? "cancel while reading" : phase == Phase::kWritingRows
                                                                                  ? "cancel while writing rows"
                                                                                  : "cancel while compressing"));
  QVERIFY(given.hiddenAtOnce);
  const GuiExportResult& result = dialog.lastExport();
  if (exportAgain) {
    QCOMPARE(statsShown, 2);
    QCOMPARE(result.outcome, GuiExportResult::kCompleted);
    std::optional<QStringList> args = desktop_->recordedArguments(kSheet);
    QVERIFY(args && *args == QStringList{QString::fromStdString(result.workbook)});
    // The save let go ends and takes its file with it; the later export's stays.
    waitForLetGoExports();
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(desktop_->exportFolder().toStdString()))
      if (entry.path().filename() != ".exports") left.push_back(entry.path().filename().string());
    QCOMPARE(left, std::vector<std::string>{"small.xlsx"});
    return;
  }
  QCOMPARE(statsShown, 1);
  QCOMPARE(result.outcome, GuiExportResult::kCancelled);
  QVERIFY(dialog.lastExportCancelled());
  if (phase == Phase::kReading)
    QVERIFY2(result.lines >= lineAtCancel && result.lines < kTotalLines,
             qPrintable(QString("stopped at line %1 of %2").arg(result.lines).arg(kTotalLines)));
  else
    QCOMPARE(result.lines, kTotalLines);  // read whole: the cancel came while saving
  QVERIFY(result.workbook.empty());
  waitForLetGoExports();
  QVERIFY(exportFolderIsEmpty(*desktop_));
  QVERIFY(!desktop_->wasStarted(kSheet));
  QVERIFY(result.message.empty());
  // What the close command needs too (QWindow::close itself gets through regardless).
  QVERIFY2(!given.blocked, "the window closed takes input while the main dialog runs modally");
}

void CancelTest::cancelFromTheCommandLine(Gesture gesture, Phase phase) {
  std::string path = writeBigPas("big.pas");
  Startup startup;
  startup.executable = TARNWELL_BIN_DIR "/tarnwell";
  startup.runTool = [](const std::vector<std::string>&, std::string*) { return true; };
  startup.exportOptions = desktop_->exportOptions();
  int statsShown = 0;
  Given given;
  Stopwatch stopwatch;
  Script script(60000);
  script
      .then([&] {
        auto* stats = activeModal<CPasStatsDlg>();
        return stats && ++statsShown && clickButton(stats, "convert");
      })
      .then([&] {
        auto* progress = visibleWindow<StatusWnd>();
        if (!progress || !showsPhase(*progress, phase)) return false;
        stopwatch.start();
        given = give(progress, gesture);
        return true;
      })
      .then([&] {
        auto* stats = activeModal<CPasStatsDlg>();
        if (!stats) return false;
        stopwatch.stop();
        return ++statsShown && clickButton(stats, "close");
      });
  // The program's whole run: when it returns, a save let go has ended and removed its file.
  QCOMPARE(runStartup(parseCommandLine({path}), startup), 0);
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QVERIFY(stopwatch.verify(phase == Phase::kReading ? "cancel while reading" : "cancel while compressing"));
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
void CancelTest::cancelWhileWritingRows() { cancelFromTheMainDialog(Flow::kLoad, Gesture::kClick, Phase::kWritingRows); }
void CancelTest::cancelWhileCompressingThenExportAgain() {
  cancelFromTheMainDialog(Flow::kLoad, Gesture::kEscape, Phase::kCompressing, true);
}
void CancelTest::closingTheMainDialogCancelsAndCloses() {
  cancelFromTheMainDialog(Flow::kLoad, Gesture::kCloseMain, Phase::kWritingRows);
}
void CancelTest::commandLineCancelWhileCompressingKeepsNothingAtExit() {
  cancelFromTheCommandLine(Gesture::kClose, Phase::kCompressing);
}

// A file that does not answer holds the conversion inside a read: after a moment a note says
// why nothing has come back yet, and stays until the export has stopped.
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
        return true;
      })
      .then([&] {
        auto* cancelling = visibleWindow<CancellingWnd>();
        if (!cancelling) return false;
        said = cancelling->text();
        // A moment later the conversion is still held, and the note is still there.
        QTest::qWait(50);
        shownWhileHeld = visibleWindow<CancellingWnd>() != nullptr;
        // Escape and the close command do not take it away while the wait goes on.
        QTest::keyClick(cancelling->windowHandle(), Qt::Key_Escape);
        cancelling->windowHandle()->close();
        shownWhileHeld = shownWhileHeld && cancelling->isVisible();
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
