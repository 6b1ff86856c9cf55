// Windows. Every path the program holds is UTF-8; it becomes UTF-16 only here, at the call.
#include <windows.h>
#include <io.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
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

namespace {

// The console a stream writes to; null for a file, a pipe or the NUL device.
HANDLE consoleOf(std::FILE* stream) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0 ? handle : nullptr;
}

}  // namespace

bool isTerminal(std::FILE* stream) { return consoleOf(stream) != nullptr; }

void writeText(std::FILE* stream, std::string_view utf8) {
  HANDLE console = consoleOf(stream);
  if (!console) {
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    return;
  }
  // Bytes handed to a console are read in its code page, which is seldom UTF-8: "Müll" would
  // show as "MÃ¼ll" and every column after it would shift.
  std::fflush(stream);
  const std::wstring text = wide(utf8);
  constexpr size_t kChunk = 8192;  // old consoles take little at once
  for (size_t done = 0; done < text.size();) {
    size_t count = std::min(kChunk, text.size() - done);
    if (count < text.size() - done && IS_HIGH_SURROGATE(text[done + count - 1])) --count;  // a pair stays whole
    DWORD written = 0;
    if (!WriteConsoleW(console, text.data() + done, static_cast<DWORD>(count), &written, nullptr) || written == 0)
      return;
    done += written;
  }
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

// platform/xlsxwriter_win32.cc, linked with the libxlsxwriter that scripts/build-windows builds.
extern "C" void tnw_xlsx_flush_pending(void);
void handOverLibraryWrites() { tnw_xlsx_flush_pending(); }

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

namespace {

std::wstring upper(std::wstring text) {
  if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// A name against a pattern of `*` and `?`, both in upper case. As everywhere on Windows, a
// pattern ending in ".*" also takes names without an extension ("*.*" takes every name).
bool matches(std::wstring_view pattern, std::wstring_view name) {
  size_t p = 0, n = 0, starP = std::wstring_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
      ++p, ++n;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      starP = p++, starN = n;
    } else if (starP != std::wstring_view::npos) {
      p = starP + 1, n = ++starN;
    } else {
      return false;
    }
  }
  std::wstring_view rest = pattern.substr(std::min(p, pattern.size()));
  if (rest.starts_with(L".*")) rest.remove_prefix(2);
  return rest.find_first_not_of(L'*') == std::wstring_view::npos;
}

}  // namespace

bool expandWildcards(const std::string& argument, std::vector<std::string>* files, std::string* problem) {
  // "\\?\" and "\\.\" begin paths taken as written: that "?" is no wildcard.
  const size_t from = argument.starts_with("\\\\?\\") || argument.starts_with("\\\\.\\") ? 4 : 0;
  const size_t wild = argument.find_first_of("*?", from);
  if (wild == std::string::npos) {
    files->push_back(argument);
    return true;
  }
  const size_t cut = argument.find_last_of("\\/:");
  const std::string folder = cut == std::string::npos ? std::string() : argument.substr(0, cut + 1);
  if (cut != std::string::npos && cut > wild) {
    *problem = "no file matches " + argument + ": wildcards stand only in the file name";
    return false;
  }
  // The system's search also matches the short 8.3 names ("*.pas" would take "notes.pasta",
  // short "NOTES~1.PAS"): every name is matched again, in full.
  const std::wstring pattern = upper(wide(argument.substr(folder.size())));
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileExW(systemPath(argument).c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                   nullptr, 0);
  std::vector<std::wstring> names;
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && matches(pattern, upper(found.cFileName)))
        names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  } else if (DWORD error = GetLastError(); error != ERROR_FILE_NOT_FOUND) {
    *problem = "no file matches " + argument + ": " + windowsErrorText(error);
    return false;
  }
  if (names.empty()) {
    *problem = "no file matches " + argument;
    return false;
  }
  // The order NTFS keeps and "dir" shows: by the names in upper case, letter by letter.
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_LESS_THAN;
  });
  for (const std::wstring& name : names) files->push_back(folder + narrow(name));
  return true;
}

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
