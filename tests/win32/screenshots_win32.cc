// Shows every window of Tarnwell.exe in turn and saves each as a bitmap file in a folder
// (scripts/screenshots-windows runs it under Wine on a virtual display and makes PNGs of them).
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/win32/resource.h"
#include "driver_win32.h"

using namespace tnw::win32test;

namespace {

fs::path out;
int failures = 0;

// The window as the screen shows it, in a 24-bit bitmap file.
void capture(HWND window, const wchar_t* name) {
  if (!window) {
    std::fprintf(stderr, "screenshots: no window for %ls\n", name);
    ++failures;
    return;
  }
  SetForegroundWindow(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(700);  // the other process paints
  const Picture picture = pictureOf(window);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof picture.header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(picture.pixels.size());
  std::ofstream bmp(out / (std::wstring(name) + L".bmp"), std::ios::binary);
  bmp.write(reinterpret_cast<const char*>(&file), sizeof file);
  bmp.write(reinterpret_cast<const char*>(&picture.header), sizeof picture.header);
  bmp.write(picture.pixels.data(), static_cast<std::streamsize>(picture.pixels.size()));
}

fs::path write(const std::wstring& name, const std::string& bytes) {
  fs::path path = out / name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::wstring quoted(const fs::path& path) { return L"\"" + path.wstring() + L"\""; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: tarnwell-screenshots-win32 FOLDER [SETUP.exe]\n");
    return 2;
  }
  out = argv[1];
  fs::create_directories(out / L"local");
  SetEnvironmentVariableW(L"LOCALAPPDATA", (out / L"local").c_str());
  {
    Program program(L"");
    HWND main = program.waitForDialogWith(IDC_LOAD);
    capture(main, L"main");
    // The mouse resting on a button shows its name.
    RECT load;
    GetWindowRect(GetDlgItem(main, IDC_LOAD), &load);
    SetCursorPos((load.left + load.right) / 2, (load.top + load.bottom) / 2);
    Sleep(100);
    SetCursorPos((load.left + load.right) / 2 + 2, (load.top + load.bottom) / 2);
    Sleep(1500);
    capture(main, L"main-tooltip");
    SetCursorPos(0, 0);
    click(main, IDC_CONFIGURATION);
    HWND config = program.waitForTitle(L"Configuration");
    capture(config, L"configuration");
    click(config, IDCANCEL);
    gone(config);
    click(main, IDC_ABOUT);
    HWND about = program.waitForTitle(L"About Tarnwell");
    capture(about, L"about");
    click(about, IDOK);
    gone(about);
    click(main, IDC_EXIT);
    program.waitForExit();
  }
  {
    Program program(quoted(sourceFile("examples/drillstem-test.pas")));
    capture(program.waitForDialogWith(IDC_FNAME), L"statistics");
  }
  {
    Program program(quoted(write(L"empty well.pas", "")));
    capture(program.waitForDialogWith(IDC_FNAME), L"statistics-empty");
  }
  {
    std::string longValues = "~VERSION,TYPE.,DST,PAS file Type,\n~VERSION,VERS.,3.0,PAS file version,\n";
    longValues += "~WELL INFORMATION,UWI.," + std::string(150, 'U') + ",Unique Well ID,\n";
    longValues += "~WELL INFORMATION,COMP.,";
    for (int i = 0; i < 12; ++i) longValues += "Hollowmere Exploration and Sounding Company Limited ";
    longValues += ",Company Name,\n~WELL INFORMATION,FORM.,Nordegg,Formation Name,\n";
    Program program(quoted(write(L"a rather long file name for a pressure test of a well.pas", longValues)));
    capture(program.waitForDialogWith(IDC_FNAME), L"statistics-long");
  }
  {
    std::string text = "~VERSION,TYPE.,WAN,PAS file Type,\n~VERSION,VERS.,2.0,PAS file version,\n";
    for (int i = 0; i < 1000000; ++i) text += "~CATIONS,NA.MG/L,1000.25,Sodium,\n";
    Program program(quoted(write(L"large.pas", text)));
    HWND stats = program.waitForDialogWith(IDC_FNAME);
    click(stats, IDC_CONVERT);
    capture(saveDialogOf(program), L"save-workbook");
    answerSaveDialog(program, (out / L"large.xlsx").wstring());
    HWND progress = program.waitForWindow([](HWND w) { return textOf(w).rfind(L"Reading ", 0) == 0; });
    Sleep(200);
    capture(progress, L"progress");
    progress = program.waitForWindow([](HWND w) { return textOf(w).rfind(L"Saving the workbook... ", 0) == 0; }, 120000);
    capture(progress, L"progress-saving");
    if (progress) PostMessageW(GetDlgItem(progress, IDCANCEL), BM_CLICK, 0, 0);
    program.waitForWindow([&](HWND w) { return GetDlgItem(w, IDC_FNAME) && w != stats; });
  }
  {
    Program program(quoted(out / L"no such well.pas"));
    capture(program.waitForDialogWith(kMessageText), L"message");
  }
  if (argc == 3) {  // the installer's pages, installing into the folder and out again
    const fs::path folder = out / L"installed";
    InstallerPages pages(argv[2], folder.wstring());
    capture(pages.window, L"installer-welcome");
    capture(pages.next(L"Destination Folder"), L"installer-folder");
    capture(pages.next(L"Read README.txt"), L"installer-finish");
    if (HWND run = findControl(pages.window, L"Run Tarnwell")) SendMessageW(run, BM_SETCHECK, BST_UNCHECKED, 0);
    click(pages.window, IDOK);
    pages.program.waitForExit();
    Program uninstall(L"/S", (folder / L"Uninstall.exe").wstring());
    uninstall.waitForExit();
    for (int i = 0; i < 600 && fs::exists(folder / L"Uninstall.exe"); ++i) Sleep(100);
  }
  return failures ? 1 : 0;
}
