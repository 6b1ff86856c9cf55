// The export as the desktop program runs it: the progress window while the conversion runs
// on its worker thread, Cancel, the workbook handed over as a template from the cache folder
// where the desktop has a program for templates, else saved where the user chooses, opened in
// the desktop's spreadsheet program, and what the user is told when something is in the way.
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <QMimeData>
#include <sys/stat.h>

#include "app/qt/gui_export.h"
#include "app/qt/progress_window.h"
#include "app/qt/test_dlg.h"
#include "gui_test_support.h"

using namespace tnw;
using namespace tnw::gui;
using namespace tnw::guitest;
namespace fs = std::filesystem;

class ExportTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init();
  void cleanup();
  void completedExportOpensTheSavedWorkbook();
  void laterExportsNeverReplaceEarlierOnes();
  void progressWindowShowsTheLatestProgress();
  void cancelStopsTheConversionAndKeepsNothing();
  void closingTheProgressWindowCancelsToo();
  void logoCheckComesBeforeAnythingElse();
  void exportFolderThatCannotBeUsedIsNamedWithTheReason();
  void templateProgramGetsANewUntitledWorkbook();
  void programOfAParentTypeNeverGetsTheTemplate();
  void withoutTemplateProgramTheUserChoosesWhereToSave();
  void cancelAfterTheSaveDialogKeepsNothing();
  void withoutSpreadsheetProgramTheUserLearnsWhereTheWorkbookIs();
  void launchThatCannotStartIsReported();
  void unreadableFileEndsTheExportWithItsReason();
  void chartsOnlyWhenAsked();
  void severalFilesAndAFolderDroppedBecomeOneSummary();
  void cancelDuringASummaryKeepsNothing();

 private:
  std::unique_ptr<FakeDesktop> desktop_;
  std::string pasFile_;
};

namespace {

const QString kSheet = "sheet.desktop";

std::vector<std::string> workbooksIn(const QString& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder.toStdString(), ec))
    if (entry.path().filename() != ".exports") names.push_back(entry.path().filename());  // the list of them
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

void ExportTest::init() {
  desktop_ = std::make_unique<FakeDesktop>();
  desktop_->setSpreadsheetProgram(kSheet);
  pasFile_ = desktop_->root().toStdString() + "/North Field/well 7.pas";
  fs::create_directories(fs::path(pasFile_).parent_path());
  std::ofstream(pasFile_) << fullPasText();
}

void ExportTest::cleanup() { desktop_.reset(); }

void ExportTest::completedExportOpensTheSavedWorkbook() {
  std::string err;
  auto source = pas::LineSource::open(pasFile_, &err);
  QVERIFY(source);
  GuiExportResult result = runExport(nullptr, *source, pasFile_, true, desktop_->exportOptions());
  QCOMPARE(result.outcome, GuiExportResult::kCompleted);
  QCOMPARE(result.launch.outcome, desktop::Launch::kStarted);
  QCOMPARE(result.workbook, desktop_->exportFolder().toStdString() + "/well 7.xltx");
  QCOMPARE(result.lines, 8);
  std::optional<QStringList> args = desktop_->recordedArguments(kSheet);
  QVERIFY(args);
  QCOMPARE(*args, QStringList{QString::fromStdString(result.workbook)});
  std::ifstream in(result.workbook, std::ios::binary);
  char magic[2] = {};
  in.read(magic, 2);
  QVERIFY2(magic[0] == 'P' && magic[1] == 'K', "the workbook is a zip file");
  QVERIFY(!visibleWindow<StatusWnd>());
  QVERIFY(result.message.empty());
}

void ExportTest::laterExportsNeverReplaceEarlierOnes() {
  std::string err;
  auto source = pas::LineSource::open(pasFile_, &err);
  GuiExportResult first = runExport(nullptr, *source, pasFile_, true, desktop_->exportOptions());
  QCOMPARE(first.outcome, GuiExportResult::kCompleted);
  auto size = fs::file_size(first.workbook);
  auto written = fs::last_write_time(first.workbook);
  GuiExportResult second = runExport(nullptr, *source, pasFile_, true, desktop_->exportOptions());
  QCOMPARE(second.outcome, GuiExportResult::kCompleted);
  QCOMPARE(second.workbook, desktop_->exportFolder().toStdString() + "/well 7 (2).xltx");
  QCOMPARE(fs::file_size(first.workbook), size);
  QVERIFY(fs::last_write_time(first.workbook) == written);
  QCOMPARE(workbooksIn(desktop_->exportFolder()), (std::vector<std::string>{"well 7 (2).xltx", "well 7.xltx"}));
}

void ExportTest::progressWindowShowsTheLatestProgress() {
  const int total = 20002;  // the two version lines and the values
  std::string text = bigPasText(total - 2);
  GatedSource source(text, text.size() / 2);
  QString title, status;
  bool closable = false;
  Script script;
  script.then([&] {
    auto* window = visibleWindow<StatusWnd>();
    if (!window || !source.waitUntilHeld(0)) return false;
    // Held half way: the window catches up with the conversion's last report.
    if (!window->windowTitle().startsWith("Reading ") || !window->statusText().startsWith("Reading Line "))
      return false;
    if (window->windowTitle() != "Reading 49%" && window->windowTitle() != "Reading 50%") return false;
    title = window->windowTitle();
    status = window->statusText();
    // A title bar with a close button, as a window the user may want to close has.
    Qt::WindowFlags flags = window->windowFlags();
    closable = !flags.testFlag(Qt::FramelessWindowHint) && flags.testFlag(Qt::WindowTitleHint) &&
               flags.testFlag(Qt::WindowCloseButtonHint);
    source.release();
    return true;
  });
  GuiExportResult result = runExport(nullptr, source, "/data/half.pas", true, desktop_->exportOptions());
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QCOMPARE(result.outcome, GuiExportResult::kCompleted);
  QCOMPARE(result.lines, total);
  QVERIFY(closable);
  QRegularExpressionMatch line = QRegularExpression("^Reading Line (\\d+) of (\\d+)$").match(status);
  QVERIFY2(line.hasMatch(), qPrintable(status));
  QCOMPARE(line.captured(2).toInt(), total);
  QVERIFY(line.captured(1).toInt() > total / 3 && line.captured(1).toInt() < total * 2 / 3);
  QVERIFY(!visibleWindow<StatusWnd>());
}

void ExportTest::cancelStopsTheConversionAndKeepsNothing() {
  std::string text = bigPasText(50000);
  const size_t hold = text.size() / 4;
  GatedSource source(text, hold);
  // The lines read whole before the hold; the one it cuts through is read when let go.
  const int before = static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(hold), '\n'));
  Script script;
  script.then([&] {
    auto* window = visibleWindow<StatusWnd>();
    if (!window || !source.waitUntilHeld(0) || !window->statusText().startsWith("Reading Line ")) return false;
    QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
    bool hidden = !window->isVisible();  // removed at once, before the conversion has stopped
    source.release();
    return hidden;
  });
  GuiExportResult result = runExport(nullptr, source, "/data/big.pas", true, desktop_->exportOptions());
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QCOMPARE(result.outcome, GuiExportResult::kCancelled);
  // The conversion stopped at the first line after the cancel.
  QCOMPARE(result.lines, before + 1);
  QVERIFY(workbooksIn(desktop_->exportFolder()).empty());
  QVERIFY(!desktop_->wasStarted(kSheet));
  QVERIFY(result.message.empty());
  QVERIFY(!visibleWindow<StatusWnd>());
}

void ExportTest::closingTheProgressWindowCancelsToo() {
  std::string text = bigPasText(50000);
  GatedSource source(text, text.size() / 4);
  Script script;
  script.then([&] {
    auto* window = visibleWindow<StatusWnd>();
    if (!window || !source.waitUntilHeld(0)) return false;
    window->close();  // as the desktop's close command does
    source.release();
    return true;
  });
  GuiExportResult result = runExport(nullptr, source, "/data/big.pas", true, desktop_->exportOptions());
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QCOMPARE(result.outcome, GuiExportResult::kCancelled);
  QVERIFY(result.lines < 50000);
  QVERIFY(workbooksIn(desktop_->exportFolder()).empty());
}

void ExportTest::logoCheckComesBeforeAnythingElse() {
  GuiExportOptions options = desktop_->exportOptions();
  options.logoPath = desktop_->root().toStdString() + "/moved/Tarnwell.GIF";
  auto source = pas::LineSource::fromBytes(fullPasText());
  bool progressShown = false;
  QString message;
  Script script;
  script.then([&] {
    progressShown = progressShown || visibleWindow<StatusWnd>();
    message = messageText();
    return !message.isEmpty() && acceptMessage();
  });
  GuiExportResult result = runExport(nullptr, *source, "/data/x.pas", true, options);
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QCOMPARE(result.outcome, GuiExportResult::kLogoFailed);
  QCOMPARE(message, "Could not open file: " + QString::fromStdString(options.logoPath));
  QVERIFY(!progressShown);
  QVERIFY(!fs::exists(options.folder));  // not even the workbook store was touched
  QVERIFY(!desktop_->wasStarted(kSheet));
}

// What is wrong with the folder, in words, and which folder it is: not the spreadsheet
// start-up message with an error number.
void ExportTest::exportFolderThatCannotBeUsedIsNamedWithTheReason() {
  const std::string cache = desktop_->cacheHome().toStdString();
  std::ofstream(cache + "/blocked") << "a file where a folder should be";
  fs::create_directories(cache + "/locked");
  fs::permissions(cache + "/locked", fs::perms::owner_read | fs::perms::owner_exec);
  struct Case {
    std::string folder, message;
  };
  std::vector<Case> cases = {
      {cache + "/blocked", "Tarnwell cannot keep the workbooks it hands over in the folder\n" + cache +
                               "/blocked\nbecause a file of that name stands in its place."},
      {cache + "/blocked/tarnwell", "Tarnwell cannot keep the workbooks it hands over in the folder\n" + cache +
                                        "/blocked/tarnwell\nbecause it cannot be created: " + cache +
                                        "/blocked is a file, not a folder."},
  };
  if (geteuid() != 0) {  // the superuser writes in any folder
    cases.push_back({cache + "/locked", "Tarnwell cannot keep the workbooks it hands over in the folder\n" + cache +
                                            "/locked\nbecause you may not write in it."});
    cases.push_back({cache + "/locked/tarnwell", "Tarnwell cannot keep the workbooks it hands over in the folder\n" +
                                                     cache + "/locked/tarnwell\nbecause it cannot be created in " +
                                                     cache + "/locked: you may not write there."});
  } else {
    qInfo("running as root: the unwritable folders are not tried");
  }
  for (const Case& c : cases) {
    GuiExportOptions options = desktop_->exportOptions();
    options.folder = c.folder;
    auto source = pas::LineSource::fromBytes(fullPasText());
    QString message;
    bool progressGone = false;
    Script script;
    script.then([&] {
      message = messageText();
      progressGone = !visibleWindow<StatusWnd>();
      return !message.isEmpty() && acceptMessage();
    });
    GuiExportResult result = runExport(nullptr, *source, "/data/x.pas", true, options);
    QVERIFY2(script.finished(), qPrintable(script.state()));
    QCOMPARE(result.outcome, GuiExportResult::kNoSpreadsheet);
    QCOMPARE(message, QString::fromStdString(c.message));
    QVERIFY(progressGone);
    QVERIFY(!desktop_->wasStarted(kSheet));
  }
  fs::permissions(cache + "/locked", fs::perms::owner_all);
}

// With a program for templates, the workbook goes to it as a template: a real reader takes it,
// and LibreOffice (where installed) makes a new, untitled document of it with all its sheets.
void ExportTest::templateProgramGetsANewUntitledWorkbook() {
  const QString office = "office.desktop";
  desktop_->addRecordingProgram(office, QString(desktop::kTemplateType) + ";" + desktop::kWorkbookType);
  desktop_->setDefault(desktop::kTemplateType, office);
  std::string err;
  auto source = pas::LineSource::open(pasFile_, &err);
  QVERIFY(source);
  GuiExportResult result = runExport(nullptr, *source, pasFile_, true, desktop_->exportOptions());
  QCOMPARE(result.outcome, GuiExportResult::kCompleted);
  QCOMPARE(result.launch.outcome, desktop::Launch::kStarted);
  QCOMPARE(result.workbook, desktop_->exportFolder().toStdString() + "/well 7.xltx");
  std::optional<QStringList> args = desktop_->recordedArguments(office);
  QVERIFY(args);
  QCOMPARE(*args, QStringList{QString::fromStdString(result.workbook)});
  QVERIFY(!desktop_->wasStarted(kSheet));
  QCOMPARE(workbooksIn(desktop_->exportFolder()), std::vector<std::string>{"well 7.xltx"});

  QProcess check;
  check.setProcessChannelMode(QProcess::MergedChannels);
  check.start("/usr/bin/python3", {sourceFile("tests/readback/check_template.py").c_str(),
                                   QString::fromStdString(result.workbook)});
  QVERIFY(check.waitForFinished(100000));
  const QString said = QString::fromUtf8(check.readAll()).trimmed();
  qInfo("%s", qPrintable(said));
  QVERIFY2(said.contains("openpyxl: template with sheets TEST INFORMATION|"), qPrintable(said));
  if (check.exitCode() == 77) QSKIP(qPrintable(said.section('\n', -1)));
  QVERIFY2(check.exitCode() == 0, qPrintable(said));
}

// A template is a zip archive to the desktop: without a program that names the template type,
// GIO would hand it to the archive manager. The user saves the plain workbook, and the workbook
// program opens it.
void ExportTest::programOfAParentTypeNeverGetsTheTemplate() {
  if (!fs::exists("/usr/share/mime/mime.cache")) QSKIP("no system MIME database (shared-mime-info)");
  qputenv("XDG_DATA_DIRS", (desktop_->root() + "/system:/usr/share").toLocal8Bit());
  desktop_->setSpreadsheetProgram(kSheet, false);
  const QString archives = "archives.desktop";
  desktop_->addRecordingProgram(archives, "application/zip");
  desktop_->setDefault("application/zip", archives);
  QVERIFY(desktop::defaultProgram(desktop::kTemplateType));  // by the parent type
  QVERIFY(!desktop::defaultProgram(desktop::kTemplateType, true));
  std::string err;
  auto source = pas::LineSource::open(pasFile_, &err);
  QVERIFY(source);
  Script script;
  script.then([&] { return answerSaveDialog("well 7"); });
  GuiExportResult result = runExport(nullptr, *source, pasFile_, true, desktop_->exportOptions());
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QCOMPARE(result.outcome, GuiExportResult::kCompleted);
  QCOMPARE(result.workbook, desktop_->documents().toStdString() + "/well 7.xlsx");
  std::optional<QStringList> args = desktop_->recordedArguments(kSheet);
  QVERIFY(args);
  QCOMPARE(*args, QStringList{QString::fromStdString(result.workbook)});
  QVERIFY(!desktop_->wasStarted(archives));
}

// The save dialog opens in the documents folder with the file's name the first time, in the
// folder last chosen after that; the workbook is saved where chosen and opened from there, and
// the hidden cache folder sees none of it.
void ExportTest::withoutTemplateProgramTheUserChoosesWhereToSave() {
  desktop_->setSpreadsheetProgram(kSheet, false);
  const QString reports = desktop_->root() + "/Reports 2024";
  QDir().mkpath(reports);
  auto source = pas::LineSource::fromBytes(fullPasText());
  QStringList offered, saved;
  for (const QString& typed : {reports + "/North 7", QString("North 7 again.xlsx")}) {
    Script script;
    script.then([&] {
      if (!saveDialog()) return false;
      offered << saveDialog()->directory().absolutePath() << saveDialog()->selectedFiles().value(0).section('/', -1);
      return answerSaveDialog(typed);
    });
    GuiExportResult result = runExport(nullptr, *source, "/data/well 7.pas", true, desktop_->exportOptions());
    QVERIFY2(script.finished(), qPrintable(script.state()));
    QCOMPARE(result.launch.outcome, desktop::Launch::kStarted);
    saved << QString::fromStdString(result.workbook);
  }
  QCOMPARE(offered, (QStringList{desktop_->documents(), "well 7.xlsx", reports, "well 7.xlsx"}));
  QCOMPARE(saved, (QStringList{reports + "/North 7.xlsx", reports + "/North 7 again.xlsx"}));
  QCOMPARE(desktop_->recordedArguments(kSheet)->value(0).section('/', 0, -2), reports);
  QCOMPARE(workbooksIn(reports), (std::vector<std::string>{"North 7 again.xlsx", "North 7.xlsx"}));
  QVERIFY(!fs::exists(desktop_->exportFolder().toStdString()));
}

// Cancel in the save dialog ends the export before anything runs or is remembered. A file the
// user agreed to replace is replaced only by a finished export: a cancel while saving leaves it.
void ExportTest::cancelAfterTheSaveDialogKeepsNothing() {
  desktop_->setSpreadsheetProgram(kSheet, false);
  const std::string old = desktop_->documents().toStdString() + "/well 7.xlsx";
  std::ofstream(old) << "the user's older workbook";
  auto source = pas::LineSource::fromBytes(bigPasText(300000));
  Script script(60000);
  script.then([&] { return !visibleWindow<StatusWnd>() && cancelSaveDialog(); });
  GuiExportResult result = runExport(nullptr, *source, "/data/well 7.pas", true, desktop_->exportOptions());
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QCOMPARE(result.outcome, GuiExportResult::kCancelled);
  QVERIFY(!fs::exists(desktop_->configHome().toStdString() + "/tarnwell/settings"));
  Script replaced(60000);
  replaced.then([&] { return answerSaveDialog("well 7.xlsx"); })
      .then([&] {  // "... already exists. Do you want to replace it?"
        QAbstractButton* yes = activeModal<QMessageBox>() ? activeModal<QMessageBox>()->button(QMessageBox::Yes)
                                                          : nullptr;
        if (yes) QTest::mouseClick(yes, Qt::LeftButton);
        return yes != nullptr;
      })
      .then([&] {
        auto* window = visibleWindow<StatusWnd>();
        return window && window->statusText() == "Saving the workbook..." && clickButton(window, "cancel");
      });
  result = runExport(nullptr, *source, "/data/well 7.pas", true, desktop_->exportOptions());
  QVERIFY2(replaced.finished(), qPrintable(replaced.state()));
  QCOMPARE(result.outcome, GuiExportResult::kCancelled);
  waitForLetGoExports();  // a compression that could not stop removes its file when it ends
  QCOMPARE(workbooksIn(desktop_->documents()), std::vector<std::string>{"well 7.xlsx"});
  std::ifstream in(old);
  QCOMPARE(std::string(std::istreambuf_iterator<char>(in), {}), std::string("the user's older workbook"));
  QVERIFY(!fs::exists(desktop_->exportFolder().toStdString()) && !desktop_->wasStarted(kSheet));
}

void ExportTest::withoutSpreadsheetProgramTheUserLearnsWhereTheWorkbookIs() {
  QFile::remove(desktop_->configHome() + "/mimeapps.list");
  QFile::remove(desktop_->dataHome() + "/applications/" + kSheet);
  auto source = pas::LineSource::fromBytes(fullPasText());
  QString message;
  Script script;
  script.then([&] { return answerSaveDialog("lonely"); }).then([&] {
    message = messageText();
    return !message.isEmpty() && acceptMessage();
  });
  GuiExportResult result = runExport(nullptr, *source, "/data/lonely.pas", true, desktop_->exportOptions());
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QCOMPARE(result.outcome, GuiExportResult::kCompleted);
  QCOMPARE(result.launch.outcome, desktop::Launch::kNoProgram);
  QCOMPARE(result.workbook, desktop_->documents().toStdString() + "/lonely.xlsx");
  QVERIFY(fs::exists(result.workbook));
  QVERIFY2(message.contains(QString::fromStdString(result.workbook)), qPrintable(message));
}

void ExportTest::launchThatCannotStartIsReported() {
  // GIO starts programs through a small launcher of its own; without it nothing can start.
  qputenv("GIO_LAUNCH_DESKTOP", (desktop_->root() + "/no-such-launcher").toLocal8Bit());
  auto source = pas::LineSource::fromBytes(fullPasText());
  QString message;
  Script script;
  script.then([&] {
    message = messageText();
    return !message.isEmpty() && acceptMessage();
  });
  GuiExportResult result = runExport(nullptr, *source, "/data/x.pas", true, desktop_->exportOptions());
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QCOMPARE(result.launch.outcome, desktop::Launch::kFailed);
  QVERIFY2(message.contains("could not be started") && message.contains(QString::fromStdString(result.workbook)),
           qPrintable(message));
  QVERIFY(fs::exists(result.workbook));
}

void ExportTest::unreadableFileEndsTheExportWithItsReason() {
  std::string text = bigPasText(20000);
  GatedSource source(text, text.size() / 2);
  source.failAtHold("cannot read /data/worn.pas: Input/output error");
  QString message;
  bool progressGone = false;
  Script script;
  script
      .then([&] {
        if (!visibleWindow<StatusWnd>() || !source.waitUntilHeld(0)) return false;
        source.release();
        return true;
      })
      .then([&] {
        message = messageText();
        progressGone = !visibleWindow<StatusWnd>();
        return !message.isEmpty() && acceptMessage();
      });
  GuiExportResult result = runExport(nullptr, source, "/data/worn.pas", true, desktop_->exportOptions());
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QCOMPARE(result.outcome, GuiExportResult::kFailed);
  QCOMPARE(message, QString("Could not convert worn.pas:\ncannot read /data/worn.pas: Input/output error"));
  QVERIFY(progressGone);
  QVERIFY(workbooksIn(desktop_->exportFolder()).empty());
  QVERIFY(!desktop_->wasStarted(kSheet));
}


// The "Add charts" choice of the statistics dialog reaches the saved file.
void ExportTest::chartsOnlyWhenAsked() {
  std::string gauge = desktop_->root().toStdString() + "/gauge.pas";
  std::ofstream(gauge) << "~VERSION,TYPE.,DST,,\n~VERSION,VERS.,4.0,,\n"
                          "~DATA TABLE - GAUGE (1),TIME.DAY/HR/SS,,x,\n~DATA TABLE - GAUGE (1),PRGA.KPAA,,x,\n"
                          "~DTG (1),2009 05 06 1230:00,812.5,\n~DTG (1),2009 05 06 1231:00,815.0,\n";
  for (bool charts : {true, false}) {
    std::string err;
    auto source = pas::LineSource::open(gauge, &err);
    QVERIFY(source);
    GuiExportOptions options = desktop_->exportOptions();
    options.charts = charts;
    GuiExportResult result = runExport(nullptr, *source, gauge, false, options);
    QCOMPARE(result.outcome, GuiExportResult::kCompleted);
    std::ifstream in(result.workbook, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    QCOMPARE(bytes.find("xl/charts/chart1.xml") != std::string::npos, charts);
  }
}

void ExportTest::severalFilesAndAFolderDroppedBecomeOneSummary() {
  const std::string folder = desktop_->root().toStdString() + "/More wells";
  fs::create_directories(folder + "/deeper");
  fs::copy_file(sourceFile("examples/gas-analysis.pas"), folder + "/gas.pas");
  fs::copy_file(sourceFile("examples/gradient.pas"), folder + "/deeper/gradient.PAS");
  QVERIFY(::mkfifo((folder + "/stuck.pas").c_str(), 0600) == 0);  // refused, not waited for
  CTestDlg dialog;
  dialog.setExportOptions(desktop_->exportOptions());
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QString note;
  Script script;
  script.then([&] {
    note = messageText();
    return !note.isEmpty() && acceptMessage();
  });
  QMimeData dropped;
  dropped.setUrls({QUrl::fromLocalFile(QString::fromStdString(pasFile_)),
                   QUrl::fromLocalFile(QString::fromStdString(folder))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&dialog, &enter);
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&dialog, &drop);
  QVERIFY(enter.isAccepted() && drop.isAccepted());
  QTRY_VERIFY_WITH_TIMEOUT(script.finished(), 20000);
  QCOMPARE(note, "1 of 4 files could not be converted; the sheet \"FILES\" says why for each.");
  const GuiExportResult& result = dialog.lastExport();
  QCOMPARE(result.outcome, GuiExportResult::kCompleted);
  QCOMPARE(result.workbook, desktop_->exportFolder().toStdString() + "/Summary.xltx");
  QCOMPARE(*desktop_->recordedArguments(kSheet), QStringList{QString::fromStdString(result.workbook)});
  // Read back by a reader of its own: the sheets, and each file's row in input order.
  QProcess python;
  python.start("/usr/bin/python3", {"-c", "import sys, openpyxl\n"
                                          "wb = openpyxl.load_workbook(sys.argv[1])\n"
                                          "print('|'.join(wb.sheetnames))\n"
                                          "for r in wb['FILES'].iter_rows(min_row=2, values_only=True): print(r[0], r[1], r[12])",
                                    QString::fromStdString(result.workbook)});
  QVERIFY(python.waitForFinished(30000));
  QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()).split('\n'),
           QStringList({"FILES|GRD|GAN|WAN", QString::fromStdString(pasFile_) + " WAN converted",
                        QString::fromStdString(folder) + "/deeper/gradient.PAS GRD converted",
                        QString::fromStdString(folder) + "/gas.pas GAN converted",
                        QString::fromStdString(folder) + "/stuck.pas None cannot read " +
                            QString::fromStdString(folder) + "/stuck.pas: it is not a regular file",
                        ""}));
}

void ExportTest::cancelDuringASummaryKeepsNothing() {
  const std::string folder = desktop_->root().toStdString() + "/archive";
  fs::create_directories(folder);
  QStringList chosen;
  for (int i = 0; i < 3000; ++i) {
    chosen << QString::fromStdString(folder + "/well " + std::to_string(i) + ".pas");
    fs::copy_file(pasFile_, chosen.back().toStdString());
  }
  CTestDlg dialog;
  dialog.setExportOptions(desktop_->exportOptions());
  dialog.setFileChooser([&](QWidget*) { return chosen; });  // Load with several files chosen
  Script script;
  script.then([&] {
    auto* window = visibleWindow<StatusWnd>();
    if (!window || !window->statusText().endsWith(" of 3,000 files done")) return false;
    QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
    return true;
  });
  dialog.load();
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QCOMPARE(dialog.lastExport().outcome, GuiExportResult::kCancelled);
  QVERIFY(dialog.lastExportCancelled());
  QVERIFY(workbooksIn(desktop_->exportFolder()).empty());
  QVERIFY(!desktop_->wasStarted(kSheet));
  QVERIFY(!visibleWindow<StatusWnd>());
}

QTEST_MAIN(ExportTest)
#include "gui_export_test.moc"
