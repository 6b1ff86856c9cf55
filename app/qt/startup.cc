#include "app/qt/startup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/qt/artwork.h"
#include "app/export_flow.h"
#include "app/export_folder.h"
#include "app/qt/message.h"
#include "app/qt/pas_stats_dlg.h"
#include "app/pas_file.h"
#include "app/platform.h"
#include "app/settings.h"
#include "app/qt/test_dlg.h"
#include "app/version.h"
#include "app/qt/view_as_text.h"
#include "pas/pas_converter.h"
#include "platform/platform.h"

namespace tnw::gui {

namespace {

void tellIgnored(const CommandLine& line) {
  for (const std::string& arg : line.ignored) std::fprintf(stderr, "tarnwell: ignoring '%s'\n", arg.c_str());
}

Startup defaultStartup() {
  Startup startup;
  startup.executable = platform::executablePath();
  startup.iconPng = windowIconPng().toStdString();
  return startup;
}

// The command-line path: the statistics dialog of one file, again after a cancelled export.
int runFileFlow(const std::string& path, CTestDlg& main) {
  std::string err;
  auto source = openPasFile(path, &err);
  if (!source) {
    showMessage(nullptr, QMessageBox::Critical, shownPath(err));
    return 1;
  }
  // One source serves the scan and the export, which rewinds it.
  pas::PasConverter scan(nullptr);
  {
    WaitCursor wait;
    scan.scanHeader(*source);
  }
  CPasStatsDlg stats(shownPath(std::filesystem::path(path).filename().string()), scan);
  for (;;) {
    if (stats.exec() != QDialog::Accepted) break;
    if (stats.action() == CPasStatsDlg::kConvert) {
      main.setAddCharts(stats.addCharts());
      main.exportFile(*source, path, true);
      if (main.lastExportCancelled()) continue;
      break;
    }
    if (stats.action() == CPasStatsDlg::kViewAsText) viewAsText(nullptr, path, source.get());
    break;
  }
  return 0;
}

}  // namespace

bool registerAtStart(const Startup& startup) {
  RegistrationReport report = registerShell(startup.paths, startup.executable, startup.iconPng, startup.runTool);
  for (const std::string& problem : report.problems) std::fprintf(stderr, "tarnwell: %s\n", problem.c_str());
  return report.problems.empty();
}

void removeOldExportsAtStart(const Startup& startup) {
  const std::string folder = startup.exportOptions.folder.empty() ? exportFolder() : startup.exportOptions.folder;
  std::error_code ec;
  if (folder.empty() || !std::filesystem::is_directory(folder, ec)) return;
  removeOldExports(folder, std::filesystem::file_time_type::clock::now(), kExportsKept, filesOpenNow);
}

int runStartup(const CommandLine& line, const Startup& startup) {
  registerAtStart(startup);
  removeOldExportsAtStart(startup);
  CTestDlg main;
  main.setExportOptions(startup.exportOptions);
  if (startup.chooseFile) main.setFileChooser(startup.chooseFile);
  int status = 0;
  switch (line.kind) {
    case CommandLine::kOpenFile:
      status = runFileFlow(line.path, main);
      break;
    case CommandLine::kRegister:
    case CommandLine::kRemoveExports:
    case CommandLine::kHelp:
    case CommandLine::kVersion:
      break;
    case CommandLine::kMainDialog:
      main.exec();
      break;
  }
  // The windows are gone; a cancelled save that still runs removes its file before the end.
  waitForLetGoExports();
  return status;
}

int runTarnwell(int argc, char** argv) {
  CommandLine first = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (first.kind) {
    case CommandLine::kHelp:
      std::fputs(kUsage, stdout);
      return 0;
    case CommandLine::kVersion:
      std::printf("tarnwell %s\n", programVersion().c_str());
      return 0;
    case CommandLine::kRegister: {
      QCoreApplication application(argc, argv);  // for the icon in the resources; no display
      tellIgnored(first);
      return registerAtStart(defaultStartup()) ? 0 : 1;
    }
    case CommandLine::kRemoveExports: {
      std::vector<std::string> left;
      if (removeExportFolder(exportFolder(), settingsFile(), filesOpenNow, &left)) return 0;
      for (const std::string& name : left) std::fprintf(stderr, "tarnwell: kept %s\n", name.c_str());
      return 1;
    }
    default:
      break;
  }
  QApplication application(argc, argv);
  // Qt takes the whole locale from the environment; numbers in files and workbooks are always
  // written with a point, so only dates and times follow the user.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName("Tarnwell");
  QApplication::setOrganizationName("Hollowmere");
  QApplication::setApplicationVersion(QString::fromStdString(programVersion()));
  QApplication::setDesktopFileName("tarnwell");
  QApplication::setWindowIcon(programIcon());
  // Qt has taken its own options (-platform, -style, ...) out of argv by now.
  CommandLine line = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  tellIgnored(line);
  return runStartup(line, defaultStartup());
}

}  // namespace tnw::gui
