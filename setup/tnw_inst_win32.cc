// Starts "Tarnwell.exe" beside this library, plainly or with "/Register". Only kernel32 is
// used: the helper is loaded into an installer's process, which must not gain anything else
// from it, and it runs before anything of ours is known to work.
//
// The program's path travels quoted as the first word of its command line, so a folder with
// blanks in its name works for both entries. The process is not waited for and inherits no
// handle of the installer's.
#include <windows.h>

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

void start(bool registering) {
  static wchar_t path[kMaxPath];
  static wchar_t command[kMaxPath + 16];
  if (!programPath(path, kMaxPath)) return;
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
