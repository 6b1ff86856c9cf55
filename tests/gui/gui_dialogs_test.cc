// The main, statistics, About and configuration dialogs: what they show and what their
// buttons do, Load and dropping a file on the main dialog.
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "app/qt/about_dlg.h"
#include "app/qt/artwork.h"
#include "app/qt/config_dlg.h"
#include "app/qt/html_page.h"
#include "app/qt/pas_stats_dlg.h"
#include "app/qt/test_dlg.h"
#include "gui_test_support.h"
#include "pas/pas_converter.h"

using namespace tnw;
using namespace tnw::gui;
using namespace tnw::guitest;
namespace fs = std::filesystem;

class DialogsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init();
  void cleanup();
  void statisticsOfAFullFile();
  void statisticsOfAnEmptyFileSetEveryField();
  void statisticsOfAnUnknownTypeShowItsText();
  void statisticsShowFileTextsAsText();
  void statisticsButtonsChooseTheAction();
  void fileIconsComeFromTheDesktopsIconTheme();
  void mainDialogOffersItsFourButtons();
  void loadShowsTheStatisticsAndCloseReturns();
  void loadOfAFileThatCannotBeOpenedSaysSo();
  void droppedPasFileIsLoaded();
  void aboutShowsTheVersionInFourNumbers();
  void configurationShowsTheStateAndChangesNothing();

 private:
  std::unique_ptr<FakeDesktop> desktop_;
};

namespace {

std::unique_ptr<pas::PasConverter> scan(const std::string& text) {
  auto converter = std::make_unique<pas::PasConverter>(nullptr);
  auto source = pas::LineSource::fromBytes(text);
  converter->scanHeader(*source);
  return converter;
}

QString element(const CPasStatsDlg& dialog, const char* id) { return dialog.page()->elementText(id); }

}  // namespace

void DialogsTest::init() { desktop_ = std::make_unique<FakeDesktop>(); }
void DialogsTest::cleanup() { desktop_.reset(); }

void DialogsTest::statisticsOfAFullFile() {
  auto converter = scan(fullPasText());
  CPasStatsDlg dialog("well 7.pas", *converter);
  QCOMPARE(dialog.windowTitle(), QString("Tarnwell"));
  QCOMPARE(element(dialog, "FNAME"), QString("well 7.pas"));
  QCOMPARE(element(dialog, "TYPE"), QString("WAN\nWater Analysis"));
  QCOMPARE(element(dialog, "UWI"), QString("102/14-09-062-22W4/00"));
  QCOMPARE(element(dialog, "OPERATOR"), QString("Hollowmere Exploration Ltd."));
  QCOMPARE(element(dialog, "FORMATION"), QString("Leduc"));
  QCOMPARE(element(dialog, "NOTE"), QString());
  // What the reader sees: the two lines of the type and the labels.
  QString shown = dialog.page()->toPlainText();
  QVERIFY2(shown.contains("WAN\nWater Analysis") || shown.contains(QString("WAN") + QChar(0x2028) + "Water Analysis"),
           qPrintable(shown));
  for (const char* label : {"Type:", "UWI:", "Company:", "Formation:"}) QVERIFY(shown.contains(label));
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QCOMPARE(QApplication::focusWidget(), dialog.findChild<QPushButton*>("close"));
  // Pictures only: the name is in the tooltip, for screen readers too, as on Windows.
  for (auto [button, name] : {std::pair{"convert", "Convert to workbook"}, {"viewAsText", "View as text"},
                              {"close", "Close"}}) {
    auto* shown = dialog.findChild<QPushButton*>(button);
    QVERIFY2(!shown->icon().isNull(), button);
    QCOMPARE(shown->toolTip(), QString(name));
    QCOMPARE(shown->accessibleName(), QString(name));
  }
  // Charts are added unless the user says otherwise.
  auto* charts = dialog.findChild<QCheckBox*>("addCharts");
  QVERIFY(charts);
  QCOMPARE(charts->text(), QString("Add charts"));
  QVERIFY(dialog.addCharts());
  charts->setChecked(false);
  QVERIFY(!dialog.addCharts());
}

void DialogsTest::statisticsOfAnEmptyFileSetEveryField() {
  auto converter = scan("");
  CPasStatsDlg dialog("empty.pas", *converter);
  QCOMPARE(element(dialog, "FNAME"), QString("empty.pas"));
  for (const char* id : {"TYPE", "UWI", "OPERATOR", "FORMATION"}) QCOMPARE(element(dialog, id), QString());
  QCOMPARE(element(dialog, "NOTE"), QString("This file does not look like a PAS file: no ~VERSION section was found"));
  QVERIFY(!dialog.page()->toPlainText().contains("--"));
}

void DialogsTest::statisticsOfAnUnknownTypeShowItsText() {
  auto converter = scan("~VERSION,TYPE.,XYZ,PAS file Type,\n~WELL INFORMATION,UWI.,100/01-01-001-01W4/00,,\n");
  CPasStatsDlg dialog("odd.pas", *converter);
  QCOMPARE(element(dialog, "TYPE"), QString("XYZ"));
  QCOMPARE(element(dialog, "UWI"), QString("100/01-01-001-01W4/00"));
  QCOMPARE(element(dialog, "FORMATION"), QString());
}

void DialogsTest::statisticsShowFileTextsAsText() {
  // A company in the file's Windows code page, with characters that mean something in HTML.
  auto converter = scan("~WELL INFORMATION,COMP.,<b>B\xe9langer & Fils</b>,Company Name,\n");
  CPasStatsDlg dialog("w.pas", *converter);
  QCOMPARE(element(dialog, "OPERATOR"), QString::fromUtf8("<b>B\xc3\xa9langer & Fils</b>"));
  QVERIFY(dialog.page()->toPlainText().contains(QString::fromUtf8("<b>B\xc3\xa9langer & Fils</b>")));
}

void DialogsTest::statisticsButtonsChooseTheAction() {
  auto converter = scan(fullPasText());
  struct Case {
    const char* button;
    int result;
    CPasStatsDlg::Action action;
  } cases[] = {{"convert", QDialog::Accepted, CPasStatsDlg::kConvert},
               {"viewAsText", QDialog::Accepted, CPasStatsDlg::kViewAsText},
               {"close", QDialog::Rejected, CPasStatsDlg::kNone}};
  CPasStatsDlg dialog("w.pas", *converter);
  for (const Case& c : cases) {
    Script script;
    script.then([&] { return activeModal<CPasStatsDlg>() && clickButton(&dialog, c.button); });
    int result = dialog.exec();
    QVERIFY2(script.finished(), c.button);
    QCOMPARE(result, c.result);
    QCOMPARE(dialog.action(), c.action);  // shown again: the last choice does not linger
  }
}

void DialogsTest::fileIconsComeFromTheDesktopsIconTheme() {
  // The system's MIME database says what "Test.xls" is; the icon theme is one of our own that
  // has a spreadsheet icon and nothing for text.
  qputenv("XDG_DATA_DIRS", (desktop_->root() + "/system:/usr/share").toLocal8Bit());
  QString theme = desktop_->root() + "/icons/fake";
  QDir().mkpath(theme + "/32x32/mimetypes");
  QFile index(theme + "/index.theme");
  QVERIFY(index.open(QIODevice::WriteOnly));
  index.write("[Icon Theme]\nName=Fake\nDirectories=32x32/mimetypes\n\n[32x32/mimetypes]\nSize=32\nType=Fixed\n");
  index.close();
  QVERIFY(QFile::copy(":/gui/tarnwell-32.png", theme + "/32x32/mimetypes/x-office-spreadsheet.png"));
  QIcon::setThemeSearchPaths({desktop_->root() + "/icons"});
  QIcon::setThemeName("fake");
  const QIcon sheetFallback = spreadsheetFallbackIcon(), textFallback = textFallbackIcon();
  QIcon sheet = desktopFileIcon("Test.xls", sheetFallback);
  QCOMPARE(sheet.name(), QString("x-office-spreadsheet"));
  QIcon text = desktopFileIcon("Test.txt", textFallback);
  QCOMPARE(text.cacheKey(), textFallback.cacheKey());
  QVERIFY(!textFallback.isNull() && !sheetFallback.isNull());
}

void DialogsTest::mainDialogOffersItsFourButtons() {
  CTestDlg dialog;
  QCOMPARE(dialog.windowTitle(), QString("Tarnwell"));
  QCOMPARE(dialog.findChild<PageView*>("page")->page().bodyId(), QString("CTestDlg"));
  for (auto [name, tip] : {std::pair{"load", "Load..."}, {"configuration", "Configuration"}, {"about", "About"},
                           {"exit", "Exit"}}) {
    auto* button = dialog.findChild<QPushButton*>(name);
    QVERIFY2(button && !button->icon().isNull() && button->iconSize() == QSize(32, 32), name);
    QCOMPARE(button->toolTip(), QString(tip));
    QCOMPARE(button->accessibleName(), QString(tip));
  }
  QVERIFY(dialog.acceptDrops());
  bool aboutItem = false;
  for (QAction* action : dialog.actions()) aboutItem = aboutItem || action->text() == "&About Tarnwell...";
  QVERIFY(aboutItem);
  // Enter on a focused button presses it, as Space does: through the window system.
  auto press = [&](const char* name, Qt::Key key) {
    dialog.findChild<QPushButton*>(name)->setFocus();
    // Not from inside the script's step: About runs modally until the next step closes it.
    QTimer::singleShot(0, &dialog, [&dialog, key] { QTest::keyClick(dialog.windowHandle(), key); });
    return true;
  };
  bool aboutShown = false;
  Script script;
  script.then([&] { return activeModal<CTestDlg>() && press("about", Qt::Key_Return); })
      .then([&] { return (aboutShown = activeModal<CAboutDlg>()) && (activeModal<CAboutDlg>()->accept(), true); })
      .then([&] { return activeModal<CTestDlg>() && press("exit", Qt::Key_Enter); });
  QCOMPARE(dialog.exec(), int(QDialog::Rejected));
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QVERIFY(aboutShown);
  CTestDlg again;
  Script altX;  // Alt+X, as Windows programs leave
  altX.then([&] {  // shortcuts go to the active window only
    return activeModal<CTestDlg>() && QApplication::activeWindow() == &again &&
           (QTest::keyClick(&again, Qt::Key_X, Qt::AltModifier), true);
  });
  QCOMPARE(again.exec(), int(QDialog::Rejected));
  QVERIFY(altX.finished());
}

void DialogsTest::loadShowsTheStatisticsAndCloseReturns() {
  std::string file = desktop_->root().toStdString() + "/my wells/well 7.pas";
  fs::create_directories(fs::path(file).parent_path());
  std::ofstream(file) << fullPasText();
  CTestDlg dialog;
  dialog.setExportOptions(desktop_->exportOptions());
  int asked = 0;
  dialog.setFileChooser([&](QWidget*) {
    ++asked;
    return QStringList{QString::fromStdString(file)};
  });
  QString uwi;
  Script script;
  script.then([&] {
    auto* stats = activeModal<CPasStatsDlg>();
    if (!stats) return false;
    uwi = stats->page()->elementText("UWI");
    return clickButton(stats, "close");
  });
  clickButton(&dialog, "load");
  QVERIFY2(script.finished(), qPrintable(script.state()));
  QCOMPARE(asked, 1);
  QCOMPARE(uwi, QString("102/14-09-062-22W4/00"));
  QVERIFY(!fs::exists(desktop_->exportFolder().toStdString()));  // nothing was converted
  // A chooser that is cancelled leads nowhere.
  dialog.setFileChooser([](QWidget*) { return QStringList(); });
  dialog.load();
  QVERIFY(!QApplication::activeModalWidget());
}

void DialogsTest::loadOfAFileThatCannotBeOpenedSaysSo() {
  CTestDlg dialog;
  QString missing = desktop_->root() + "/gone.pas", fifo = desktop_->root() + "/fifo.pas";
  QVERIFY(::mkfifo(fifo.toLocal8Bit().constData(), 0600) == 0);  // opened for reading, it would wait for a writer
  for (auto [chosen, why] : {std::pair{missing, QString(": No such file or directory")},
                             std::pair{fifo, QString(": it is not a regular file")}}) {
    dialog.setFileChooser([&](QWidget*) { return QStringList{chosen}; });
    QString message;
    Script script;
    script.then([&] {
      message = messageText();
      return !message.isEmpty() && acceptMessage();
    });
    dialog.load();
    QVERIFY2(script.finished(), qPrintable(script.state()));
    QCOMPARE(message, (chosen == missing ? "Cannot open " : "Cannot read ") + chosen + why);
  }
}

void DialogsTest::droppedPasFileIsLoaded() {
  std::string file = desktop_->root().toStdString() + "/dropped.PAS";
  std::ofstream(file) << fullPasText();
  std::ofstream(desktop_->root().toStdString() + "/notes.txt") << "not a PAS file";
  CTestDlg dialog;
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));

  QMimeData text;
  text.setUrls({QUrl::fromLocalFile(desktop_->root() + "/notes.txt")});
  QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&dialog, &refused);
  QVERIFY(!refused.isAccepted());

  QMimeData pas;
  pas.setUrls({QUrl("https://example.org/remote.pas"), QUrl::fromLocalFile(QString::fromStdString(file))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &pas, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&dialog, &enter);
  QVERIFY(enter.isAccepted());
  QString name;
  Script script;
  script.then([&] {
    auto* stats = activeModal<CPasStatsDlg>();
    if (!stats) return false;
    name = stats->page()->elementText("FNAME");
    return clickButton(stats, "close");
  });
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &pas, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&dialog, &drop);
  QVERIFY(drop.isAccepted());
  QVERIFY(!QApplication::activeModalWidget());  // the drop itself returns at once
  QTRY_VERIFY_WITH_TIMEOUT(script.finished(), 10000);
  QCOMPARE(name, QString("dropped.PAS"));
}

void DialogsTest::aboutShowsTheVersionInFourNumbers() {
  CAboutDlg about;
  QCOMPARE(about.windowTitle(), QString("About Tarnwell"));
  QVERIFY(QRegularExpression("^\\d+\\.\\d+\\.\\d+\\.\\d+$").match(about.versionText()).hasMatch());
  bool label = false;
  for (QLabel* l : about.findChildren<QLabel*>()) label = label || l->text() == "Tarnwell Version ";
  QVERIFY(label);
  CTestDlg dialog;
  QString shown;
  Script script;
  script.then([&] {
    auto* box = activeModal<CAboutDlg>();
    if (!box) return false;
    shown = box->versionText();
    box->accept();
    return true;
  });
  clickButton(&dialog, "about");
  QVERIFY(script.finished());
  QCOMPARE(shown, about.versionText());
}

void DialogsTest::configurationShowsTheStateAndChangesNothing() {
  CConfigDlg ticked(std::optional<std::string>("/opt/Tarnwell/tarnwell"), nullptr);
  QCOMPARE(ticked.windowTitle(), QString("Configuration"));
  QCOMPARE(ticked.checkBox()->text(), QString("Make Tarnwell the default PAS Reader"));
  QVERIFY(ticked.checkBox()->isChecked());
  QVERIFY(!ticked.checkBox()->isEnabled());
  QTest::mouseClick(ticked.checkBox(), Qt::LeftButton);
  QVERIFY(ticked.checkBox()->isChecked());
  auto* ok = ticked.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
  QVERIFY(ok->isDefault());
}

QTEST_MAIN(DialogsTest)
#include "gui_dialogs_test.moc"
