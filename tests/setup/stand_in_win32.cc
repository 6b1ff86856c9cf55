// Stands in for Tarnwell.exe in the setup helper's tests: writes down the command line it was
// started with and the arguments the C runtime split from it, in a file beside itself.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  wchar_t self[32768];
  DWORD n = GetModuleFileNameW(nullptr, self, 32768);
  std::wstring folder(self, n);
  folder.resize(folder.find_last_of(L'\\') + 1);
  std::wstring record = folder + L"started.txt", part = record + L".part";
  FILE* out = _wfopen(part.c_str(), L"wb");
  if (!out) return 1;
  std::wstring text = GetCommandLineW();
  text += L"\n";
  for (int i = 1; i < argc; ++i) text += std::wstring(L"[") + argv[i] + L"]";
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
  MoveFileExW(part.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING);
  return 0;
}
