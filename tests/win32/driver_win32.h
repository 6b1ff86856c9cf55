// Drives Tarnwell.exe from outside, as a user would: it runs as a process of its own, and the
// driver finds its windows, reads their controls and clicks their buttons with window messages.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace tnw::win32test {

namespace fs = std::filesystem;

constexpr int kMessageText = 0xFFFF;  // the static that holds a message box's text

inline std::wstring binFolder() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return fs::path(self).parent_path().wstring();
}

// The source tree as Wine shows it: the Unix root is drive Z:.
inline fs::path sourceFile(const char* relative) {
  std::wstring path = L"Z:" + fs::path(std::string(TARNWELL_SOURCE_DIR) + "/" + relative).wstring();
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

inline std::string utf8(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

// Any process's visible top-level window whose title holds `part`.
inline HWND anyWindowTitled(const std::wstring& part) {
  struct Search {
    const std::wstring* part;
    HWND found;
  } search{&part, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        wchar_t title[512] = L"";
        GetWindowTextW(window, title, 512);
        if (IsWindowVisible(window) && std::wstring(title).find(*s->part) != std::wstring::npos) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline std::wstring textOf(HWND window) {
  wchar_t text[4096] = L"";
  // WM_GETTEXT, not GetWindowText: that does not ask another process's controls.
  SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                      nullptr);
  return text;
}

inline std::wstring itemText(HWND dialog, int id) { return textOf(GetDlgItem(dialog, id)); }

// Tarnwell.exe with its arguments, ended when the test is over.
class Program {
 public:
  explicit Program(const std::wstring& arguments, std::wstring exe = binFolder() + L"\\Tarnwell.exe") {
    std::wstring line = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_);
  }
  ~Program() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  bool started() const { return started_; }
  DWORD id() const { return info_.dwProcessId; }
  // The exit code, or STILL_ACTIVE when it has not ended within the time.
  DWORD waitForExit(int ms = 20000) {
    WaitForSingleObject(info_.hProcess, ms);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }

  // Its visible top-level windows.
  std::vector<HWND> windows() const {
    struct Search {
      DWORD pid;
      std::vector<HWND> found;
    } search{info_.dwProcessId, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
          auto* s = reinterpret_cast<Search*>(data);
          DWORD pid = 0;
          GetWindowThreadProcessId(window, &pid);
          if (pid == s->pid && IsWindowVisible(window)) s->found.push_back(window);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  // The first of its windows that matches, waited for.
  HWND waitForWindow(const std::function<bool(HWND)>& matches, int ms = 30000) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
      for (HWND window : windows())
        if (matches(window)) return window;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < end);
    return nullptr;
  }
  HWND waitForTitle(const std::wstring& title, int ms = 30000) const {
    return waitForWindow([&](HWND w) { return textOf(w) == title; }, ms);
  }
  HWND waitForDialogWith(int controlId, int ms = 30000) const {
    return waitForWindow([&](HWND w) { return GetDlgItem(w, controlId) != nullptr; }, ms);
  }

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

inline void click(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

inline bool gone(HWND window, int ms = 10000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (IsWindow(window) && IsWindowVisible(window) && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return !IsWindow(window) || !IsWindowVisible(window);
}

// The first edit control under a window, at any depth: the file name of an open-file dialog.
inline HWND findEdit(HWND window) {
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[32] = L"";
    GetClassNameW(child, cls, 32);
    if (_wcsicmp(cls, L"Edit") == 0 && IsWindowVisible(child)) return child;
    if (HWND inner = findEdit(child)) return inner;
  }
  return nullptr;
}

// The save dialog the export asks where the workbook goes with; `name` (a file name, or a
// path) into its name field and Save. False when no save dialog came.
inline HWND saveDialogOf(const Program& program) { return program.waitForTitle(L"Save the workbook"); }
inline bool answerSaveDialog(const Program& program, const std::wstring& name) {
  HWND dialog = saveDialogOf(program);
  HWND field = dialog ? findEdit(dialog) : nullptr;
  if (!field) return false;
  SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
  click(dialog, IDOK);
  return true;
}

// The first visible control under a window, at any depth, whose text is `text`.
inline HWND findControl(HWND window, const std::wstring& text) {
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (IsWindowVisible(child) && textOf(child) == text) return child;
    if (HWND inner = findControl(child, text)) return inner;
  }
  return nullptr;
}

// The installer, as a user goes through it: NSIS shows its pages one after another in one
// window, whose Next, Install and Finish button is IDOK.
struct InstallerPages {
  InstallerPages(const std::wstring& setup, const std::wstring& folder)
      : program(L"/D=" + folder, setup),  // last and unquoted, as NSIS wants it
        window(program.waitForWindow([](HWND w) { return GetDlgItem(w, IDOK) != nullptr; })) {}
  // Next or Install, then the page that shows a control with this text.
  HWND next(const std::wstring& text) {
    click(window, IDOK);
    return program.waitForWindow([&](HWND w) { return findControl(w, text) != nullptr; }, 120000);
  }
  Program program;
  HWND window;
};

inline HWND focusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

// The tooltip texts a dialog gives its controls, by control. A tooltip's messages carry their
// structures by address, in the memory of the process that owns it: they are written there.
inline std::map<HWND, std::wstring> tooltipsOf(HWND dialog) {
  struct Remote {
    TTTOOLINFOW tool;
    wchar_t text[256];
  };
  std::map<HWND, std::wstring> found;
  DWORD pid = 0;
  GetWindowThreadProcessId(dialog, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  auto* remote = static_cast<Remote*>(VirtualAllocEx(process, nullptr, sizeof(Remote), MEM_COMMIT, PAGE_READWRITE));
  for (HWND tips = nullptr; remote && (tips = FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr));) {
    for (int i = 0; GetWindow(tips, GW_OWNER) == dialog && i < SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0); ++i) {
      Remote local{};
      local.tool.cbSize = sizeof local.tool;
      local.tool.lpszText = remote->text;
      if (WriteProcessMemory(process, remote, &local, sizeof local, nullptr) &&
          SendMessageW(tips, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&remote->tool)) &&
          ReadProcessMemory(process, remote, &local, sizeof local, nullptr))
        found[reinterpret_cast<HWND>(local.tool.uId)] = local.text;
    }
  }
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  if (process) CloseHandle(process);
  return found;
}

// What a screen reader says of a control: its name, and the keys that press it.
inline std::pair<std::wstring, std::wstring> accessibleNameAndKeys(HWND control) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&object))))
    return {};
  VARIANT self{};
  self.vt = VT_I4;  // CHILDID_SELF
  BSTR name = nullptr, keys = nullptr;
  object->get_accName(self, &name);
  object->get_accKeyboardShortcut(self, &keys);
  std::pair<std::wstring, std::wstring> said{name ? name : L"", keys ? keys : L""};
  SysFreeString(name);
  SysFreeString(keys);
  object->Release();
  return said;
}

// Alt with a letter, as the keyboard sends it to the control that has the focus.
inline void pressAlt(HWND window, wchar_t letter) {
  HWND focus = nullptr;  // a dialog that just closed gives the focus back a moment later
  for (int i = 0; i < 100 && !((focus = focusOf(window)) && (focus == window || IsChild(window, focus))); ++i)
    Sleep(50);
  PostMessageW(focus && IsChild(window, focus) ? focus : window, WM_SYSCHAR, letter, 1 << 29);
}

// A window as the screen shows it: a 24-bit bitmap, bottom row first.
struct Picture {
  BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), 0, 0, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::string pixels;
};

inline Picture pictureOf(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  Picture picture;
  picture.header.biWidth = w;
  picture.header.biHeight = h;
  picture.pixels.resize(static_cast<size_t>((w * 3 + 3) & ~3) * h);
  HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  GetDIBits(memory, bitmap, 0, h, picture.pixels.data(), reinterpret_cast<BITMAPINFO*>(&picture.header),
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return picture;
}

}  // namespace tnw::win32test
