// The program's start: what each form of the command line leads to, the registration every
// start does, and the command-line path's statistics dialog with its export loop.
#include <QProcess>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "app/export_folder.h"
#include "app/qt/html_page.h"
#include "app/qt/pas_stats_dlg.h"
#include "app/qt/progress_window.h"
#include "app/qt/startup.h"
#include "app/qt/test_dlg.h"
#include "gui_test_support.h"

using namespace tnw;
using namespace tnw::gui;
using namespace tnw::guitest;
namespace fs = std::filesystem;

class StartupTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init();
  void cleanup();
  void registerFormsEndWithoutAWindow();
  void helpAndVersionNeedNoDisplayAndRegisterNothing();
  void pathThatCannotBeOpenedIsNamedAndTheProgramEnds();
  void pathOfAFifoOrDeviceIsRefusedBeforeItIsOpened();
  void pathShowsItsStatisticsInsteadOfTheMainDialog();
  void cancelledExportBringsTheStatisticsBack();
  void completedExportEndsTheProgram();
  void viewAsTextFromTheCommandLine();
  void nothingOrAnotherFormShowsTheMainDialog();
  void startClearsOutOldExports();

 private:
  Startup startup() const;
  std::string writePas(const std::string& name, const std::string& text) const;
  QProcess* runProgram(const QStringList& args);
  std::unique_ptr<FakeDesktop> desktop_;
  std::unique_ptr<QProcess> process_;
};

namespace {

const QString kSheet = "sheet.desktop";
const QString kEditor = "editor.desktop";
const std::string kProgram = TARNWELL_BIN_DIR "/tarnwell";

CommandLine line(std::initializer_list<const char*> args) {
  return parseCommandLine(std::vector<std::string>(args.begin(), args.end()));
}

bool entryRegistered(const FakeDesktop& desktop) {
  return fs::exists((desktop.dataHome() + "/applications/tarnwell.desktop").toStdString());
}

}  // namespace

void StartupTest::init() {
  desktop_ = std::make_unique<FakeDesktop>();
  desktop_->setSpreadsheetProgram(kSheet);
  desktop_->addRecordingProgram(kEditor, desktop::kTextType);
  desktop_->setDefault(desktop::kTextType, kEditor);
}

void StartupTest::cleanup() {
  process_.reset();
  desktop_.reset();
}

Startup StartupTest::startup() const {
  Startup s;
  s.executable = kProgram;
  s.paths = shellPathsFromEnvironment();
  s.runTool = [](const std::vector<std::string>&, std::string*) { return true; };
  s.exportOptions = desktop_->exportOptions();
  return s;
}

std::string StartupTest::writePas(const std::string& name, const std::string& text) const {
  std::string path = desktop_->root().toStdString() + "/wells/" + name;
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path) << text;
  return path;
}

QProcess* StartupTest::runProgram(const QStringList& args) {
  process_ = std::make_unique<QProcess>();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  // No display of any kind: a window could not even be tried.
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) env.remove(name);
  process_->setProcessEnvironment(env);
  process_->start(QString::fromStdString(kProgram), args);
  process_->waitForFinished(30000);
  return process_.get();
}

void StartupTest::registerFormsEndWithoutAWindow() {
  for (QStringList args : {QStringList{"/Register"}, QStringList{"-REGSERVER"}, QStringList{"--register"},
                           QStringList{"well.pas", "/register"}}) {
    QFile::remove(desktop_->dataHome() + "/applications/tarnwell.desktop");
    QProcess* program = runProgram(args);
    QVERIFY2(program->exitStatus() == QProcess::NormalExit && program->exitCode() == 0,
             qPrintable(args.join(' ') + ": " + program->readAllStandardError()));
    QVERIFY2(entryRegistered(*desktop_), qPrintable(args.join(' ')));
  }
  std::ifstream in((desktop_->dataHome() + "/applications/tarnwell.desktop").toStdString());
  std::string entry((std::istreambuf_iterator<char>(in)), {});
  QVERIFY2(entry.find("\nExec=" + kProgram + " %f\n") != std::string::npos, entry.c_str());
  QVERIFY(fs::exists((desktop_->dataHome() + "/mime/packages/tarnwell.xml").toStdString()));
  QVERIFY(fs::exists((desktop_->dataHome() + "/icons/hicolor/256x256/apps/tarnwell.png").toStdString()));
}

void StartupTest::helpAndVersionNeedNoDisplayAndRegisterNothing() {
  QProcess* help = runProgram({"--help"});
  QCOMPARE(help->exitCode(), 0);
  QVERIFY(help->readAllStandardOutput().startsWith("Usage: tarnwell [FILE.pas]\n"));
  QProcess* version = runProgram({"--version"});
  QCOMPARE(version->exitCode(), 0);
  QVERIFY(QRegularExpression("^tarnwell \\d+\\.\\d+\\.\\d+\\.\\d+\n$")
              .match(QString::fromUtf8(version->readAllStandardOutput()))
              .hasMatch());
  QVERIFY(!entryRegistered(*desktop_));
}

void StartupTest::pathThatCannotBeOpenedIsNamedAndTheProgramEnds() {
  std::string missing = desktop_->root().toStdString() + "/wells/gone.pas";
  QString message;
  Script script;
  script.then([&] {
    message = messageText();
    return !message.isEmpty() && acceptMessage();
  });
  int status = runStartup(line({missing.c_str()}), startup());
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QCOMPARE(status, 1);
  QCOMPARE(message, QString::fromStdString("Cannot open " + missing + ": No such file or directory"));
  QVERIFY2(entryRegistered(*desktop_), "every start registers, a failing one too");
}

void StartupTest::pathOfAFifoOrDeviceIsRefusedBeforeItIsOpened() {
  std::string fifo = desktop_->root().toStdString() + "/fifo.pas";
  QVERIFY(::mkfifo(fifo.c_str(), 0600) == 0);  // opened for reading, it would wait for a writer
  for (const std::string& path : {fifo, std::string("/dev/zero")}) {
    QString message;
    Script script;
    script.then([&] {
      message = messageText();
      return !message.isEmpty() && acceptMessage();
    });
    QCOMPARE(runStartup(line({path.c_str()}), startup()), 1);
    QVERIFY2(script.finished(), qPrintable(script.state()));
    QCOMPARE(message, QString::fromStdString("Cannot read " + path + ": it is not a regular file"));
  }
}

void StartupTest::pathShowsItsStatisticsInsteadOfTheMainDialog() {
  std::string path = writePas("well 7.pas", fullPasText());
  QString name, formation;
  bool mainShown = false;
  Script script;
  script.then([&] {
    mainShown = mainShown || visibleWindow<CTestDlg>();
    auto* stats = activeModal<CPasStatsDlg>();
    if (!stats) return false;
    name = stats->page()->elementText("FNAME");
    formation = stats->page()->elementText("FORMATION");
    return clickButton(stats, "close");
  });
  QCOMPARE(runStartup(line({path.c_str()}), startup()), 0);
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QCOMPARE(name, QString("well 7.pas"));
  QCOMPARE(formation, QString("Leduc"));
  QVERIFY(!mainShown);
  QVERIFY(entryRegistered(*desktop_));
}

void StartupTest::cancelledExportBringsTheStatisticsBack() {
  std::string path = writePas("big.pas", bigPasText(200000));
  int statsShown = 0;
  Script script;
  script
      .then([&] {
        auto* stats = activeModal<CPasStatsDlg>();
        return stats && ++statsShown && clickButton(stats, "convert");
      })
      .then([&] {
        auto* progress = visibleWindow<StatusWnd>();
        return progress && clickButton(progress, "cancel");
      })
      .then([&] {
        auto* stats = activeModal<CPasStatsDlg>();
        return stats && ++statsShown && clickButton(stats, "close");
      });
  QCOMPARE(runStartup(line({path.c_str()}), startup()), 0);
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QCOMPARE(statsShown, 2);
  QVERIFY(!fs::exists(desktop_->exportFolder().toStdString() + "/big.xltx"));
  QVERIFY(!desktop_->wasStarted(kSheet));
}

void StartupTest::completedExportEndsTheProgram() {
  std::string path = writePas("well 7.pas", fullPasText());
  int statsShown = 0;
  Script script;
  script.then([&] {
    auto* stats = activeModal<CPasStatsDlg>();
    return stats && ++statsShown && clickButton(stats, "convert");
  });
  QCOMPARE(runStartup(line({path.c_str()}), startup()), 0);
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QCOMPARE(statsShown, 1);
  std::optional<QStringList> args = desktop_->recordedArguments(kSheet);
  QVERIFY(args);
  QCOMPARE(*args, QStringList{desktop_->exportFolder() + "/well 7.xltx"});
}

void StartupTest::viewAsTextFromTheCommandLine() {
  std::string path = writePas("North Field well.pas", fullPasText());
  Script script;
  script.then([&] {
    auto* stats = activeModal<CPasStatsDlg>();
    return stats && clickButton(stats, "viewAsText");
  });
  QCOMPARE(runStartup(line({path.c_str()}), startup()), 0);
  QVERIFY2(script.finished(), qPrintable(script.state()));
  std::optional<QStringList> args = desktop_->recordedArguments(kEditor);
  QVERIFY(args);
  QCOMPARE(*args, QStringList{QString::fromStdString(path)});
  QVERIFY(!desktop_->wasStarted(kSheet));
}

void StartupTest::nothingOrAnotherFormShowsTheMainDialog() {
  std::string path = writePas("well.pas", fullPasText());
  for (CommandLine form : {line({}), line({"/p", path.c_str()}), line({"/Unregister"}), line({"/Automation"})}) {
    bool statsShown = false;
    Script script;
    script.then([&] {
      statsShown = statsShown || activeModal<CPasStatsDlg>();
      auto* main = activeModal<CTestDlg>();
      return main && clickButton(main, "exit");
    });
    QCOMPARE(runStartup(form, startup()), 0);
    QVERIFY2(script.finished(), qPrintable(script.state()));
    QVERIFY(!statsShown);
  }
}

// Exports from an earlier run go at the next start; today's stay, the user may be on them.
void StartupTest::startClearsOutOldExports() {
  const std::string folder = desktop_->exportFolder().toStdString();
  fs::create_directories(folder);
  std::string err;
  for (const char* name : {"yesterday.xltx", "today.xltx"}) {
    std::ofstream(folder + "/" + name) << "PK";
    if (std::string(name) == "yesterday.xltx")
      fs::last_write_time(folder + "/" + name, fs::file_time_type::clock::now() - std::chrono::hours(25));
    QVERIFY(recordExport(folder, folder + "/" + name, &err));
  }
  QCOMPARE(runStartup(line({"/Register"}), startup()), 0);
  QVERIFY(!fs::exists(folder + "/yesterday.xltx"));
  QVERIFY(fs::exists(folder + "/today.xltx"));
}

QTEST_MAIN(StartupTest)
#include "gui_startup_test.moc"
