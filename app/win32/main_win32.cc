// Tarnwell.exe: the desktop program on Windows.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/export_flow.h"
#include "app/export_folder.h"
#include "app/platform.h"
#include "app/settings.h"
#include "app/win32/shell_win32.h"
#include "app/win32/views.h"
#include "platform/platform.h"

namespace {

std::vector<std::string> arguments() {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> out;
  for (int i = 1; i < count; ++i) out.push_back(tnw::win32::narrow(words[i]));
  LocalFree(words);
  return out;
}

// At every start, as the program always did: the shell opens PAS files with it.
bool registerAtStart() {
  std::string problem;
  if (tnw::win32::registerShellTypes(tnw::platform::executablePath(), &problem)) return true;
  OutputDebugStringW(tnw::win32::wide("Tarnwell: " + problem + "\n").c_str());
  return false;
}

void removeOldExports() {
  const std::string folder = tnw::gui::exportFolder();
  std::error_code ec;
  if (folder.empty() || !std::filesystem::is_directory(tnw::platform::pathFromUtf8(folder), ec)) return;
  tnw::gui::removeOldExports(folder, std::filesystem::file_time_type::clock::now(), tnw::gui::kExportsKept,
                             tnw::gui::filesOpenNow);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using tnw::gui::CommandLine;
  CommandLine line = tnw::gui::parseCommandLine(arguments());
  switch (line.kind) {
    case CommandLine::kHelp:
      tnw::win32::showMessage(nullptr, MB_ICONINFORMATION, tnw::gui::kUsage);
      return 0;
    case CommandLine::kVersion:
      tnw::win32::showMessage(nullptr, MB_ICONINFORMATION, "Tarnwell " + std::string(TARNWELL_VERSION));
      return 0;
    case CommandLine::kRegister:
      // No window: installers call this and wait for nothing to look at.
      return registerAtStart() ? 0 : 1;
    case CommandLine::kRemoveExports: {
      // The uninstaller's: no window either, and what stays is the user's.
      std::vector<std::string> left;
      return tnw::gui::removeExportFolder(tnw::gui::exportFolder(), tnw::gui::settingsFile(), tnw::gui::filesOpenNow,
                                          &left)
                 ? 0
                 : 1;
    }
    default:
      break;
  }
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LINK_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  registerAtStart();
  removeOldExports();
  tnw::gui::GuiExportOptions options;
  int status = 0;
  if (line.kind == CommandLine::kOpenFile)
    status = tnw::win32::runFileFlow(line.path, options);
  else
    tnw::win32::runMainDialog(options);
  // The windows are gone; a cancelled save that still runs removes its file before the end.
  tnw::gui::waitForLetGoExports();
  return status;
}
