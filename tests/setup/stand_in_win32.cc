// Stands in for Tarnwell.exe in the setup helper's and the installer's tests: writes down the
// command line it was started with and the arguments the C runtime split from it, in a file
// beside itself, and whether it runs elevated in another. Started with "/Register" it
// registers itself for PAS files first, as the program does. "/RemoveExports" it does as the
// program does, and no more (the uninstaller runs it); "/RecordExport FILE" lists a file in the
// exports folder as an export of the program's, for the uninstaller's test.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/export_folder.h"
#include "app/platform.h"
#include "app/settings.h"
#include "app/win32/shell_win32.h"

namespace {

std::string utf8(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

bool elevated() {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  bool yes = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
             elevation.TokenIsElevated;
  CloseHandle(token);
  return yes;
}

// Written under a temporary name and renamed, so a reader never sees half of it.
bool writeRecord(const std::wstring& path, const std::string& bytes) {
  std::wstring part = path + L".part";
  FILE* out = _wfopen(part.c_str(), L"wb");
  if (!out) return false;
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
  return MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && std::wstring(argv[1]) == L"/RemoveExports") {
    std::vector<std::string> left;
    return tnw::gui::removeExportFolder(tnw::gui::exportFolder(), tnw::gui::settingsFile(), tnw::gui::filesOpenNow,
                                        &left)
               ? 0
               : 1;
  }
  if (argc == 3 && std::wstring(argv[1]) == L"/RecordExport") {
    std::string err;
    return tnw::gui::recordExport(tnw::gui::exportFolder(), utf8(argv[2]), &err) ? 0 : 1;
  }
  wchar_t self[32768];
  DWORD n = GetModuleFileNameW(nullptr, self, 32768);
  std::wstring folder(self, n);
  folder.resize(folder.find_last_of(L'\\') + 1);
  std::wstring text = GetCommandLineW();
  text += L"\n";
  for (int i = 1; i < argc; ++i) text += std::wstring(L"[") + argv[i] + L"]";
  if (argc == 2 && std::wstring(argv[1]) == L"/Register") {
    std::string problem;
    if (!tnw::win32::registerShellTypes(utf8(std::wstring(self, n)), &problem))
      writeRecord(folder + L"register-problem.txt", problem);
  }
  if (!writeRecord(folder + L"elevation.txt", elevated() ? "elevated" : "not elevated")) return 1;
  return writeRecord(folder + L"started.txt", utf8(text)) ? 0 : 1;
}
