// Times the desktop program's export of one PAS file (logo check, progress window, worker
// thread with a progress report on every line, saving in the cache folder, handing the
// workbook to a spreadsheet program) against tarnwell-convert on the same file, and prints
// both and their ratio. Runs offscreen, on a desktop of its own in a temporary folder whose
// spreadsheet program does nothing.
//
//     tarnwell-gui-bench FILE.pas [RUNS]
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/desktop.h"
#include "app/qt/gui_export.h"

namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

bool writeFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tarnwell-gui-bench FILE.pas [RUNS]\n");
    return 2;
  }
  const std::string input = argv[1];
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

  QTemporaryDir root;
  const QString r = root.path();
  qputenv("XDG_DATA_HOME", (r + "/data").toLocal8Bit());
  qputenv("XDG_CONFIG_HOME", (r + "/config").toLocal8Bit());
  qputenv("XDG_DATA_DIRS", (r + "/system").toLocal8Bit());
  qputenv("XDG_CONFIG_DIRS", (r + "/system").toLocal8Bit());
  qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
  writeFile(r + "/data/applications/nothing.desktop",
            "[Desktop Entry]\nType=Application\nName=Nothing\nExec=/bin/true %f\n");
  writeFile(r + "/config/mimeapps.list",
            QByteArray("[Default Applications]\n") + tnw::gui::desktop::kWorkbookType + "=nothing.desktop\n");

  QApplication application(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  const QString convert = QCoreApplication::applicationDirPath() + "/tarnwell-convert";

  std::vector<double> gui, headless;
  for (int run = 0; run < runs; ++run) {
    tnw::gui::GuiExportOptions options;
    options.folder = (r + "/cache").toStdString();
    std::string err;
    auto start = Clock::now();
    auto source = tnw::pas::LineSource::open(input, &err);
    if (!source) return std::fprintf(stderr, "%s\n", err.c_str()), 1;
    tnw::gui::GuiExportResult result = tnw::gui::runExport(nullptr, *source, input, true, options);
    gui.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    if (result.outcome != tnw::gui::GuiExportResult::kCompleted)
      return std::fprintf(stderr, "the export did not complete: %s\n", result.message.c_str()), 1;
    std::filesystem::remove(result.workbook);

    start = Clock::now();
    int status = QProcess::execute(convert, {QString::fromStdString(input), "-q", "-o", r + "/headless.xlsx"});
    headless.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    if (status != 0) return std::fprintf(stderr, "tarnwell-convert failed (%d)\n", status), 1;
    std::printf("run %d: desktop program %.3f s, tarnwell-convert %.3f s (%d lines)\n", run + 1, gui.back(),
                headless.back(), result.lines);
  }
  double g = median(gui), h = median(headless);
  std::printf("median of %d: desktop program %.3f s, tarnwell-convert %.3f s, ratio %.3f\n", runs, g, h, g / h);
  // On a busy machine the fastest run of each says more than the middle one.
  double gb = *std::min_element(gui.begin(), gui.end()), hb = *std::min_element(headless.begin(), headless.end());
  std::printf("best of %d: desktop program %.3f s, tarnwell-convert %.3f s, ratio %.3f\n", runs, gb, hb, gb / hb);
  return 0;
}
