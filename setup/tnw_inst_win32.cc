// Starts "Tarnwell.exe" beside this library, plainly or with "/Register". Only what Windows
// ships is used: the helper is loaded into an installer's process and runs before anything of
// ours is known to work.
//
// The program's path travels quoted as the first word of its command line, so a folder with
// blanks in its name works for both entries. The process is not waited for and inherits no
// handle of the installer's.
//
// An installer for all users runs elevated, and so would everything it starts: Tarnwell would
// register itself in the administrator's part of the registry and open workbooks with
// administrator rights. When the caller is elevated, the program is therefore started by the
// desktop's own shell (Explorer), which runs as the user who is logged in, through the shell's
// automation objects. Where there is no such shell (no Explorer, a service session) the process
// is created directly, as for a caller that is not elevated.
#include <windows.h>
#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace {

constexpr wchar_t kProgram[] = L"Tarnwell.exe";
constexpr wchar_t kRegister[] = L" /Register";
constexpr DWORD kMaxPath = 32768;  // the longest path Windows knows

// This library's own module, found by the address of code inside it.
HMODULE selfModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&selfModule), &module);
  return module;
}

size_t length(const wchar_t* text) {
  size_t n = 0;
  while (text[n]) ++n;
  return n;
}

// The folder of this library with the program's name after it; false when it cannot be told.
bool programPath(wchar_t* out, DWORD size) {
  HMODULE self = selfModule();
  if (!self) return false;
  DWORD n = GetModuleFileNameW(self, out, size);
  if (n == 0 || n >= size) return false;
  while (n > 0 && out[n - 1] != L'\\' && out[n - 1] != L'/') --n;
  if (n == 0 || n + length(kProgram) + 1 > size) return false;
  for (size_t i = 0; i <= length(kProgram); ++i) out[n + i] = kProgram[i];
  return true;
}

// Whether this process runs with an administrator's rights lifted by the elevation prompt.
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

// Releases a COM interface when it goes out of scope.
template <typename T>
struct Held {
  T* p = nullptr;
  ~Held() {
    if (p) p->Release();
  }
  void** out() { return reinterpret_cast<void**>(&p); }
};

// The desktop window's shell object, from which the logged-in user's Explorer runs a program.
bool desktopShell(Held<IShellDispatch2>* shell) {
  // {4C96BE40-915C-11CF-99D3-00AA004AE837}: the top-level browser of a shell window.
  static const GUID kTopLevelBrowser = {0x4c96be40, 0x915c, 0x11cf, {0x99, 0xd3, 0x00, 0xaa, 0x00, 0x4a, 0xe8, 0x37}};
  static const CLSID kShellWindows = {0x9ba05972, 0xf6a8, 0x11cf, {0xa4, 0x42, 0x00, 0xa0, 0xc9, 0x0a, 0x8f, 0x39}};
  Held<IShellWindows> windows;
  if (FAILED(CoCreateInstance(kShellWindows, nullptr, CLSCTX_ALL, __uuidof(IShellWindows), windows.out())))
    return false;
  VARIANT location, root;
  VariantInit(&location);
  VariantInit(&root);
  location.vt = VT_I4;
  location.lVal = CSIDL_DESKTOP;
  long window = 0;
  Held<IDispatch> found;
  if (windows.p->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                              reinterpret_cast<IDispatch**>(found.out())) != S_OK ||
      !found.p)
    return false;
  Held<IServiceProvider> services;
  Held<IShellBrowser> browser;
  Held<IShellView> view;
  Held<IDispatch> background;
  Held<IShellFolderViewDual> folderView;
  Held<IDispatch> application;
  return SUCCEEDED(found.p->QueryInterface(__uuidof(IServiceProvider), services.out())) &&
         SUCCEEDED(services.p->QueryService(kTopLevelBrowser, __uuidof(IShellBrowser), browser.out())) &&
         SUCCEEDED(browser.p->QueryActiveShellView(&view.p)) &&
         SUCCEEDED(view.p->GetItemObject(SVGIO_BACKGROUND, __uuidof(IDispatch), background.out())) &&
         SUCCEEDED(background.p->QueryInterface(__uuidof(IShellFolderViewDual), folderView.out())) &&
         SUCCEEDED(folderView.p->get_Application(reinterpret_cast<IDispatch**>(application.out()))) &&
         SUCCEEDED(application.p->QueryInterface(__uuidof(IShellDispatch2), shell->out()));
}

VARIANT textVariant(const wchar_t* text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(text);
  return v;
}

// Starts the program as the desktop's user; false when the desktop's shell cannot be reached.
bool startThroughDesktop(const wchar_t* program, const wchar_t* arguments) {
  // No desktop shell in this session (a server core, Wine without Explorer's desktop): asking
  // COM for its windows would only wait for a service that is not there.
  if (!GetShellWindow()) return false;
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  bool started = false;
  {
    Held<IShellDispatch2> shell;
    if (desktopShell(&shell)) {
      // The program and its arguments go apart: Explorer makes the command line of them.
      BSTR file = SysAllocString(program);
      VARIANT args = textVariant(arguments), folder = textVariant(L""), verb = textVariant(L"open"), show;
      VariantInit(&show);
      show.vt = VT_I4;
      show.lVal = SW_SHOWNORMAL;
      started = file && SUCCEEDED(shell.p->ShellExecute(file, args, folder, verb, show));
      SysFreeString(file);
      VariantClear(&args);
      VariantClear(&folder);
      VariantClear(&verb);
    }
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return started;
}

void start(bool registering) {
  static wchar_t path[kMaxPath];
  static wchar_t command[kMaxPath + 16];
  if (!programPath(path, kMaxPath)) return;
  // For a missing program the desktop's shell would show its user an error box; the helper
  // stays silent instead.
  if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return;
  if (elevated() && startThroughDesktop(path, registering ? kRegister + 1 : L"")) return;
  // A Windows path holds no quote, so quoting it whole is all its command-line rules ask.
  size_t at = 0, n = length(path);
  command[at++] = L'"';
  for (size_t i = 0; i < n; ++i) command[at++] = path[i];
  command[at++] = L'"';
  if (registering)
    for (size_t i = 0; i < length(kRegister); ++i) command[at++] = kRegister[i];
  command[at] = L'\0';
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (CreateProcessW(path, command, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                     &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

}  // namespace

// The installer passes its window handle as a 32-bit value; it carries no meaning here.
extern "C" __declspec(dllexport) int __stdcall fnTNWInst(int /*unused*/) {
  start(false);
  return 0;
}

extern "C" __declspec(dllexport) int __stdcall fnTNWInstReg(int /*unused*/) {
  start(true);
  return 0;
}
