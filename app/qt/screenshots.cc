// Renders every dialog of the desktop program into PNG files, without a display, so that a
// reviewer can look at them: scripts/screenshots runs it.
//
//     tarnwell-screenshots OUTPUT_FOLDER
//
// Window titles are not part of a rendered window; titles.txt in the folder lists them.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QMessageBox>
#include <QPalette>
#include <QPixmap>
#include <QStyleFactory>
#include <QTextStream>
#include <QTimer>
#include <QWidget>
#include <clocale>
#include <cstdio>
#include <memory>

#include "app/qt/about_dlg.h"
#include "app/qt/config_dlg.h"
#include "app/qt/pas_stats_dlg.h"
#include "app/qt/progress_window.h"
#include "app/qt/test_dlg.h"
#include "pas/line_source.h"
#include "pas/pas_converter.h"

namespace {

using namespace tnw;
using namespace tnw::gui;

struct Shooter {
  QString folder;
  QStringList titles;
  bool ok = true;

  void shoot(QWidget& widget, const QString& name) {
    widget.show();
    QApplication::processEvents();
    QPixmap picture = widget.grab();
    QString path = folder + "/" + name + ".png";
    if (!picture.save(path, "PNG")) {
      std::fprintf(stderr, "tarnwell-screenshots: cannot write %s\n", qPrintable(path));
      ok = false;
    }
    titles << QString("%1.png\t%2").arg(name, widget.windowTitle());
    widget.hide();
  }
};

std::unique_ptr<pas::PasConverter> scanned(const std::string& text) {
  auto converter = std::make_unique<pas::PasConverter>(nullptr);
  auto source = pas::LineSource::fromBytes(text);
  converter->scanHeader(*source);
  return converter;
}

std::string exampleText() {
  QFile file(TARNWELL_SOURCE_DIR "/examples/drillstem-test.pas");
  if (file.open(QIODevice::ReadOnly)) return file.readAll().toStdString();
  return "~VERSION,TYPE.,DST,PAS file Type,\n~VERSION,VERS.,4.0,PAS file version,\n"
         "~WELL INFORMATION,UWI.,100/11-27-052-18W5/00,Unique Well ID,\n"
         "~WELL INFORMATION,COMP.,Hollowmere Exploration Ltd.,Company Name,\n"
         "~WELL INFORMATION,FORM.,Nordegg,Formation Name,\n";
}

// A dark colour scheme as the desktops' dark themes give it.
QPalette darkPalette() {
  QPalette dark;
  dark.setColor(QPalette::Window, QColor(0x2B, 0x2B, 0x2B));
  dark.setColor(QPalette::WindowText, QColor(0xE6, 0xE6, 0xE6));
  dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
  dark.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x26));
  dark.setColor(QPalette::Text, QColor(0xE6, 0xE6, 0xE6));
  dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::ButtonText, QColor(0xE6, 0xE6, 0xE6));
  dark.setColor(QPalette::ToolTipBase, QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::ToolTipText, QColor(0xE6, 0xE6, 0xE6));
  dark.setColor(QPalette::Link, QColor(0x8A, 0xB4, 0xF8));
  dark.setColor(QPalette::Highlight, QColor(0x3D, 0x6F, 0xB5));
  dark.setColor(QPalette::HighlightedText, QColor(Qt::white));
  return dark;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tarnwell-screenshots OUTPUT_FOLDER\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  Shooter shooter{QString::fromLocal8Bit(argv[1]), {}};
  if (!QDir().mkpath(shooter.folder)) {
    std::fprintf(stderr, "tarnwell-screenshots: cannot create %s\n", argv[1]);
    return 1;
  }

  CTestDlg main;
  shooter.shoot(main, "main");

  auto full = scanned(exampleText());
  CPasStatsDlg stats("drillstem-test.pas", *full);
  shooter.shoot(stats, "statistics");
  auto empty = scanned("");
  CPasStatsDlg emptyStats("empty.pas", *empty);
  shooter.shoot(emptyStats, "statistics-empty-file");

  StatusWnd starting;
  shooter.shoot(starting, "progress-starting");
  StatusWnd reading;
  reading.showText("42", StatusWnd::kPercent);
  reading.showText("Reading Line 420017 of 1000002", StatusWnd::kStatus);
  shooter.shoot(reading, "progress");
  StatusWnd saving;
  saving.setWindowTitle("Saving the workbook... 40%");
  saving.showText("Writing row 600,000 of 1,500,000", StatusWnd::kStatus);
  shooter.shoot(saving, "progress-saving");

  CConfigDlg isDefault(std::optional<std::string>("/usr/bin/tarnwell"), nullptr);
  shooter.shoot(isDefault, "configuration-default");
  CConfigDlg notDefault(std::optional<std::string>("/usr/bin/gedit"), nullptr);
  shooter.shoot(notDefault, "configuration-other-reader");

  CAboutDlg about;
  shooter.shoot(about, "about");

  // Long values as some files carry them: a data room's file name, a company of 120 characters.
  auto longValues = scanned(
      "~VERSION,TYPE.,DST,PAS file Type,\n~VERSION,VERS.,4.0,PAS file version,\n"
      "~WELL INFORMATION,UWI.,100/11-27-052-18W5/00,Unique Well ID,\n"
      "~WELL INFORMATION,COMP.,Hollowmere Exploration and Production Partnership of the Northern Foothills and "
      "Peace River Arch Operating Company Ltd.,Company Name,\n"
      "~WELL INFORMATION,FORM.,Upper Devonian Leduc Formation reef complex; Woodbend Group; lower dolomitised "
      "platform margin,Formation Name,\n");
  CPasStatsDlg longStats(
      "AER_WTC_Submission_0001234567890_100-11-27-052-18W5-00_drillstem_test_run_2_recorder_14422_final.pas",
      *longValues);
  shooter.shoot(longStats, "statistics-long-values");

  // A larger system font, as qt6ct or a desktop's setting gives it: the labels keep their words
  // whole and the dialog grows.
  const QFont usualFont = QApplication::font();
  QApplication::setFont(QFont("DejaVu Sans", 14));
  {
    CPasStatsDlg largeFont("drillstem-test.pas", *full);
    shooter.shoot(largeFont, "statistics-14pt");
  }
  QApplication::setFont(usualFont);

  QMessageBox noProgram(QMessageBox::Information, "Tarnwell",
                        "The workbook is saved as\n/home/user/Documents/drillstem-test.xlsx\n\n"
                        "No program on this desktop opens .xlsx workbooks; open it from there.",
                        QMessageBox::Ok);
  shooter.shoot(noProgram, "message-no-spreadsheet-program");

  // The pages under a dark colour scheme: they keep their own ground and stay legible.
  const QPalette usual = QApplication::palette();
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  QApplication::setPalette(darkPalette());
  {
    CTestDlg darkMain;
    shooter.shoot(darkMain, "dark-main");
    CPasStatsDlg darkStats("drillstem-test.pas", *full);
    shooter.shoot(darkStats, "dark-statistics");
    StatusWnd darkReading;
    darkReading.showText("42", StatusWnd::kPercent);
    darkReading.showText("Reading Line 420017 of 1000002", StatusWnd::kStatus);
    shooter.shoot(darkReading, "dark-progress");
    CancellingWnd darkCancelling;
    shooter.shoot(darkCancelling, "dark-cancelling");
  }
  QApplication::setPalette(usual);
  CancellingWnd cancelling;
  shooter.shoot(cancelling, "cancelling");

  QFile titles(shooter.folder + "/titles.txt");
  if (titles.open(QIODevice::WriteOnly | QIODevice::Text)) QTextStream(&titles) << shooter.titles.join("\n") << "\n";
  std::printf("%s\n", qPrintable(QDir(shooter.folder).absolutePath()));
  return shooter.ok ? 0 : 1;
}
