// The registration with the desktop that every start does: the files it writes, that a start
// which finds them in place changes nothing, that the user's choice of program stays, and
// that the desktop (GIO and Qt alike) then tells PAS files from Pascal sources and starts us
// with the file.
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <tuple>
#include <gio/gio.h>

#include "app/desktop.h"
#include "app/shell_registration.h"
#include "gui_test_support.h"

using namespace tnw;
using namespace tnw::gui;
using namespace tnw::guitest;
namespace fs = std::filesystem;

class RegistrationTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init();
  void cleanup();
  void writesTheTypeTheEntryAndTheDefault();
  void startThatFindsEverythingInPlaceChangesNothing();
  void theUsersChoiceOfProgramStays();
  void linkedMimeappsListStaysALink();
  void desktopTellsPasFilesFromPascalSources();
  void installedPackageTellsPasFilesFromPascalSources();
  void installedPackageAndRegistrationTogether();
  void userDatabaseCopiesOnlyTheSystemTypesThatShareOurName();
  void registeredEntryStartsUsWithThePathWhole();
  void pathThatCannotStandInADesktopEntryIsReported();

 private:
  std::string read(const QString& path) const;
  RegistrationReport registerWithRealTools(const std::string& executable);
  bool useSystemDatabase(bool withOurPackage);
  void checkPasAndPascalTypes(const std::string& filesFolder);
  std::unique_ptr<FakeDesktop> desktop_;
  std::vector<std::vector<std::string>> toolsRun_;
  ToolRunner recordTools_;
};

void RegistrationTest::init() {
  desktop_ = std::make_unique<FakeDesktop>();
  toolsRun_.clear();
  recordTools_ = [this](const std::vector<std::string>& argv, std::string*) {
    toolsRun_.push_back(argv);
    return true;
  };
}

void RegistrationTest::cleanup() { desktop_.reset(); }

std::string RegistrationTest::read(const QString& path) const {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

RegistrationReport RegistrationTest::registerWithRealTools(const std::string& executable) {
  return registerShell(shellPathsFromEnvironment(), executable, "", desktop::runProgram);
}

void RegistrationTest::writesTheTypeTheEntryAndTheDefault() {
  RegistrationReport report = registerShell(shellPathsFromEnvironment(), "/opt/tarnwell/bin/tarnwell", "PNG bytes",
                                            recordTools_);
  QVERIFY(report.problems.empty());
  QVERIFY(report.mimeTypeChanged && report.desktopEntryChanged && report.iconChanged && report.defaultChanged);
  QCOMPARE(read(desktop_->dataHome() + "/mime/packages/tarnwell.xml"), mimePackageXml());
  std::string entry = read(desktop_->dataHome() + "/applications/tarnwell.desktop");
  QVERIFY(entry.find("\nExec=/opt/tarnwell/bin/tarnwell %f\n") != std::string::npos);
  QVERIFY(entry.find("\nMimeType=application/x-ercb-pas;\n") != std::string::npos);
  QCOMPARE(read(desktop_->configHome() + "/mimeapps.list"),
           std::string("[Default Applications]\napplication/x-ercb-pas=tarnwell.desktop;\n"));
  QCOMPARE(read(desktop_->dataHome() + "/icons/hicolor/256x256/apps/tarnwell.png"), std::string("PNG bytes"));
  QCOMPARE(toolsRun_, (std::vector<std::vector<std::string>>{
                          {"update-mime-database", desktop_->dataHome().toStdString() + "/mime"},
                          {"update-desktop-database", "-q", desktop_->dataHome().toStdString() + "/applications"}}));
  // The desktop's own checker takes the entry, when it is installed.
  QString validate = QStandardPaths::findExecutable("desktop-file-validate");
  if (!validate.isEmpty()) {
    std::string err;
    QVERIFY2(desktop::runProgram({validate.toStdString(), (desktop_->dataHome() + "/applications/tarnwell.desktop")
                                                              .toStdString()},
                                 &err),
             err.c_str());
  }
}

void RegistrationTest::startThatFindsEverythingInPlaceChangesNothing() {
  RegistrationReport first = registerWithRealTools("/opt/tarnwell/bin/tarnwell");
  QVERIFY2(first.problems.empty(), first.problems.empty() ? "" : first.problems.front().c_str());
  QVERIFY(first.anyChange());
  std::vector<std::pair<fs::path, fs::file_time_type>> before;
  for (const auto& file : fs::recursive_directory_iterator(desktop_->root().toStdString()))
    if (file.is_regular_file()) before.emplace_back(file.path(), file.last_write_time());
  RegistrationReport second = registerShell(shellPathsFromEnvironment(), "/opt/tarnwell/bin/tarnwell", "", recordTools_);
  QVERIFY(!second.anyChange());
  QVERIFY(second.problems.empty());
  QVERIFY2(toolsRun_.empty(), "no cache was refreshed");
  for (const auto& [path, time] : before) QVERIFY2(fs::last_write_time(path) == time, path.c_str());
  // Moving the program is a change: the entry follows it.
  RegistrationReport moved = registerShell(shellPathsFromEnvironment(), "/usr/bin/tarnwell", "", recordTools_);
  QVERIFY(moved.desktopEntryChanged && !moved.mimeTypeChanged && !moved.defaultChanged);
  QCOMPARE(toolsRun_.size(), size_t(1));
  QCOMPARE(toolsRun_[0][0], std::string("update-desktop-database"));
}

void RegistrationTest::theUsersChoiceOfProgramStays() {
  const std::string list =
      "[Added Associations]\napplication/x-ercb-pas=org.gnome.TextEditor.desktop;tarnwell.desktop;\n\n"
      "[Default Applications]\napplication/x-ercb-pas=org.gnome.TextEditor.desktop\n";
  fs::create_directories(desktop_->configHome().toStdString());
  std::ofstream(desktop_->configHome().toStdString() + "/mimeapps.list") << list;
  RegistrationReport report = registerShell(shellPathsFromEnvironment(), "/usr/bin/tarnwell", "", recordTools_);
  QVERIFY(!report.defaultChanged);
  QCOMPARE(read(desktop_->configHome() + "/mimeapps.list"), list);
}

void RegistrationTest::linkedMimeappsListStaysALink() {
  std::string dotfiles = desktop_->root().toStdString() + "/dotfiles/mimeapps.list";
  fs::create_directories(fs::path(dotfiles).parent_path());
  std::ofstream(dotfiles) << "[Default Applications]\ntext/plain=editor.desktop\n";
  fs::create_directories(desktop_->configHome().toStdString());
  std::string link = desktop_->configHome().toStdString() + "/mimeapps.list";
  fs::create_symlink(dotfiles, link);
  RegistrationReport report = registerShell(shellPathsFromEnvironment(), "/usr/bin/tarnwell", "", recordTools_);
  QVERIFY(report.defaultChanged);
  QVERIFY(fs::is_symlink(link));
  QCOMPARE(read(QString::fromStdString(dotfiles)),
           std::string("[Default Applications]\ntext/plain=editor.desktop\napplication/x-ercb-pas=tarnwell.desktop;\n"));
}

// The system's database as the installed package leaves it: shared-mime-info's own types and,
// when asked, our package, in one index in a folder of the test's own. False when the machine
// has no shared-mime-info to take it from.
bool RegistrationTest::useSystemDatabase(bool withOurPackage) {
  const std::string packages = desktop_->root().toStdString() + "/system/mime/packages";
  fs::create_directories(packages);
  std::error_code ec;
  fs::copy_file("/usr/share/mime/packages/freedesktop.org.xml", packages + "/freedesktop.org.xml", ec);
  if (ec) return false;
  if (withOurPackage) std::ofstream(packages + "/tarnwell.xml") << mimePackageXml();
  std::string err;
  if (!desktop::runProgram({"update-mime-database", desktop_->root().toStdString() + "/system/mime"}, &err)) {
    qWarning("%s", err.c_str());
    return false;
  }
  qputenv("XDG_DATA_DIRS", (desktop_->root() + "/system").toLocal8Bit());
  return true;
}

// What GIO and Qt's QMimeDatabase make of PAS files and Pascal sources, by name and content as
// a file manager looks, and by name alone.
void RegistrationTest::checkPasAndPascalTypes(const std::string& filesFolder) {
  auto gio = [](const std::string& name, const std::string& content) {
    gboolean uncertain = FALSE;
    const guchar* data = content.empty() ? nullptr : reinterpret_cast<const guchar*>(content.data());
    g_autofree char* type = g_content_type_guess(name.c_str(), data, content.size(), &uncertain);
    g_autofree char* mime = g_content_type_get_mime_type(type);
    return std::string(mime ? mime : "");
  };
  QMimeDatabase qt;
  auto qtByFile = [&](const std::string& name, const std::string& content) {
    const std::string path = filesFolder + "/" + name;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return qt.mimeTypeForFile(QString::fromStdString(path)).name().toStdString();
  };
  auto qtByData = [&](const std::string& name, const std::string& content) {
    return qt.mimeTypeForFileNameAndData(QString::fromStdString(name), QByteArray::fromStdString(content))
        .name()
        .toStdString();
  };
  const std::string pascal = "program Wells;\nbegin\n  writeln('~ not a PAS file');\nend.\n";
  const std::string pas = "# made by hand\n#\n" + fullPasText();
  // Its ~VERSION line after 6 KB of comments, which the first 4 KB do not reach.
  std::string commented;
  while (commented.size() < 6000) commented += "# Recorder 14422, run 2: calibrated against the dead-weight tester.\n";
  commented += fullPasText();
  using Lookup = std::function<std::string(const std::string&, const std::string&)>;
  const std::vector<std::pair<QString, Lookup>> libraries = {
      {"GIO", gio}, {"Qt, by file", qtByFile}, {"Qt, by name and data", qtByData}};
  QStringList wrong;
  for (const auto& [library, typeOf] : libraries) {
    for (const auto& [name, content, wanted] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {"wells.pas", pascal, "text/x-pascal"},
             {"WELLS.PAS", pascal, "text/x-pascal"},
             {"well.pas", pas, desktop::kPasType},
             {"WELL.PAS", pas, desktop::kPasType},
             {"commented.pas", commented, desktop::kPasType}}) {
      std::string found = typeOf(name, content);
      if (found != wanted) wrong << library + ": " + QString::fromStdString(name + " is " + found + ", not " + wanted);
    }
  }
  QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join("; ")));
  // By its name alone a .pas file stays Pascal's: our type never outweighs it.
  QCOMPARE(gio("unknown.pas", ""), std::string("text/x-pascal"));
  QCOMPARE(qt.mimeTypeForFile("unknown.pas", QMimeDatabase::MatchExtension).name(), QString("text/x-pascal"));
  // Pascal's type keeps what the system says of it.
  QMimeType pascalType = qt.mimeTypeForName("text/x-pascal");
  QCOMPARE(pascalType.comment(), QString("Pascal source code"));
  QVERIFY2(pascalType.globPatterns().contains("*.p"), qPrintable(pascalType.globPatterns().join(' ')));
  QVERIFY(pascalType.inherits("text/plain"));
  QCOMPARE(qt.mimeTypeForName(desktop::kPasType).comment(), QString("ERCB Pressure ASCII Standard well-test file"));
}

void RegistrationTest::desktopTellsPasFilesFromPascalSources() {
  // The system's database, with its Pascal type, is read, never written: ours goes into the
  // temporary data home.
  if (!useSystemDatabase(false)) QSKIP("no system MIME database (shared-mime-info)");
  qputenv("LANGUAGE", "C");
  RegistrationReport report = registerWithRealTools(TARNWELL_BIN_DIR "/tarnwell");
  QVERIFY2(report.problems.empty(), report.problems.empty() ? "" : report.problems.front().c_str());
  checkPasAndPascalTypes(desktop_->root().toStdString() + "/files");
  std::optional<desktop::Program> reader = desktop::defaultProgram(desktop::kPasType);
  QVERIFY(reader);
  QCOMPARE(reader->id, std::string("tarnwell.desktop"));
  std::optional<desktop::Program> pascalEditor = desktop::defaultProgram("text/x-pascal");
  QVERIFY(!pascalEditor || pascalEditor->id != "tarnwell.desktop");
}

void RegistrationTest::installedPackageTellsPasFilesFromPascalSources() {
  if (!useSystemDatabase(true)) QSKIP("no system MIME database (shared-mime-info)");
  qputenv("LANGUAGE", "C");
  checkPasAndPascalTypes(desktop_->root().toStdString() + "/files");
}

// A user of the installed package whose program has registered too: our type in both
// databases, the user's read first.
void RegistrationTest::installedPackageAndRegistrationTogether() {
  if (!useSystemDatabase(true)) QSKIP("no system MIME database (shared-mime-info)");
  qputenv("LANGUAGE", "C");
  RegistrationReport report = registerWithRealTools(TARNWELL_BIN_DIR "/tarnwell");
  QVERIFY2(report.problems.empty(), report.problems.empty() ? "" : report.problems.front().c_str());
  checkPasAndPascalTypes(desktop_->root().toStdString() + "/files");
}

void RegistrationTest::userDatabaseCopiesOnlyTheSystemTypesThatShareOurName() {
  const std::string first = desktop_->root().toStdString() + "/first", second = desktop_->root().toStdString() + "/second";
  for (const std::string& dir : {first, second}) fs::create_directories(dir + "/mime/text");
  std::ofstream(first + "/mime/globs2") << "# generated\n50:text/x-pascal:*.pas\n50:text/x-c:*.c\n"
                                           "40:application/x-ercb-pas:*.pas\n50:text/../../x:*.pas\n"
                                           "60:text/x-shout:*.PAS:cs\n";
  std::ofstream(second + "/mime/globs2") << "50:text/x-pascal:*.pas\n";
  std::ofstream(first + "/mime/text/x-pascal.xml")
      << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<mime-type xmlns=\"http://www.freedesktop.org/standards/"
         "shared-mime-info\" type=\"text/x-pascal\">\n  <!--Created automatically by update-mime-database. DO NOT "
         "EDIT!-->\n  <comment>Pascal source code</comment>\n  <sub-class-of type=\"text/plain\"/>\n"
         "  <glob pattern=\"*.p\"/>\n  <glob pattern=\"*.pas\"/>\n</mime-type>\n";
  std::ofstream(second + "/mime/text/x-pascal.xml") << "<mime-type type=\"text/x-pascal\"><comment>older</comment>"
                                                       "</mime-type>\n";
  std::ofstream(first + "/mime/text/x-c.xml") << "<mime-type type=\"text/x-c\"><comment>C</comment></mime-type>\n";
  // No definition for text/x-shout: nothing to copy.
  std::string xml = userMimePackageXml({first, second});
  std::string expected = mimePackageXml();
  expected.insert(expected.rfind("</mime-info>"), "  <mime-type type=\"text/x-pascal\">\n"
                                                  "    <comment>Pascal source code</comment>\n"
                                                  "    <sub-class-of type=\"text/plain\"/>\n"
                                                  "    <glob pattern=\"*.p\"/>\n"
                                                  "    <glob pattern=\"*.pas\"/>\n"
                                                  "  </mime-type>\n");
  QCOMPARE(xml, expected);
  QCOMPARE(userMimePackageXml({desktop_->root().toStdString() + "/none"}), mimePackageXml());
}

void RegistrationTest::registeredEntryStartsUsWithThePathWhole() {
  // (Not a "%": GIO looks for the program under its Exec-escaped name, "%%", and finds none.)
  QString program = desktop_->root() + "/My $Programs/\"Tarn\" `x` it's/tarnwell";
  desktop_->addRecordingProgram("recorder.desktop", "x-test/none", program);
  RegistrationReport report = registerShell(shellPathsFromEnvironment(), program.toStdString(), "", recordTools_);
  QVERIFY(report.problems.empty());
  QFile::remove(desktop_->dataHome() + "/applications/recorder.desktop");
  std::string pasFile = "/data/North Field/it's \"well\" 7.pas";
  desktop::Launch launch = desktop::openWithDefault(desktop::kPasType, pasFile);
  QCOMPARE(launch.outcome, desktop::Launch::kStarted);
  QCOMPARE(launch.program, std::string("Tarnwell"));
  std::optional<QStringList> args = desktop_->recordedArguments("recorder.desktop");
  QVERIFY(args);
  QCOMPARE(*args, QStringList{QString::fromStdString(pasFile)});
}

void RegistrationTest::pathThatCannotStandInADesktopEntryIsReported() {
  RegistrationReport report = registerShell(shellPathsFromEnvironment(), "/opt/caf\xe9/tarnwell", "", recordTools_);
  QCOMPARE(report.problems.size(), size_t(1));
  QVERIFY(QString::fromStdString(report.problems[0]).contains("not UTF-8"));
  QVERIFY(!fs::exists((desktop_->dataHome() + "/applications/tarnwell.desktop").toStdString()));
  QVERIFY(report.mimeTypeChanged);  // the rest is still done
}

QTEST_MAIN(RegistrationTest)
#include "gui_registration_test.moc"
