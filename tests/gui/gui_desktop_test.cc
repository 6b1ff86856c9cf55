// What the program asks of the desktop: opening a file as text in its text program, and
// whether the desktop's default program for PAS files is a Tarnwell.
#include <QCheckBox>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/qt/config_dlg.h"
#include "app/default_reader.h"
#include "app/shell_registration.h"
#include "app/qt/view_as_text.h"
#include "gui_test_support.h"

using namespace tnw;
using namespace tnw::gui;
using namespace tnw::guitest;
namespace fs = std::filesystem;

class DesktopTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init();
  void cleanup();
  void viewAsTextHandsOverThePathWhole();
  void viewAsTextWithoutATextProgramDoesNothing();
  void configurationTickedForATarnwellInAnyFolder();
  void configurationNotTickedForAnotherProgram();
  void configurationNotTickedWithoutAnyProgram();
  void configurationTickedAfterRegistration();

 private:
  std::unique_ptr<FakeDesktop> desktop_;
};

void DesktopTest::init() { desktop_ = std::make_unique<FakeDesktop>(); }
void DesktopTest::cleanup() { desktop_.reset(); }

void DesktopTest::viewAsTextHandsOverThePathWhole() {
  desktop_->addRecordingProgram("editor.desktop", desktop::kTextType);
  desktop_->setDefault(desktop::kTextType, "editor.desktop");
  std::string path = desktop_->root().toStdString() + "/North Field/it's a \"test\" $HOME;.pas";
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path) << fullPasText();
  std::string err;
  auto source = pas::LineSource::open(path, &err);
  std::string line;
  QVERIFY(source && source->readLine(line));
  desktop::Launch launch = viewAsText(nullptr, path, source.get());
  QCOMPARE(launch.outcome, desktop::Launch::kStarted);
  std::optional<QStringList> args = desktop_->recordedArguments("editor.desktop");
  QVERIFY(args);
  QCOMPARE(*args, QStringList{QString::fromStdString(path)});
  QVERIFY2(!source->readLine(line), "the file was closed for the viewer");
}

void DesktopTest::viewAsTextWithoutATextProgramDoesNothing() {
  // A program for another type only.
  desktop_->addRecordingProgram("viewer.desktop", "image/png");
  auto source = pas::LineSource::fromBytes(fullPasText());
  bool anyDialog = false;
  Script script;
  script.then([&] {
    anyDialog = anyDialog || QApplication::activeModalWidget();
    return false;
  });
  desktop::Launch launch = viewAsText(nullptr, "/data/well.pas", source.get());
  QTest::qWait(100);
  QCOMPARE(launch.outcome, desktop::Launch::kNoProgram);
  QVERIFY(!anyDialog);
  QVERIFY(!desktop_->wasStarted("viewer.desktop"));
  std::string line;
  QVERIFY2(source->readLine(line), "the file stays open when nothing was started");
}

void DesktopTest::configurationTickedForATarnwellInAnyFolder() {
  desktop_->addRecordingProgram("old-copy.desktop", desktop::kPasType, desktop_->root() + "/Old Copies/TarnWell");
  desktop_->setDefault(desktop::kPasType, "old-copy.desktop");
  QCOMPARE(defaultPasReader(), std::optional<std::string>(desktop_->root().toStdString() + "/Old Copies/TarnWell"));
  CConfigDlg dialog;
  QVERIFY(dialog.checkBox()->isChecked());
}

void DesktopTest::configurationNotTickedForAnotherProgram() {
  desktop_->addRecordingProgram("tarnwell.desktop", desktop::kPasType, desktop_->root() + "/bin/tarnwell");
  desktop_->addRecordingProgram("gedit.desktop", desktop::kPasType, desktop_->root() + "/tarnwell/gedit");
  desktop_->setDefault(desktop::kPasType, "gedit.desktop");  // the user's choice, though we are installed
  CConfigDlg dialog;
  QVERIFY(!dialog.checkBox()->isChecked());
}

void DesktopTest::configurationNotTickedWithoutAnyProgram() {
  desktop_->addRecordingProgram("editor.desktop", desktop::kTextType);
  QCOMPARE(defaultPasReader(), std::optional<std::string>());
  CConfigDlg dialog;
  QVERIFY(!dialog.checkBox()->isChecked());
}

void DesktopTest::configurationTickedAfterRegistration() {
  // The program lives where a user may well keep it: in a folder with blanks.
  QString program = desktop_->root() + "/My Programs/tarnwell";
  desktop_->addRecordingProgram("placeholder.desktop", "x-test/none", program);
  RegistrationReport report = registerShell(shellPathsFromEnvironment(), program.toStdString(), "",
                                            [](const std::vector<std::string>&, std::string*) { return true; });
  QVERIFY(report.problems.empty());
  CConfigDlg dialog;
  QVERIFY(dialog.checkBox()->isChecked());
}

QTEST_MAIN(DesktopTest)
#include "gui_desktop_test.moc"
