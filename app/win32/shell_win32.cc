#include "app/win32/shell_win32.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string_view>
#include <vector>

namespace tnw::win32 {
namespace {

constexpr wchar_t kProgId[] = L"Tarnwell.Document";
// What Explorer shows in its "Type" column for PAS files; the Linux MIME type says the same.
constexpr wchar_t kDescription[] = L"ERCB Pressure ASCII Standard well-test file";
constexpr wchar_t kClasses[] = L"Software\\Classes\\";
constexpr wchar_t kUserChoice[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.pas\\UserChoice";

std::wstring widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string systemText(DWORD code) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text ? text : L"", n);
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
    message.pop_back();
  if (message.empty()) return "system error " + std::to_string(code);
  return narrow(message);
}

bool sameProgId(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

// A text value of a key; false when the key or the value is missing or holds no text.
bool readText(HKEY root, const std::wstring& subkey, const wchar_t* name, std::wstring* out) {
  HKEY key;
  if (RegOpenKeyExW(root, subkey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0, size = 0;
  bool ok = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ);
  if (ok) {
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    ok = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) == ERROR_SUCCESS;
    if (ok) *out = buffer.data();
  }
  RegCloseKey(key);
  return ok;
}

bool hasValue(HKEY root, const std::wstring& subkey, const wchar_t* name) {
  HKEY key;
  if (RegOpenKeyExW(root, subkey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  bool found = RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return found;
}

// Writes into HKCU\Software\Classes, creating the key as needed.
class ClassesWriter {
 public:
  explicit ClassesWriter(std::string* problem) : problem_(problem) {}

  // The value becomes `text` unless it is that already (in any case, for a program id).
  bool text(const std::wstring& subkey, const wchar_t* name, const std::wstring& text, bool anyCase = false) {
    std::wstring now;
    if (readText(HKEY_CURRENT_USER, kClasses + subkey, name, &now) && (anyCase ? sameProgId(now, text) : now == text))
      return true;
    return write(subkey, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }

  // An empty value of no type, as the shell's lists of program ids want it; kept if present.
  bool marker(const std::wstring& subkey, const wchar_t* name) {
    if (hasValue(HKEY_CURRENT_USER, kClasses + subkey, name)) return true;
    return write(subkey, name, REG_NONE, nullptr, 0);
  }

  bool changed() const { return changed_; }

 private:
  bool write(const std::wstring& subkey, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    std::wstring path = kClasses + subkey;
    HKEY key;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                     nullptr);
    if (status == ERROR_SUCCESS) {
      status = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
      RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS) {
      if (problem_)
        *problem_ = "Cannot write the registry key HKEY_CURRENT_USER\\" + narrow(path) + ": " +
                    systemText(static_cast<DWORD>(status));
      return false;
    }
    changed_ = true;
    return true;
  }

  std::string* problem_;
  bool changed_ = false;
};

// Whether a program other than ours holds ".pas": the user's own choice in Explorer first,
// then the per-user class, then the machine's class (which the per-user one would hide).
bool anotherProgramHoldsPas() {
  std::wstring holder;
  if (readText(HKEY_CURRENT_USER, kUserChoice, L"ProgId", &holder) && !holder.empty())
    return !sameProgId(holder, kProgId);
  if (readText(HKEY_CURRENT_USER, std::wstring(kClasses) + L".pas", nullptr, &holder) && !holder.empty())
    return !sameProgId(holder, kProgId);
  if (readText(HKEY_LOCAL_MACHINE, std::wstring(kClasses) + L".pas", nullptr, &holder) && !holder.empty())
    return !sameProgId(holder, kProgId);
  return false;
}

// One argument as the C runtime and CommandLineToArgvW split it again: quoted when it holds a
// blank or a quote (or is empty); a run of backslashes is doubled where a quote follows it,
// the closing quote included, and a quote inside is escaped.
std::wstring quoteArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') out.append(backslashes * 2 + 1, L'\\');
    else out.append(backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  out += L'"';
  return out;
}

std::wstring windowsPath(const std::string& utf8) {
  std::wstring path = widen(utf8);
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

}  // namespace

bool registerShellTypes(const std::string& exePath, std::string* problem) {
  std::wstring exe = windowsPath(exePath);
  if (exe.empty() || exe.find(L'"') != std::wstring::npos) {
    if (problem) *problem = "Cannot register \"" + exePath + "\" as the program for PAS files: not a program path";
    return false;
  }
  ClassesWriter writer(problem);
  std::wstring progId = kProgId;
  bool ok = writer.text(progId, nullptr, kDescription) &&
            writer.text(progId + L"\\DefaultIcon", nullptr, exe + L",0") &&
            writer.text(progId + L"\\shell\\open\\command", nullptr, L"\"" + exe + L"\" \"%1\"") &&
            writer.marker(L".pas\\OpenWithProgids", kProgId) &&
            (anotherProgramHoldsPas() || writer.text(L".pas", nullptr, kProgId, true));
  // The shell caches associations: without the notice Explorer keeps the old icon and verb.
  if (writer.changed()) SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  return ok;
}

std::string associatedExecutable(const std::string& extension) {
  std::wstring ext = widen(extension);
  std::vector<wchar_t> buffer(MAX_PATH);
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD size = static_cast<DWORD>(buffer.size());
    HRESULT result = AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN | ASSOCF_NOTRUNCATE, ASSOCSTR_EXECUTABLE,
                                       ext.c_str(), nullptr, buffer.data(), &size);
    if (result == S_OK) return narrow(buffer.data());
    // Too small: `size` now says what it takes.
    if (result != E_POINTER || size <= buffer.size()) return {};
    buffer.resize(size);
  }
  return {};
}

bool launchWithArgument(const std::string& program, const std::string& argument) {
  std::wstring exe = windowsPath(program);
  if (exe.empty() || exe.find(L'"') != std::wstring::npos) return false;
  // The program's own name is read up to the next quote, without escapes: quoted whole.
  std::wstring command = L"\"" + exe + L"\" " + quoteArgument(widen(argument));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                      &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool openWithDefaultAction(const std::string& path, std::string* problem) {
  std::wstring file = windowsPath(path);
  // Some shell extensions that ShellExecuteEx loads want a single-threaded apartment.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // No error box of the shell's own: the caller tells the user in its words. NOASYNC because
  // the call may return before the shell has handed the file on, and the caller may end next.
  info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  // No verb: the type's default action. For a template that is "New" in Excel and LibreOffice,
  // a new, untitled workbook made from it; "open" would edit the template file itself.
  info.lpVerb = nullptr;
  info.lpFile = file.c_str();
  info.nShow = SW_SHOWNORMAL;
  bool ok = ShellExecuteExW(&info);
  DWORD error = ok ? 0 : GetLastError();
  if (SUCCEEDED(com)) CoUninitialize();
  if (ok) return true;
  if (problem) {
    if (error == ERROR_NO_ASSOCIATION || error == SE_ERR_NOASSOC)
      *problem = "No program is set to open \"" + path + "\"";
    else
      *problem = "Cannot open \"" + path + "\": " + systemText(error);
  }
  return false;
}

}  // namespace tnw::win32
