#include "app/win32/views.h"

#include <commctrl.h>
#include <cderr.h>
#include <commdlg.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cctype>
#include <cwchar>
#include <filesystem>
#include <memory>
#include <string_view>
#include <thread>

#include "app/button_names.h"
#include "app/default_reader.h"
#include "app/export_folder.h"
#include "app/pas_file.h"
#include "app/progress_channel.h"
#include "app/summary_export.h"
#include "app/version.h"
#include "app/win32/resource.h"
#include "app/win32/shell_win32.h"
#include "pas/type_detection.h"
#include "platform/platform.h"
#include "sheet/text_encoding.h"

namespace tnw::win32 {

namespace {

constexpr COLORREF kRed = RGB(0xC8, 0x32, 0x28), kNavy = RGB(0x1F, 0x3A, 0x68), kInk = RGB(0x10, 0x2A, 0x52),
                   kLabel = RGB(0x5A, 0x66, 0x78), kBlue = RGB(0x1A, 0x4F, 0xB5), kPage = RGB(0xEC, 0xEE, 0xF1);
constexpr const wchar_t* kLink = L"<a href=\"https://tarnwell.hollowmere.example/\">tarnwell.hollowmere.example</a>";
constexpr UINT kLoadDropped = WM_APP + 1;  // the main dialog loads the files dropped on it
constexpr UINT kWorkerDone = WM_APP + 2;   // the export's worker has finished

HINSTANCE instance() { return GetModuleHandleW(nullptr); }

// The monitor's scale: the layouts are in pixels at 96 dots per inch.
UINT dpiOf(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static auto get = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  UINT dpi = get && window ? get(window) : 0;
  if (dpi) return dpi;
  HDC screen = GetDC(nullptr);
  dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi ? dpi : 96;
}

int px(HWND window, int pixels) { return MulDiv(pixels, dpiOf(window), 96); }

HFONT makeFont(HWND window, int points, bool bold) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  LOGFONTW font = metrics.lfMessageFont;
  font.lfHeight = -MulDiv(points, dpiOf(window), 72);
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  return CreateFontIndirectW(&font);
}

// The fonts a window made, freed with it.
struct Fonts {
  HFONT normal = nullptr, bold = nullptr, title = nullptr, large = nullptr;
  void make(HWND window, int titlePoints, int largePoints) {
    normal = makeFont(window, 9, false);
    bold = makeFont(window, 9, true);
    title = makeFont(window, titlePoints, true);
    large = makeFont(window, largePoints, false);
  }
  ~Fonts() {
    for (HFONT font : {normal, bold, title, large})
      if (font) DeleteObject(font);
  }
};

HWND child(HWND parent, const wchar_t* cls, const std::wstring& text, DWORD style, int id, int x, int y, int w, int h,
           HFONT font) {
  HWND control = CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, px(parent, x), px(parent, y),
                                 px(parent, w), px(parent, h), parent, reinterpret_cast<HMENU>(INT_PTR(id)),
                                 instance(), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

// A link as wide as its text, its right end at `right`: it lies on the page's picture, and
// would cover it with its own background.
HWND linkAtRight(HWND parent, int id, int right, int y, HFONT font) {
  HWND link = child(parent, WC_LINK, kLink, 0, id, right - 196, y, 196, 18, font);
  SIZE ideal{};
  // LM_GETIDEALSIZE, which MinGW names by its older use.
  SendMessageW(link, LM_GETIDEALHEIGHT, px(parent, 196), reinterpret_cast<LPARAM>(&ideal));
  if (ideal.cx > 0)
    SetWindowPos(link, nullptr, px(parent, right) - ideal.cx, px(parent, y), ideal.cx, std::max<LONG>(ideal.cy, 1),
                 SWP_NOZORDER);
  return link;
}

HICON loadIcon(int id, int size) {
  return static_cast<HICON>(LoadImageW(instance(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

// The tooltips of a dialog's buttons; the dialog owns it and takes it along when it goes.
HWND makeTooltips(HWND dialog) {
  return CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, instance(),
                         nullptr);
}

// A square button that shows an icon. Its text names it: screen readers say it, and its "&"
// letter with Alt presses it; the tooltip shows the name to everyone else.
HWND iconButton(HWND parent, HWND tips, int id, std::string_view name, HICON icon, int x, int y, int w, int h,
                HFONT font) {
  HWND button = child(parent, L"BUTTON", wide(std::string(name)), BS_PUSHBUTTON | BS_ICON | WS_TABSTOP, id, x, y, w,
                      h, font);
  SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
  std::wstring tip = wide(gui::withoutMnemonic(name));
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = parent;
  tool.uId = reinterpret_cast<UINT_PTR>(button);
  tool.lpszText = tip.data();
  SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  return button;
}

void setClientSize(HWND window, int width, int height) {
  RECT rect{0, 0, px(window, width), px(window, height)};
  AdjustWindowRectEx(&rect, GetWindowLongW(window, GWL_STYLE), FALSE, GetWindowLongW(window, GWL_EXSTYLE));
  SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER);
}

void centreOn(HWND window, HWND over) {
  RECT outer, inner;
  if (over && IsWindowVisible(over))
    GetWindowRect(over, &outer);
  else
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &outer, 0);
  GetWindowRect(window, &inner);
  const int w = inner.right - inner.left, h = inner.bottom - inner.top;
  SetWindowPos(window, nullptr, (outer.left + outer.right - w) / 2, (outer.top + outer.bottom - h) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
}

void setIcons(HWND window) {
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(loadIcon(IDI_TARNWELL, GetSystemMetrics(SM_CXICON))));
  SendMessageW(window, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(loadIcon(IDI_TARNWELL, GetSystemMetrics(SM_CXSMICON))));
}

// The wait cursor while a step takes the thread.
class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }

 private:
  HCURSOR previous_;
};

// A link opened in the browser.
void openLink(const NMHDR* header) {
  if (header->code != NM_CLICK && header->code != NM_RETURN) return;
  const auto* link = reinterpret_cast<const NMLINK*>(header);
  ShellExecuteW(nullptr, L"open", link->item.szUrl, nullptr, nullptr, SW_SHOWNORMAL);
}

std::string fileNameOf(const std::string& path) { return platform::fileName(path); }

UINT iconOf(gui::Notice::Kind kind) {
  switch (kind) {
    case gui::Notice::kInformation: return MB_ICONINFORMATION;
    case gui::Notice::kWarning: return MB_ICONWARNING;
    case gui::Notice::kError: break;
  }
  return MB_ICONERROR;
}

// The system's save dialog, opened in the suggested file's folder with its name: the full path
// in the name field is what opens it there (the initial folder alone gives way to the one the
// shell last remembered). The dialog adds ".xlsx" to a name typed without it and asks before a
// file is replaced.
std::string askWhereToSave(HWND owner, const std::string& suggested) {
  std::wstring file = wide(suggested);
  file.resize(32768, L'\0');
  OPENFILENAMEW save{};
  save.lStructSize = sizeof save;
  save.hwndOwner = owner && IsWindowVisible(owner) ? owner : nullptr;
  save.lpstrTitle = L"Save the workbook";
  save.lpstrFilter = L"Excel workbooks (*.xlsx)\0*.xlsx\0\0";
  save.lpstrFile = file.data();
  save.nMaxFile = static_cast<DWORD>(file.size());
  save.lpstrDefExt = L"xlsx";
  save.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
  if (!GetSaveFileNameW(&save)) return {};
  return narrow(file.c_str());
}

// ---------------------------------------------------------------------------------------------
// The statistics dialog.

struct StatsState {
  std::string fileName;
  const pas::PasConverter* converter = nullptr;
  bool addCharts = true;
  Fonts fonts;
  HBRUSH page = nullptr;
  int pageHeight = 0;
};

// Longer than anyone reads in a dialog: shown shortened. Real values are far shorter; this
// keeps a runaway one from pushing the others off the screen.
constexpr size_t kFieldLimit = 200;

std::wstring fieldText(const std::string& utf8, bool middle) {
  std::wstring text = wide(utf8);
  if (text.size() <= kFieldLimit) return text;
  size_t head = middle ? kFieldLimit / 2 : kFieldLimit - 1;
  if (IS_HIGH_SURROGATE(text[head - 1])) --head;
  size_t tail = middle ? kFieldLimit / 2 - 1 : 0;
  if (tail > 0 && IS_LOW_SURROGATE(text[text.size() - tail])) --tail;
  return text.substr(0, head) + L"\u2026" + text.substr(text.size() - tail);
}

// The height a text takes wrapped at a width, in pixels.
int wrappedHeight(HWND window, HFONT font, const std::wstring& text, int width) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font);
  RECT rect{0, 0, width, 0};
  DrawTextW(dc, text.empty() ? L" " : text.c_str(), -1, &rect, DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return rect.bottom;
}

HICON shellIcon(const wchar_t* likeName, int fallback, int size) {
  // With no program for the type, the shell gives its blank picture of an unknown file, the
  // same for both buttons: ours tell them apart.
  if (associatedExecutable(narrow(std::wcsrchr(likeName, L'.'))).empty()) return loadIcon(fallback, size);
  SHFILEINFOW info{};
  if (SHGetFileInfoW(likeName, FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                     SHGFI_ICON | SHGFI_LARGEICON | SHGFI_USEFILEATTRIBUTES) &&
      info.hIcon)
    return info.hIcon;
  return loadIcon(fallback, size);
}

void layOutStats(HWND dialog, StatsState& s) {
  const pas::PasConverter& c = *s.converter;
  struct Row {
    int id;
    const wchar_t* label;
    std::string value;
  } rows[] = {
      {IDC_TYPE, L"Type:", sheet::toUtf8(pas::typeDisplayName(c.typeText()))},
      {IDC_UWI, L"UWI:", sheet::toUtf8(c.uwi())},
      {IDC_OPERATOR, L"Company:", sheet::toUtf8(c.company())},
      {IDC_FORMATION, L"Formation:", sheet::toUtf8(c.formation())},
  };
  constexpr int kWidth = 380, kLabel = 88, kPad = 7;
  const int scale = static_cast<int>(dpiOf(dialog));
  auto unscaled = [&](int pixels) { return MulDiv(pixels, 96, scale); };
  std::wstring name = fieldText(s.fileName, true);
  int y = 12;
  int h = unscaled(wrappedHeight(dialog, s.fonts.title, name, px(dialog, kWidth - 2 * kPad)));
  child(dialog, L"STATIC", name, SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, IDC_FNAME, kPad, y, kWidth - 2 * kPad, h,
        s.fonts.title);
  y += h + 16;
  for (const Row& row : rows) {
    std::wstring value = fieldText(row.value, false);
    const int valueWidth = kWidth - kLabel - 3 * kPad;
    h = std::max(16, unscaled(wrappedHeight(dialog, row.id == IDC_TYPE ? s.fonts.bold : s.fonts.normal, value,
                                            px(dialog, valueWidth))));
    child(dialog, L"STATIC", row.label, SS_RIGHT | SS_NOPREFIX, 0, kPad, y, kLabel, 16, s.fonts.normal);
    child(dialog, L"STATIC", value, SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, row.id, kLabel + 2 * kPad, y, valueWidth, h,
          row.id == IDC_TYPE ? s.fonts.bold : s.fonts.normal);
    y += h + 2 * kPad;
  }
  if (std::wstring note = wide(gui::statisticsNote(c)); !note.empty()) {
    h = unscaled(wrappedHeight(dialog, s.fonts.normal, note, px(dialog, kWidth - 2 * kPad)));
    child(dialog, L"STATIC", note, SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, IDC_STATS_NOTE, kPad, y, kWidth - 2 * kPad,
          h, s.fonts.normal);
    y += h + 2 * kPad;
  }
  s.pageHeight = std::max(232, y);
  y = s.pageHeight + 12;
  HWND charts = child(dialog, L"BUTTON", L"&Add charts", BS_AUTOCHECKBOX | WS_TABSTOP, IDC_ADD_CHARTS, 16, y, 200, 20,
                      s.fonts.normal);
  Button_SetCheck(charts, s.addCharts ? BST_CHECKED : BST_UNCHECKED);
  y += 32;
  const int icon = px(dialog, 32);
  HWND tips = makeTooltips(dialog);
  iconButton(dialog, tips, IDC_CONVERT, gui::kConvertButton, shellIcon(L"Test.xls", IDI_SPREADSHEET, icon), 16, y, 56,
             52, s.fonts.normal);
  iconButton(dialog, tips, IDC_VIEW_AS_TEXT, gui::kViewAsTextButton, shellIcon(L"Test.txt", IDI_TEXT, icon), 82, y,
             56, 52, s.fonts.normal);
  iconButton(dialog, tips, IDC_CLOSE, gui::kCloseButton, loadIcon(IDI_EXIT, icon), kWidth - 16 - 56, y, 56, 52,
             s.fonts.normal);
  setClientSize(dialog, kWidth, y + 52 + 12);
}

INT_PTR CALLBACK statsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* s = reinterpret_cast<StatsState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      s = reinterpret_cast<StatsState*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      setIcons(dialog);
      s->fonts.make(dialog, 13, 9);
      s->page = CreateSolidBrush(kPage);
      layOutStats(dialog, *s);
      centreOn(dialog, GetParent(dialog));
      // The close button has the focus and is the default: Enter never starts a conversion.
      SendMessageW(dialog, DM_SETDEFID, IDC_CLOSE, 0);
      SetFocus(GetDlgItem(dialog, IDC_CLOSE));
      return FALSE;
    }
    case WM_ERASEBKGND: {
      RECT all, page;
      GetClientRect(dialog, &all);
      page = all;
      page.bottom = px(dialog, s->pageHeight);
      FillRect(reinterpret_cast<HDC>(wParam), &all, GetSysColorBrush(COLOR_BTNFACE));
      FillRect(reinterpret_cast<HDC>(wParam), &page, s->page);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      if (id == IDC_ADD_CHARTS) return FALSE;
      SetBkColor(dc, kPage);
      SetTextColor(dc, id == IDC_FNAME ? kBlue : id == IDC_STATS_NOTE ? kRed : id == 0 ? kLabel : kNavy);
      return reinterpret_cast<INT_PTR>(s->page);
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_CONVERT:
        case IDC_VIEW_AS_TEXT:
          s->addCharts = IsDlgButtonChecked(dialog, IDC_ADD_CHARTS) == BST_CHECKED;
          EndDialog(dialog, LOWORD(wParam));
          return TRUE;
        case IDC_CLOSE:
        case IDCANCEL:
          s->addCharts = IsDlgButtonChecked(dialog, IDC_ADD_CHARTS) == BST_CHECKED;
          EndDialog(dialog, IDCANCEL);
          return TRUE;
      }
      break;
    case WM_DESTROY:
      if (s && s->page) DeleteObject(s->page);
      break;
  }
  return FALSE;
}

// ---------------------------------------------------------------------------------------------
// The configuration and About dialogs.

struct SmallState {
  Fonts fonts;
  bool isDefault = false;
};

// OK and Cancel both just close the small dialogs, which change nothing.
INT_PTR closedByOkOrCancel(HWND dialog, WPARAM wParam) {
  if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) return FALSE;
  EndDialog(dialog, LOWORD(wParam));
  return TRUE;
}

INT_PTR CALLBACK configProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* s = reinterpret_cast<SmallState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      s = reinterpret_cast<SmallState*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      setIcons(dialog);
      s->fonts.make(dialog, 9, 9);
      HWND box = child(dialog, L"BUTTON", L"Make Tarnwell the default PAS Reader", BS_AUTOCHECKBOX, IDC_IS_DEFAULT, 22,
                       22, 320, 20, s->fonts.normal);
      Button_SetCheck(box, s->isDefault ? BST_CHECKED : BST_UNCHECKED);
      EnableWindow(box, FALSE);  // shows the state; the registration at every start sets it
      child(dialog, L"STATIC",
            L"Tarnwell makes itself the program for PAS files each time it starts, unless another program has "
            L"been chosen for them.",
            SS_LEFT | SS_NOPREFIX, IDC_NOTE, 22, 50, 320, 48, s->fonts.normal);
      child(dialog, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 168, 110, 84, 26, s->fonts.normal);
      child(dialog, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 260, 110, 84, 26, s->fonts.normal);
      setClientSize(dialog, 360, 150);
      centreOn(dialog, GetParent(dialog));
      SetFocus(GetDlgItem(dialog, IDOK));
      return FALSE;
    }
    case WM_COMMAND:
      return closedByOkOrCancel(dialog, wParam);
  }
  return FALSE;
}

// The four numbers of the product version in this executable's version resource.
std::wstring resourceVersion() {
  wchar_t self[MAX_PATH * 4];
  DWORD length = GetModuleFileNameW(nullptr, self, static_cast<DWORD>(std::size(self)));
  if (!length || length == std::size(self)) return wide(gui::programVersion());
  DWORD ignored = 0, size = GetFileVersionInfoSizeW(self, &ignored);
  std::vector<unsigned char> block(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (!size || !GetFileVersionInfoW(self, 0, size, block.data()) ||
      !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) || !fixed)
    return wide(gui::programVersion());
  return wide(gui::formatVersion(HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
                                 HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS)));
}

INT_PTR CALLBACK aboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* s = reinterpret_cast<SmallState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      s = reinterpret_cast<SmallState*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      setIcons(dialog);
      s->fonts.make(dialog, 9, 9);
      HWND icon = child(dialog, L"STATIC", L"", SS_ICON | SS_REALSIZEIMAGE, 0, 20, 20, 64, 64, s->fonts.normal);
      SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(loadIcon(IDI_TARNWELL, px(dialog, 64))), 0);
      child(dialog, L"STATIC", L"Tarnwell Version " + resourceVersion(), SS_LEFT | SS_NOPREFIX, IDC_VERSION, 102, 22,
            280, 20, s->fonts.bold);
      child(dialog, L"STATIC", L"Made by Hollowmere.\nReads ERCB Pressure ASCII Standard well-test files.",
            SS_LEFT | SS_NOPREFIX, IDC_MAKER, 102, 50, 300, 40, s->fonts.normal);
      child(dialog, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 316, 104, 84, 26, s->fonts.normal);
      setClientSize(dialog, 420, 144);
      centreOn(dialog, GetParent(dialog));
      SetFocus(GetDlgItem(dialog, IDOK));
      return FALSE;
    }
    case WM_COMMAND:
      return closedByOkOrCancel(dialog, wParam);
  }
  return FALSE;
}

void showConfiguration(HWND owner) {
  SmallState state;
  {
    WaitCursor wait;
    std::optional<std::string> reader = gui::defaultPasReader();
    state.isDefault = reader && gui::looksLikeTarnwell(*reader);
  }
  DialogBoxParamW(instance(), MAKEINTRESOURCEW(IDD_CONFIG), owner, configProc, reinterpret_cast<LPARAM>(&state));
}

void showAbout(HWND owner) {
  SmallState state;
  DialogBoxParamW(instance(), MAKEINTRESOURCEW(IDD_ABOUT), owner, aboutProc, reinterpret_cast<LPARAM>(&state));
}

// ---------------------------------------------------------------------------------------------
// The progress window: modeless, driven by the export's own message loop.

struct StatusState {
  Fonts fonts;
  gui::ProgressChannel* channel = nullptr;
  bool cancelled = false;
};

INT_PTR CALLBACK statusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* s = reinterpret_cast<StatusState*>(GetWindowLongPtrW(window, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      s = reinterpret_cast<StatusState*>(lParam);
      SetWindowLongPtrW(window, DWLP_USER, lParam);
      setIcons(window);  // the task bar shows it when no other window of the program is open
      s->fonts.make(window, 20, 11);
      child(window, L"STATIC", L"Tarnwell", SS_CENTER | SS_NOPREFIX, 0, 0, 12, 440, 36, s->fonts.title);
      child(window, L"STATIC", L"Initializing...", SS_CENTER | SS_NOPREFIX | SS_ENDELLIPSIS, IDC_STATUS_TEXT, 10, 56,
            420, 24, s->fonts.large);
      child(window, WC_LINK, kLink, 0, IDC_LINK, 122, 88, 196, 18, s->fonts.normal);
      child(window, L"BUTTON", L"Cancel", BS_DEFPUSHBUTTON | WS_TABSTOP, IDCANCEL, 172, 118, 96, 28, s->fonts.normal);
      setClientSize(window, 440, 162);
      return TRUE;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, RGB(255, 255, 255));
      SetTextColor(dc, GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_STATUS_TEXT ? kNavy : kRed);
      return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    }
    case WM_NOTIFY:
      openLink(reinterpret_cast<NMHDR*>(lParam));
      return TRUE;
    case WM_COMMAND:
      // Cancel, Esc and closing the window all stop the conversion at its next line.
      if (LOWORD(wParam) == IDCANCEL && !s->cancelled) {
        s->cancelled = true;
        s->channel->requestCancel();
        SetDlgItemTextW(window, IDC_STATUS_TEXT, L"Cancelling...");
        EnableWindow(GetDlgItem(window, IDCANCEL), FALSE);
      }
      return TRUE;
    case WM_CLOSE:
      SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
      return TRUE;
  }
  return FALSE;
}

// Every top-level window of this thread but one, disabled while an export runs: they took no
// input while the export held the one thread, and they take none now.
struct DisabledWindows {
  std::vector<HWND> windows;
  static BOOL CALLBACK collect(HWND window, LPARAM self) {
    if (IsWindowEnabled(window) && IsWindowVisible(window)) reinterpret_cast<DisabledWindows*>(self)->windows.push_back(window);
    return TRUE;
  }
  DisabledWindows() {
    EnumThreadWindows(GetCurrentThreadId(), collect, reinterpret_cast<LPARAM>(this));
    for (HWND window : windows) EnableWindow(window, FALSE);
  }
  ~DisabledWindows() {
    for (HWND window : windows) EnableWindow(window, TRUE);
  }
};

// ---------------------------------------------------------------------------------------------
// The main dialog.

struct MainState {
  gui::GuiExportOptions options;
  Fonts fonts;
  HBITMAP drop = nullptr;
  HICON icons[4] = {};
  std::vector<std::string> dropped;
};

void viewAsText(HWND owner, const std::string& path) {
  gui::desktop::Launch launch;
  {
    WaitCursor wait;
    // No program for text files: nothing happens, as before.
    if (!gui::desktop::defaultProgram(gui::desktop::kTextType)) return;
    launch = gui::desktop::openWithDefault(gui::desktop::kTextType, path);
  }
  if (launch.outcome == gui::desktop::Launch::kFailed)
    showMessage(owner, MB_ICONWARNING, launch.program + " could not be started:\n" + launch.error);
}

// The statistics of a file, then what the user chose there. False when the file cannot be read.
bool loadFile(HWND owner, const std::string& path, gui::GuiExportOptions& options) {
  std::string err;
  auto source = gui::openPasFile(path, &err);
  if (!source) {
    showMessage(owner, MB_ICONWARNING, err);
    return false;
  }
  pas::PasConverter scan(nullptr);
  {
    WaitCursor wait;
    scan.scanHeader(*source);
  }
  source->close();  // the conversion opens it afresh
  StatsState stats;
  stats.fileName = fileNameOf(path);
  stats.converter = &scan;
  stats.addCharts = options.charts;
  INT_PTR action =
      DialogBoxParamW(instance(), MAKEINTRESOURCEW(IDD_STATS), owner, statsProc, reinterpret_cast<LPARAM>(&stats));
  options.charts = stats.addCharts;
  if (action == IDC_CONVERT) {
    auto again = gui::openPasFile(path, &err);
    if (!again) {
      showMessage(owner, MB_ICONWARNING, err);
      return false;
    }
    runExport(owner, *again, path, options);
  } else if (action == IDC_VIEW_AS_TEXT) {
    viewAsText(owner, path);
  }
  return true;
}

// One PAS file goes through its statistics; several, or a folder, make one summary workbook.
void loadFiles(HWND owner, const std::vector<std::string>& paths, gui::GuiExportOptions& options) {
  if (gui::wantsSummary(paths))
    runExport(owner, gui::summaryJob(paths), options);
  else if (!paths.empty())
    loadFile(owner, paths.front(), options);
}

// What the open-file dialog hands back: one full path, or with several files chosen the folder
// and then each name, every one ended by a null, the last by two.
std::vector<std::string> chosenFiles(const wchar_t* buffer) {
  std::wstring first = buffer;
  const wchar_t* name = buffer + first.size() + 1;
  if (!*name) return {narrow(first)};
  if (!first.empty() && first.back() != L'\\') first += L'\\';  // not after a drive's root, "C:\\"
  std::vector<std::string> files;
  for (; *name; name += std::wcslen(name) + 1) files.push_back(narrow(first + name));
  return files;
}

void load(HWND dialog, MainState& s) {
  // Room for a few thousand names chosen at once.
  std::vector<wchar_t> buffer(1 << 20, L'\0');
  std::wcscpy(buffer.data(), L"*.pas");
  OPENFILENAMEW open{};
  open.lStructSize = sizeof open;
  open.hwndOwner = dialog;
  open.lpstrFilter = L"ERCB Pressure ASCII Standard (*.pas)\0*.pas\0\0";
  open.lpstrFile = buffer.data();
  open.nMaxFile = static_cast<DWORD>(buffer.size());
  open.lpstrDefExt = L"pas";
  open.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER | OFN_ALLOWMULTISELECT;
  if (!GetOpenFileNameW(&open)) {
    if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
      showMessage(dialog, MB_ICONWARNING,
                  "Too many files were chosen at once. Choose fewer, or drop their folder on Tarnwell.");
    return;
  }
  loadFiles(dialog, chosenFiles(buffer.data()), s.options);
}

void paintPage(HWND dialog, MainState& s, HDC dc) {
  const int side = px(dialog, 400);
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, s.drop);
  BITMAP info{};
  GetObjectW(s.drop, sizeof info, &info);
  SetStretchBltMode(dc, HALFTONE);
  StretchBlt(dc, 0, 0, side, side, memory, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  SetBkMode(dc, TRANSPARENT);
  auto text = [&](const wchar_t* words, HFONT font, COLORREF colour, int top, int height) {
    RECT rect{0, px(dialog, top), side, px(dialog, top + height)};
    SelectObject(dc, font);
    SetTextColor(dc, colour);
    DrawTextW(dc, words, -1, &rect, DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  };
  text(L"Tarnwell", s.fonts.title, kRed, 12, 52);
  text(L"Reader for ERCB Pressure ASCII Standard well-test files", s.fonts.normal, kNavy, 64, 20);
  text(L"Load a PAS file, or drop one here.", s.fonts.bold, kInk, 340, 20);
}

INT_PTR CALLBACK mainProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* s = reinterpret_cast<MainState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      s = reinterpret_cast<MainState*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      setIcons(dialog);
      s->fonts.make(dialog, 30, 9);
      s->drop = static_cast<HBITMAP>(LoadImageW(instance(), MAKEINTRESOURCEW(IDB_DROP), IMAGE_BITMAP, 0, 0, 0));
      const int ids[] = {IDC_LOAD, IDC_CONFIGURATION, IDC_ABOUT, IDC_EXIT};
      const int icons[] = {IDI_LOAD, IDI_CONFIGURATION, IDI_ABOUT, IDI_EXIT};
      const std::string_view names[] = {gui::kLoadButton, gui::kConfigurationButton, gui::kAboutButton,
                                        gui::kExitButton};
      const int xs[] = {14, 88, 162, 400 - 14 - 64};
      HWND tips = makeTooltips(dialog);
      for (int i = 0; i < 4; ++i) {
        s->icons[i] = loadIcon(icons[i], px(dialog, 32));
        iconButton(dialog, tips, ids[i], names[i], s->icons[i], xs[i], 412, 64, 54, s->fonts.normal);
      }
      linkAtRight(dialog, IDC_LINK, 390, 368, s->fonts.normal);
      // Where the About box has always been as well: the window's own menu.
      HMENU system = GetSystemMenu(dialog, FALSE);
      AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(system, MF_STRING, IDM_ABOUT, L"&About Tarnwell...");
      DragAcceptFiles(dialog, TRUE);
      setClientSize(dialog, 400, 478);
      centreOn(dialog, nullptr);
      SetFocus(GetDlgItem(dialog, IDC_LOAD));
      return FALSE;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(dialog, &paint);
      paintPage(dialog, *s, dc);
      EndPaint(dialog, &paint);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
      // The link lies on the page's picture, which is light there.
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return reinterpret_cast<INT_PTR>(GetStockObject(HOLLOW_BRUSH));
    case WM_NOTIFY:
      openLink(reinterpret_cast<NMHDR*>(lParam));
      return TRUE;
    case WM_DROPFILES: {
      auto drop = reinterpret_cast<HDROP>(wParam);
      const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      s->dropped.clear();
      for (UINT i = 0; i < count; ++i) {
        std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
        DWORD attributes = GetFileAttributesW(name.c_str());
        bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (folder || (name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".pas") == 0))
          s->dropped.push_back(narrow(name));
      }
      DragFinish(drop);
      // Not from inside the drop: Explorer waits until the drop returns.
      if (!s->dropped.empty()) PostMessageW(dialog, kLoadDropped, 0, 0);
      return TRUE;
    }
    case kLoadDropped: {
      std::vector<std::string> paths = std::move(s->dropped);
      s->dropped.clear();
      loadFiles(dialog, paths, s->options);
      return TRUE;
    }
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUT) {
        showAbout(dialog);
        return TRUE;
      }
      break;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_LOAD:
          load(dialog, *s);
          return TRUE;
        case IDC_CONFIGURATION:
          showConfiguration(dialog);
          return TRUE;
        case IDC_ABOUT:
          showAbout(dialog);
          return TRUE;
        case IDC_EXIT:
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
      }
      break;
    case WM_DESTROY:
      if (s && s->drop) DeleteObject(s->drop);
      break;
  }
  return FALSE;
}

}  // namespace

std::wstring wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string narrow(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

void showMessage(HWND owner, UINT icon, const std::string& utf8) {
  MessageBoxW(owner && IsWindowVisible(owner) ? owner : nullptr, wide(utf8).c_str(), L"Tarnwell", MB_OK | icon);
}

gui::GuiExportResult runExport(HWND owner, pas::LineSource& source, const std::string& path,
                               const gui::GuiExportOptions& options) {
  return runExport(owner, gui::singleFileJob(source, path), options);
}

gui::GuiExportResult runExport(HWND owner, const gui::ExportJob& job, const gui::GuiExportOptions& options) {
  gui::GuiExportResult result;
  auto tell = [&](UINT icon, const std::string& text) {
    result.message = text;
    showMessage(owner, icon, text);
  };
  bool logoOk;
  {
    WaitCursor wait;
    logoOk = sheet::checkLogoFile(options.logoPath, options.logoHash);
  }
  if (!logoOk) {
    result.outcome = gui::GuiExportResult::kLogoFailed;
    tell(MB_ICONWARNING, "Could not open file: " + options.logoPath);
    return result;
  }
  // Where the workbook goes, asked before anything else is shown or runs: a Cancel there keeps
  // nothing and costs nothing.
  const gui::ExportPlan plan =
      gui::planExport(job.path, options, [&](const std::string& suggested) { return askWhereToSave(owner, suggested); });
  if (plan.outcome == gui::ExportPlan::kCancelled) {
    result.outcome = gui::GuiExportResult::kCancelled;
    return result;
  }
  if (plan.outcome == gui::ExportPlan::kFolderFailed) {
    result.outcome = gui::GuiExportResult::kNoSpreadsheet;
    tell(MB_ICONERROR, plan.problem);
    return result;
  }

  gui::WorkerOutcome outcome;
  {
    auto disabled = std::make_unique<DisabledWindows>();
    const DWORD uiThread = GetCurrentThreadId();
    // The worker wakes this thread's message loop when the wait may be over.
    gui::ExportWorker worker(job, plan, options,
                             [uiThread] { PostThreadMessageW(uiThread, kWorkerDone, 0, 0); });
    gui::ProgressChannel& channel = worker.channel();
    StatusState status;
    status.channel = &channel;
    HWND window = CreateDialogParamW(instance(), MAKEINTRESOURCEW(IDD_STATUS), owner, statusProc,
                                     reinterpret_cast<LPARAM>(&status));
    centreOn(window, owner);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(GetDlgItem(window, IDCANCEL));
    HCURSOR busy = SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));

    SetTimer(window, 1, static_cast<UINT>(std::max(10, options.refreshMilliseconds)), nullptr);
    MSG msg;
    // Over when the work is, or at once after a cancel: the worker then stops at its next line
    // or row, or finishes a compression it cannot stop unseen and removes its file.
    while (!worker.settled()) {
      if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
        // The program is quitting: stop at the next line, and pass the quit on.
        channel.requestCancel();
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (msg.message == WM_TIMER && msg.hwnd == window) {
        std::string text;
        if (channel.takeTitle(&text)) SetWindowTextW(window, wide(text).c_str());
        if (channel.takeLine(&text) && !status.cancelled) SetDlgItemTextW(window, IDC_STATUS_TEXT, wide(text).c_str());
        continue;
      }
      if (IsDialogMessageW(window, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    outcome = worker.finish();
    SetCursor(busy);
    disabled.reset();  // before the window goes, so that the owner takes the activation back
    DestroyWindow(window);  // never outlives the conversion, and goes before the workbook shows
  }

  std::vector<gui::Notice> notices;
  {
    WaitCursor wait;
    result = gui::finishExport(plan, job, outcome, &notices);
  }
  for (const gui::Notice& notice : notices) showMessage(owner, iconOf(notice.kind), notice.text);
  return result;
}

void runMainDialog(const gui::GuiExportOptions& options) {
  MainState state;
  state.options = options;
  DialogBoxParamW(instance(), MAKEINTRESOURCEW(IDD_MAIN), nullptr, mainProc, reinterpret_cast<LPARAM>(&state));
}

int runFileFlow(const std::string& path, const gui::GuiExportOptions& options) {
  std::string err;
  auto source = gui::openPasFile(path, &err);
  if (!source) {
    showMessage(nullptr, MB_ICONERROR, err);
    return 1;
  }
  pas::PasConverter scan(nullptr);
  {
    WaitCursor wait;
    scan.scanHeader(*source);
  }
  gui::GuiExportOptions chosen = options;
  for (;;) {
    StatsState stats;
    stats.fileName = fileNameOf(path);
    stats.converter = &scan;
    stats.addCharts = chosen.charts;
    INT_PTR action =
        DialogBoxParamW(instance(), MAKEINTRESOURCEW(IDD_STATS), nullptr, statsProc, reinterpret_cast<LPARAM>(&stats));
    chosen.charts = stats.addCharts;
    if (action == IDC_CONVERT) {
      // One source serves the scan and the export, which rewinds it.
      if (runExport(nullptr, *source, path, chosen).outcome == gui::GuiExportResult::kCancelled) continue;
    } else if (action == IDC_VIEW_AS_TEXT) {
      source->close();
      viewAsText(nullptr, path);
    }
    break;
  }
  return 0;
}

}  // namespace tnw::win32
