// Dialogs that stay readable: the statistics dialog with long names and values, and the HTML
// pages under a dark colour scheme, measured on what the widgets actually paint.
#include <QFontMetrics>
#include <QHelpEvent>
#include <QStyleFactory>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>
#include <cmath>

#include "app/qt/html_page.h"
#include "app/qt/pas_stats_dlg.h"
#include "app/qt/progress_window.h"
#include "app/qt/test_dlg.h"
#include "gui_test_support.h"
#include "pas/pas_converter.h"

using namespace tnw;
using namespace tnw::gui;
using namespace tnw::guitest;

class ReadableTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase();
  void longValuesWrapInsideTheStatisticsDialog();
  void runawayValuesAreShortenedWithTheWholeTextInTheirTooltip();
  void labelsNeverBreakInsideAWordAtLargerFonts();
  void pagesStayLegibleInADarkScheme();
};

namespace {

const QString kCompany =  // 120 characters
    "Hollowmere Exploration and Production Partnership of the Northern Foothills and Peace River Arch Operating Company Ltd.";
const QString kFormation = "Upper Devonian Leduc Formation reef complex; Woodbend Group; lower dolomitised platform margin";
// A file name as a data room hands it out: long and without a blank to wrap at.
const QString kFileName =
    "AER_WTC_Submission_0001234567890_102-14-09-062-22W4-00_drillstem_test_run_2_recorder_14422_final_corrected_pressures.pas";

std::unique_ptr<pas::PasConverter> scanned(const QString& company, const QString& formation) {
  std::string text = "~VERSION,TYPE.,WAN,PAS file Type,\n~VERSION,VERS.,2.0,PAS file version,\n"
                     "~WELL INFORMATION,UWI.,102/14-09-062-22W4/00,Unique Well ID,\n"
                     "~WELL INFORMATION,COMP.," + company.toStdString() + ",Company Name,\n"
                     "~WELL INFORMATION,FORM.," + formation.toStdString() + ",Formation Name,\n";
  auto converter = std::make_unique<pas::PasConverter>(nullptr);
  auto source = pas::LineSource::fromBytes(text);
  converter->scanHeader(*source);
  return converter;
}

// Where a text shown on the page is, in the viewport's coordinates: from the top left of its
// first character to the bottom right of its last. Empty when the page does not show it.
QRect textRect(const PageView& page, const QString& text) {
  QTextCursor found = page.document()->find(text);
  if (found.isNull()) return {};
  QTextCursor start(page.document()), end(page.document());
  start.setPosition(found.selectionStart());
  end.setPosition(found.selectionEnd());
  return page.cursorRect(start).united(page.cursorRect(end));
}

// Checks that every field's text lies whole inside the page's viewport, and the page inside the
// dialog; fails with the field's id.
void verifyFieldsVisible(const CPasStatsDlg& dialog, const QStringList& ids) {
  const PageView& page = *dialog.page();
  for (const QString& id : ids) {
    QString shown = page.elementText(id);
    QVERIFY2(!shown.isEmpty(), qPrintable(id));
    QRect at = textRect(page, shown.section('\n', -1));  // the last line of a two-line type
    QVERIFY2(!at.isNull(), qPrintable(id + " is not on the page"));
    QVERIFY2(page.viewport()->rect().contains(at), qPrintable(id + " is outside the page"));
    QRect inDialog(page.viewport()->mapTo(&dialog, at.topLeft()), at.size());
    QVERIFY2(dialog.rect().contains(inDialog), qPrintable(id + " is outside the dialog"));
  }
}

// WCAG's contrast ratio of two colours (1 to 21).
double contrast(QColor a, QColor b) {
  auto luminance = [](QColor c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
  };
  double la = luminance(a) + 0.05, lb = luminance(b) + 0.05;
  return la > lb ? la / lb : lb / la;
}

// The contrast of a text as painted: its ground is the most frequent colour where it stands,
// its ink the colour there that stands out most from the ground.
double paintedContrast(PageView& page, const QString& text) {
  QRect at = textRect(page, text);
  if (at.isEmpty()) return 0;
  QImage image = page.viewport()->grab().toImage();
  QHash<QRgb, int> counts;
  for (int y = at.top(); y <= at.bottom(); ++y)
    for (int x = at.left(); x <= at.right(); ++x) ++counts[image.pixel(x, y)];
  QRgb ground = 0;
  for (auto it = counts.begin(); it != counts.end(); ++it)
    if (it.value() > counts.value(ground)) ground = it.key();
  double best = 1;
  for (auto it = counts.begin(); it != counts.end(); ++it) best = std::max(best, contrast(it.key(), ground));
  return best;
}

QPalette darkPalette() {
  QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x2B, 0x2B, 0x2B));  // button, window
  dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
  dark.setColor(QPalette::Link, QColor(0x8A, 0xB4, 0xF8));
  return dark;
}

}  // namespace

void ReadableTest::initTestCase() {
  // Fusion paints with the palette it is given, as the desktops' dark schemes do.
  QApplication::setStyle(QStyleFactory::create("Fusion"));
}

void ReadableTest::longValuesWrapInsideTheStatisticsDialog() {
  auto plain = scanned("Hollowmere Exploration Ltd.", "Leduc");
  CPasStatsDlg usual("well 7.pas", *plain);
  usual.show();
  QVERIFY(QTest::qWaitForWindowExposed(&usual));

  auto converter = scanned(kCompany, kFormation);
  CPasStatsDlg dialog(kFileName, *converter);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  // Nothing shortened: these fit once wrapped.
  QCOMPARE(dialog.page()->elementText("FNAME"), kFileName);
  QCOMPARE(dialog.page()->elementText("OPERATOR"), kCompany);
  QCOMPARE(dialog.page()->elementText("FORMATION"), kFormation);
  verifyFieldsVisible(dialog, {"FNAME", "TYPE", "UWI", "OPERATOR", "FORMATION"});
  if (QTest::currentTestFailed()) return;
  // It grew for them, and stayed on the screen.
  QVERIFY(dialog.width() > usual.width() && dialog.height() > usual.height());
  QVERIFY(dialog.screen()->availableGeometry().contains(dialog.frameGeometry()));
  // Short values keep the dialog as it always was.
  QCOMPARE(usual.page()->size(), QSize(380, 232));
}

void ReadableTest::runawayValuesAreShortenedWithTheWholeTextInTheirTooltip() {
  QString company;
  while (company.size() < 3000) company += kCompany + " ";
  company = company.trimmed();
  QString fileName = QString(400, 'w') + ".pas";
  // Characters of two UTF-16 units each: a cut must not split one.
  QString formation;
  while (formation.size() < 600) formation += QString::fromUtf8("\xF0\x9D\x94\x8F");
  auto converter = scanned(company, formation);
  CPasStatsDlg dialog(fileName, *converter);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  PageView& page = *const_cast<PageView*>(dialog.page());

  QString shown = page.elementText("OPERATOR");
  QVERIFY2(shown.size() < company.size() && shown.endsWith(QChar(0x2026)), qPrintable(shown));
  QVERIFY(company.startsWith(shown.chopped(1)));
  QString name = page.elementText("FNAME");
  QVERIFY2(name.size() < fileName.size() && name.endsWith(".pas") && name.contains(QChar(0x2026)), qPrintable(name));
  QString cut = page.elementText("FORMATION");
  QVERIFY(cut.size() < formation.size() && cut.endsWith(QChar(0x2026)));
  QVERIFY(cut.isValidUtf16());
  verifyFieldsVisible(dialog, {"FNAME", "TYPE", "UWI", "OPERATOR", "FORMATION"});
  if (QTest::currentTestFailed()) return;
  QVERIFY(dialog.screen()->availableGeometry().contains(dialog.frameGeometry()));

  // Pointing at the shortened text shows it whole; pointing at a whole one shows nothing.
  QRect at = textRect(page, shown.left(20));
  QCOMPARE(page.toolTipAt(at.center()), company);
  QCOMPARE(page.toolTipAt(textRect(page, name.left(10)).center()), fileName);
  QVERIFY(page.toolTipAt(textRect(page, "102/14-09-062-22W4/00").center()).isEmpty());
  QHelpEvent help(QEvent::ToolTip, at.center(), page.viewport()->mapToGlobal(at.center()));
  QApplication::sendEvent(page.viewport(), &help);
  QTRY_COMPARE(QToolTip::text(), company);
}

// A system font of 12 points or more (qt6ct, a desktop's setting) once broke "Company:" into
// "Compan" and "y:": at every size the labels keep their words whole, and the dialog grows.
void ReadableTest::labelsNeverBreakInsideAWordAtLargerFonts() {
  auto converter = scanned("Hollowmere Exploration Ltd.", "Leduc");
  int lastWidth = 0;
  for (int points = 8; points <= 16; ++points) {
    QApplication::setFont(QFont("DejaVu Sans", points));
    CPasStatsDlg dialog("well 7.pas", *converter);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (const char* label : {"Type:", "UWI:", "Company:", "Formation:"})
      QVERIFY2(textRect(*dialog.page(), label).height() < 1.5 * QFontMetrics(QApplication::font()).height(),
               qPrintable(QString("\"%1\" breaks at %2 points").arg(label).arg(points)));
    verifyFieldsVisible(dialog, {"FNAME", "TYPE", "UWI", "OPERATOR", "FORMATION"});
    if (QTest::currentTestFailed()) return;
    QVERIFY2(dialog.width() >= lastWidth, "a larger font never makes the dialog narrower");
    lastWidth = dialog.width();
  }
}

void ReadableTest::pagesStayLegibleInADarkScheme() {
  QApplication::setPalette(darkPalette());
  // WCAG's minimum for body text.
  const double kLegible = 4.5;

  StatusWnd progress;
  progress.showText("Reading Line 420017 of 1000002", StatusWnd::kStatus);
  progress.show();
  QVERIFY(QTest::qWaitForWindowExposed(&progress));
  auto* statusPage = progress.findChild<PageView*>("page");
  for (const QString& text : {QString("Reading Line 420017 of 1000002"), QString("tarnwell.hollowmere.example")}) {
    double ratio = paintedContrast(*statusPage, text);
    QVERIFY2(ratio >= kLegible, qPrintable(QString("progress: \"%1\" at %2:1").arg(text).arg(ratio)));
  }

  auto converter = scanned("Hollowmere Exploration Ltd.", "Leduc");
  CPasStatsDlg stats("well 7.pas", *converter);
  stats.show();
  QVERIFY(QTest::qWaitForWindowExposed(&stats));
  PageView& statsPage = *const_cast<PageView*>(stats.page());
  for (const QString& text : {QString("well 7.pas"), QString("Company:"), QString("Hollowmere Exploration Ltd."),
                              QString("102/14-09-062-22W4/00")}) {
    double ratio = paintedContrast(statsPage, text);
    QVERIFY2(ratio >= kLegible, qPrintable(QString("statistics: \"%1\" at %2:1").arg(text).arg(ratio)));
  }
  // The page's own ground, not the scheme's, around the table too.
  QImage image = statsPage.viewport()->grab().toImage();
  QCOMPARE(QColor(image.pixel(image.width() - 2, image.height() - 2)), QColor(0xEC, 0xEE, 0xF1));

  CTestDlg main;
  main.show();
  QVERIFY(QTest::qWaitForWindowExposed(&main));
  auto* mainPage = main.findChild<PageView*>("page");
  for (const QString& text : {QString("Tarnwell"), QString("Reader for ERCB Pressure ASCII Standard well-test files"),
                              QString("Load a PAS file, or drop one here."), QString("tarnwell.hollowmere.example")}) {
    double ratio = paintedContrast(*mainPage, text);
    QVERIFY2(ratio >= kLegible, qPrintable(QString("main: \"%1\" at %2:1").arg(text).arg(ratio)));
  }
}

QTEST_MAIN(ReadableTest)
#include "gui_readable_test.moc"
