#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "app/export_folder.h"
#include "app/platform.h"
#include "app/settings.h"
#include "platform/platform.h"

namespace tnw::gui {

namespace {

std::wstring wide(const std::string& utf8) { return platform::pathFromUtf8(utf8).wstring(); }

}  // namespace

std::string exportFolder() {
  // Per user, local to the machine: the workbooks are handed over, never roamed.
  // The process's environment itself: the C runtime's copy is taken once, at start.
  wchar_t local[32768];
  const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", local, static_cast<DWORD>(std::size(local)));
  if (length == 0 || length >= std::size(local)) return {};
  return platform::pathToUtf8(std::filesystem::path(local) / L"Tarnwell");
}

std::string settingsFile() {
  const std::string folder = exportFolder();
  return folder.empty() ? folder : platform::pathToUtf8(platform::pathFromUtf8(folder) / L"settings");
}

bool canCreateFilesIn(const std::string& folder, int* error) {
  // Rights on Windows are too many to read off: try it, with a file nobody else would name.
  std::wstring probe = wide(folder) + L"\\.tarnwell-probe-" + std::to_wstring(GetCurrentProcessId());
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
  }
  CloseHandle(file);
  return true;
}

std::vector<bool> filesOpenNow(const std::vector<std::string>& paths) {
  // A file some program has open refuses to be opened without sharing.
  std::vector<bool> open;
  for (const std::string& path : paths) {
    HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    open.push_back(file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION);
  }
  return open;
}

}  // namespace tnw::gui
