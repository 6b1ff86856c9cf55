// Windows. Every path the program holds is UTF-8; it becomes UTF-16 only here, at the call.
#include <windows.h>
#include <io.h>
#include <psapi.h>
#include <shellapi.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <system_error>
#include <vector>

#include "platform/platform.h"

namespace tnw::platform {

namespace {

std::wstring wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string narrow(std::wstring_view text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// A path the wide file functions take at any length: past MAX_PATH only the "\\?\" form is
// free of the limit on a Windows that has not switched it off for everyone.
std::wstring systemPath(const std::string& utf8) {
  std::wstring path = wide(utf8);
  if (path.size() < MAX_PATH - 12 || path.starts_with(L"\\\\?\\")) return path;
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
  full.resize(n);
  if (full.starts_with(L"\\\\.\\")) return full;  // a device
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string windowsErrorText(DWORD code) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text ? text : L"", n);
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ' ||
                              message.back() == L'.'))
    message.pop_back();
  if (message.empty()) return "system error " + std::to_string(code);
  return narrow(message);
}

// Windows keeps these names for devices in every folder and whatever the extension:
// "C:\out\COM1.xlsx" is the serial port.
bool isDeviceName(const std::string& path) {
  std::string name = fileName(path);
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL" || name == "CONIN$" || name == "CONOUT$")
    return true;
  return name.size() == 4 && (name.starts_with("COM") || name.starts_with("LPT")) && name[3] >= '0' &&
         name[3] <= '9';
}

}  // namespace

std::string executablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return narrow(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
}

bool isTerminal(std::FILE* stream) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

namespace {

UINT gConsoleCodePage = 0;

// The code page belongs to the console window, which outlives the program: the prompt gets
// its own back.
void restoreConsole() { SetConsoleOutputCP(gConsoleCodePage); }

}  // namespace

void prepareConsole() {
  gConsoleCodePage = GetConsoleOutputCP();
  if (gConsoleCodePage == 0 || gConsoleCodePage == CP_UTF8) return;  // no console, or already so
  if (SetConsoleOutputCP(CP_UTF8)) std::atexit(restoreConsole);
}

namespace {

void (*gInterruptHandler)() = nullptr;
std::atomic<bool> gInterruptedOnce{false};

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI onConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (gInterruptedOnce.exchange(true)) return FALSE;  // the second one: the system ends the program
  if (gInterruptHandler) gInterruptHandler();
  return TRUE;
}

}  // namespace

void onInterrupt(void (*handler)()) {
  gInterruptHandler = handler;
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

bool localTime(std::time_t moment, std::tm* out) {
  // Through the system's own time zone, as the clock in the task bar shows it.
  ULARGE_INTEGER ticks;
  ticks.QuadPart = static_cast<ULONGLONG>(moment) * 10'000'000ULL + 116'444'736'000'000'000ULL;
  FILETIME utc{ticks.LowPart, ticks.HighPart};
  SYSTEMTIME universal, local;
  if (moment < 0 || !FileTimeToSystemTime(&utc, &universal) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
    return false;
  *out = std::tm{};
  out->tm_year = local.wYear - 1900;
  out->tm_mon = local.wMonth - 1;
  out->tm_mday = local.wDay;
  out->tm_hour = local.wHour;
  out->tm_min = local.wMinute;
  out->tm_sec = local.wSecond;
  out->tm_wday = local.wDayOfWeek;
  out->tm_isdst = -1;
  return true;
}

std::string localDateTimeText(const std::tm& when) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(when.tm_year + 1900);
  st.wMonth = static_cast<WORD>(when.tm_mon + 1);
  st.wDay = static_cast<WORD>(when.tm_mday);
  st.wDayOfWeek = static_cast<WORD>(when.tm_wday);
  st.wHour = static_cast<WORD>(when.tm_hour);
  st.wMinute = static_cast<WORD>(when.tm_min);
  st.wSecond = static_cast<WORD>(when.tm_sec);
  wchar_t date[128], time[128];
  if (when.tm_year + 1900 < 1601 || when.tm_year + 1900 > 30827 ||
      GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 128, nullptr) == 0 ||
      GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, time, 128) == 0)
    return {};
  return narrow(date) + " " + narrow(time);
}

std::string hostName() {
  wchar_t name[256];
  DWORD size = 256;
  if (!GetComputerNameExW(ComputerNameDnsHostname, name, &size) || size == 0) return "localhost";
  return narrow(std::wstring_view(name, size));
}

double peakMemoryMegabytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

void raiseOpenFileLimit() { _setmaxstdio(2048); }  // the most the C runtime allows

std::FILE* openFile(const std::string& path, const char* mode) {
  return _wfopen(systemPath(path).c_str(), wide(mode).c_str());
}

NewFile createNewFile(const std::string& path, std::string* problem) {
  HANDLE file = CreateFileW(systemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file != INVALID_HANDLE_VALUE) return CloseHandle(file), NewFile::kCreated;
  DWORD error = GetLastError();
  if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return NewFile::kExists;
  *problem = windowsErrorText(error);
  return NewFile::kFailed;
}

bool replaceFile(const std::string& from, const std::string& to, std::string* problem) {
  if (MoveFileExW(systemPath(from).c_str(), systemPath(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  *problem = windowsErrorText(GetLastError());
  return false;
}

bool isSpecialFile(const std::string& path) {
  if (isDeviceName(path) || isPipe(path)) return true;
  HANDLE file = CreateFileW(systemPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD type = GetFileType(file);
  CloseHandle(file);
  return type != FILE_TYPE_DISK;
}

bool isReadOnly(const std::string& path) {
  DWORD attributes = GetFileAttributesW(systemPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
         (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool isPipe(const std::string& path) {
  // Opening a named pipe to look at it would take one of its connections.
  std::string lower = path.substr(0, 9);
  for (char& c : lower) c = static_cast<char>(c == '/' ? '\\' : c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower == "\\\\.\\pipe\\" || lower == "\\\\?\\pipe\\";
}

std::string errorText(int number) { return std::error_code(number, std::generic_category()).message(); }

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  // The wide command line holds every letter, whatever the code page the program runs with.
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) out.push_back(narrow(args[i]));
  LocalFree(args);
  return out;
}

}  // namespace tnw::platform
