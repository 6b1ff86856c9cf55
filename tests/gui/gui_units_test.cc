// The desktop program's pieces that need no window: its command line, its version, its
// pages, how it recognises itself as the default reader, where it saves workbooks, how it
// edits mimeapps.list and quotes its Exec line, and the progress hand-over between threads.
#include <QTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/command_line.h"
#include "app/default_reader.h"
#include "app/export_folder.h"
#include "app/qt/html_page.h"
#include "app/progress_channel.h"
#include "app/shell_registration.h"
#include "app/version.h"

using namespace tnw::gui;
namespace fs = std::filesystem;

class UnitsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void commandLineForms();
  void versionAlwaysHasFourNumbers();
  void pageElementsAreSetById();
  void pageTextsNeverBecomeMarkup();
  void shippedPagesCarryTheirIds();
  void tarnwellIsRecognisedByItsName();
  void execLineQuotesAwkwardPaths();
  void mimeappsGetsTheDefaultOnlyWhenNoneIsSet();
  void exportFolderFollowsXdgCacheHome();
  void progressHandsOverTheLatestTexts();
  void progressFromAnotherThreadStaysInOrder();
};

namespace {

CommandLine parse(std::initializer_list<const char*> args) {
  return parseCommandLine(std::vector<std::string>(args.begin(), args.end()));
}

}  // namespace

void UnitsTest::commandLineForms() {
  QCOMPARE(parse({}).kind, CommandLine::kMainDialog);
  CommandLine open = parse({"/home/me/wells/well.pas"});
  QCOMPARE(open.kind, CommandLine::kOpenFile);  // an absolute path is no switch
  QCOMPARE(open.path, std::string("/home/me/wells/well.pas"));
  for (const char* reg : {"/Register", "-Register", "/register", "/REGSERVER", "-regserver", "--register"})
    QVERIFY2(parse({reg}).kind == CommandLine::kRegister, reg);
  // The forms the old program had no use for show the main dialog.
  for (const char* other : {"/p", "/pt", "/Unregister", "-unregserver", "/dde", "/Automation", "-Embedding"})
    QVERIFY2(parse({other, "well.pas"}).kind == CommandLine::kMainDialog, other);
  CommandLine dashed = parse({"--", "-odd name.pas"});
  QCOMPARE(dashed.kind, CommandLine::kOpenFile);
  QCOMPARE(dashed.path, std::string("-odd name.pas"));
  CommandLine two = parse({"a.pas", "b.pas", "--frobnicate"});
  QCOMPARE(two.path, std::string("a.pas"));
  QCOMPARE(two.ignored, (std::vector<std::string>{"b.pas", "--frobnicate"}));
  QCOMPARE(parse({"/Registered"}).kind, CommandLine::kOpenFile);  // a file, not the switch
  // Help over version over registration over a path, as the register switch won before.
  QCOMPARE(parse({"well.pas", "/Register"}).kind, CommandLine::kRegister);
  QCOMPARE(parse({"/Register", "--version"}).kind, CommandLine::kVersion);
  QCOMPARE(parse({"--version", "-h"}).kind, CommandLine::kHelp);
  QCOMPARE(parse({"/?"}).kind, CommandLine::kHelp);
  QCOMPARE(parse({"--", "--help"}).kind, CommandLine::kOpenFile);
  // The uninstaller's switch, after registration and before a path.
  QCOMPARE(parse({"well.pas", "/removeexports"}).kind, CommandLine::kRemoveExports);
  QCOMPARE(parse({"--remove-exports", "/Register"}).kind, CommandLine::kRegister);
}

void UnitsTest::versionAlwaysHasFourNumbers() {
  QCOMPARE(formatVersion(1, 0, 4, 0), std::string("1.0.4.0"));
  QCOMPARE(formatVersion(0, 0, 0, 0), std::string("0.0.0.0"));
  QCOMPARE(formatVersion(65535, 12, 3, 65535), std::string("65535.12.3.65535"));
  QVERIFY(QRegularExpression("^\\d+\\.\\d+\\.\\d+\\.\\d+$").match(QString::fromStdString(programVersion())).hasMatch());
}

void UnitsTest::pageElementsAreSetById() {
  HtmlPage page(
      "<html><body id=\"Body\"><p data-id=\"X\">a</p><div id=\"X\"><div>inner</div><span id='Y'>--</span>"
      "</div><p xid=\"Z\">z</p></body></html>");
  QCOMPARE(page.bodyId(), QString("Body"));
  QCOMPARE(page.elementText("Y"), QString("--"));
  QVERIFY(page.setElementText("Y", "first\nsecond"));
  QCOMPARE(page.elementHtml("Y"), QString("first<br/>second"));
  QCOMPARE(page.elementText("Y"), QString("first\nsecond"));
  // The outer element ends at its own end tag, past the nested one of the same name.
  QVERIFY(page.setElementText("X", "whole"));
  QCOMPARE(page.elementHtml("X"), QString("whole"));
  QVERIFY(page.html().contains("<p data-id=\"X\">a</p>"));
  QVERIFY(page.html().contains("<p xid=\"Z\">z</p></body>"));
  QVERIFY(!page.setElementText("Z", "no such element"));
  QVERIFY(!page.hasElement("Y"));  // it was inside X
}

void UnitsTest::pageTextsNeverBecomeMarkup() {
  HtmlPage page("<body><span id=\"OPERATOR\">--</span><span id=\"FORMATION\">--</span></body>");
  const QString company = "<img src=\"file:///etc/passwd\"> A&B \"Ltd\" </span><b>";
  QVERIFY(page.setElementText("OPERATOR", company));
  QCOMPARE(page.elementText("OPERATOR"), company);
  QVERIFY(!page.html().contains("<img"));
  QVERIFY(page.setElementText("FORMATION", ""));  // an empty text is set too
  QCOMPARE(page.elementText("FORMATION"), QString());
  QCOMPARE(page.elementText("OPERATOR"), company);
}

void UnitsTest::shippedPagesCarryTheirIds() {
  HtmlPage main = HtmlPage::fromResource(":/gui/main.html");
  QCOMPARE(main.bodyId(), QString("CTestDlg"));
  QVERIFY(main.html().contains("background=\"qrc:/gui/DROP\""));
  HtmlPage stats = HtmlPage::fromResource(":/gui/stats.html");
  QCOMPARE(stats.bodyId(), QString("CPasStatsDlg"));
  for (const char* id : {"FNAME", "TYPE", "UWI", "OPERATOR", "FORMATION"}) QCOMPARE(stats.elementText(id), QString("--"));
  for (const char* label : {"Type:", "UWI:", "Company:", "Formation:"}) QVERIFY2(stats.html().contains(label), label);
  HtmlPage status = HtmlPage::fromResource(":/gui/status.html");
  QCOMPARE(status.bodyId(), QString("CStatusWnd"));
  QCOMPARE(status.elementText("A1"), QString("Initializing..."));
  QCOMPARE(status.elementText("A2"), QString("Tarnwell"));
}

void UnitsTest::tarnwellIsRecognisedByItsName() {
  QVERIFY(looksLikeTarnwell("/usr/bin/tarnwell"));
  QVERIFY(looksLikeTarnwell("/home/me/Old Copies/TarnWell"));
  QVERIFY(looksLikeTarnwell("tarnwell"));
  QVERIFY(looksLikeTarnwell("/home/me/.wine/drive_c/Program Files/Hollowmere/Tarnwell.exe"));
  QVERIFY(looksLikeTarnwell("/opt/x/TARNWELL.EXE.bak"));  // the name anywhere, as on Windows
  QVERIFY(!looksLikeTarnwell("/usr/bin/tarnwell-convert"));
  QVERIFY(!looksLikeTarnwell("/opt/tarnwell/bin/gedit"));
  QVERIFY(!looksLikeTarnwell("/usr/bin/gedit"));
  QVERIFY(!looksLikeTarnwell(""));
}

void UnitsTest::execLineQuotesAwkwardPaths() {
  QCOMPARE(execArgument("/usr/bin/tarnwell"), std::string("/usr/bin/tarnwell"));
  QCOMPARE(execArgument("/opt/My Programs/tarnwell"), std::string("\"/opt/My Programs/tarnwell\""));
  QCOMPARE(execArgument("/a/\"$x`\\/t"), std::string("\"/a/\\\"\\$x\\`\\\\/t\""));
  QCOMPARE(execArgument("/a/100%/t"), std::string("/a/100%%/t"));  // no field code
  QCOMPARE(execArgument("/a/it's/t"), std::string("\"/a/it's/t\""));
  std::string entry, err;
  QVERIFY(desktopEntryText("/opt/My Programs/tarn\\well", &entry, &err));
  // On top of the quoting, the desktop entry's own escape doubles every backslash.
  QVERIFY(QString::fromStdString(entry).contains("Exec=\"/opt/My Programs/tarn\\\\\\\\well\" %f\n"));
  QVERIFY(!desktopEntryText("/opt/caf\xe9/tarnwell", &entry, &err));
  QVERIFY(QString::fromStdString(err).contains("not UTF-8"));
}

void UnitsTest::mimeappsGetsTheDefaultOnlyWhenNoneIsSet() {
  const char* type = "application/x-ercb-pas";
  bool changed = false;
  QCOMPARE(withDefaultApplication("", type, "tarnwell.desktop", &changed),
           std::string("[Default Applications]\napplication/x-ercb-pas=tarnwell.desktop;\n"));
  QVERIFY(changed);
  // Into the existing group, before the next one; comments and other keys stay as they were.
  std::string list =
      "# mine\n[Added Associations]\ntext/plain=a.desktop;\n\n[Default Applications]\ntext/plain=a.desktop\r\n"
      "\n[Removed Associations]\nimage/png=b.desktop;";
  QCOMPARE(withDefaultApplication(list, type, "tarnwell.desktop", &changed),
           std::string("# mine\n[Added Associations]\ntext/plain=a.desktop;\n\n[Default Applications]\n"
                       "text/plain=a.desktop\r\napplication/x-ercb-pas=tarnwell.desktop;\n\n[Removed Associations]\n"
                       "image/png=b.desktop;"));
  QVERIFY(changed);
  // The user's choice stays, whoever it is.
  std::string chosen = "[Default Applications]\napplication/x-ercb-pas = org.gnome.TextEditor.desktop\n";
  QCOMPARE(withDefaultApplication(chosen, type, "tarnwell.desktop", &changed), chosen);
  QVERIFY(!changed);
  QCOMPARE(withDefaultApplication("[Default Applications]\napplication/x-ercb-pas=\nx/y=z;", type, "tarnwell.desktop",
                                  &changed),
           std::string("[Default Applications]\napplication/x-ercb-pas=tarnwell.desktop;\nx/y=z;"));
  QCOMPARE(withDefaultApplication("[Other]\nk=v", type, "t.desktop", &changed),
           std::string("[Other]\nk=v\n\n[Default Applications]\napplication/x-ercb-pas=t.desktop;\n"));
}

void UnitsTest::exportFolderFollowsXdgCacheHome() {
  qputenv("XDG_CACHE_HOME", "/var/cache-of-mine");
  qputenv("HOME", "/home/me");
  QCOMPARE(exportFolder(), std::string("/var/cache-of-mine/tarnwell"));
  qputenv("XDG_CACHE_HOME", "relative/is/ignored");
  QCOMPARE(exportFolder(), std::string("/home/me/.cache/tarnwell"));
  qunsetenv("XDG_CACHE_HOME");
  QCOMPARE(exportFolder(), std::string("/home/me/.cache/tarnwell"));
  qunsetenv("HOME");
  QCOMPARE(exportFolder(), std::string());
  QTemporaryDir dir;
  std::string folder = dir.path().toStdString() + "/cache/tarnwell";
  std::string problem;
  QVERIFY(prepareExportFolder(folder, &problem));
  QVERIFY(fs::is_directory(folder));
  QCOMPARE(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
  QCOMPARE(fs::status(dir.path().toStdString() + "/cache").permissions() & fs::perms::all, fs::perms::owner_all);
  QVERIFY(prepareExportFolder(folder, &problem));  // there already
  QVERIFY(!prepareExportFolder("", &problem));
  QCOMPARE(problem, std::string("Tarnwell has no folder for the workbooks it hands over: neither XDG_CACHE_HOME nor "
                                "HOME is set."));
}

void UnitsTest::progressHandsOverTheLatestTexts() {
  ProgressChannel channel;
  std::string text;
  QVERIFY(!channel.takeStatus(&text));
  channel.showProgress("Reading Line 1 of 3", ProgressChannel::kStatus);
  channel.showProgress("33", ProgressChannel::kPercent);
  channel.showProgress("Reading Line 2 of 3", ProgressChannel::kStatus);
  channel.showProgress("ignored", 1);
  QVERIFY(channel.takeStatus(&text));
  QCOMPARE(text, std::string("Reading Line 2 of 3"));
  QVERIFY(!channel.takeStatus(&text));  // nothing new since
  QVERIFY(channel.takePercent(&text));
  QCOMPARE(text, std::string("33"));
  QVERIFY(!channel.cancelRequested());
  channel.requestCancel();
  QVERIFY(channel.cancelRequested());
}

void UnitsTest::progressFromAnotherThreadStaysInOrder() {
  ProgressChannel channel;
  // The conversion reports until the window has taken a good many texts while it ran.
  std::atomic<int> taken{0};
  std::atomic<int> last{0};
  std::thread conversion([&] {
    int i = 0;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (taken.load() < 200 && (i % 4096 != 0 || std::chrono::steady_clock::now() < until)) {
      ++i;
      channel.showProgress(std::to_string(i), ProgressChannel::kStatus);
      if (i % 1000 == 0) channel.showProgress(std::to_string(i / 1000), ProgressChannel::kPercent);
    }
    last = i;
  });
  int lastStatus = 0, lastPercent = 0;
  std::string text;
  bool inOrder = true;
  while (last.load() == 0) {
    if (channel.takeStatus(&text)) {
      int n = std::stoi(text);
      inOrder = inOrder && n > lastStatus;
      lastStatus = n;
      ++taken;
    }
    if (channel.takePercent(&text)) {
      int n = std::stoi(text);
      inOrder = inOrder && n > lastPercent;
      lastPercent = n;
    }
  }
  conversion.join();
  QVERIFY2(inOrder, "an older text came after a newer one");
  QVERIFY(taken.load() > 0);
  // The newest texts are never lost, however the two sides met.
  if (channel.takeStatus(&text)) lastStatus = std::stoi(text);
  if (channel.takePercent(&text)) lastPercent = std::stoi(text);
  QCOMPARE(lastStatus, last.load());
  QCOMPARE(lastPercent, last.load() / 1000);
  QVERIFY(!channel.takeStatus(&text));
}

QTEST_GUILESS_MAIN(UnitsTest)
#include "gui_units_test.moc"
