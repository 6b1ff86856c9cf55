// Stands in for shell_win32.cc while that file is not in the tree: the associations and the
// process start the views need, and a registration that says it did nothing.
#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "app/win32/shell.h"
#include "app/win32/views.h"

namespace tnw::win32 {

namespace {

// One argument as CommandLineToArgvW reads it back: quoted, with the backslashes before a quote
// and at the end doubled.
std::wstring quoted(const std::wstring& argument) {
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, L'\\');
  return out + L"\"";
}

}  // namespace

bool registerShellTypes(const std::string&, std::string* problem) {
  *problem = "this build does not register with the shell";
  return false;
}

std::string associatedExecutable(const std::string& extension) {
  wchar_t path[32768];
  DWORD size = static_cast<DWORD>(std::size(path));
  if (AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN | ASSOCF_NOTRUNCATE, ASSOCSTR_EXECUTABLE, wide(extension).c_str(),
                        nullptr, path, &size) != S_OK)
    return {};
  return narrow(path);
}

bool launchWithArgument(const std::string& program, const std::string& argument) {
  std::wstring line = quoted(wide(program)) + L" " + quoted(wide(argument));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(wide(program).c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool openWithDefaultAction(const std::string& path, std::string* problem) {
  std::wstring file = wide(path);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpFile = file.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExW(&info)) return true;
  *problem = "no program opens it";
  return false;
}

}  // namespace tnw::win32
