// The Win32 views of the desktop program: thin windows over the same flows as the Qt views.
#pragma once

#include <windows.h>

#include <string>

#include "app/export_flow.h"
#include "pas/line_source.h"
#include "pas/pas_converter.h"

namespace tnw::win32 {

// The main dialog, modal; returns when the user leaves it.
void runMainDialog(const gui::GuiExportOptions& options);

// The statistics dialog of a file the command line named: again after a cancelled export.
int runFileFlow(const std::string& path, const gui::GuiExportOptions& options);

// The export, with its progress window: the conversion on a worker thread while this thread
// keeps the window live. `owner` and the program's other windows take no input meanwhile.
gui::GuiExportResult runExport(HWND owner, pas::LineSource& source, const std::string& path,
                               const gui::GuiExportOptions& options);
// Any export: one file's, or the summary of several.
gui::GuiExportResult runExport(HWND owner, const gui::ExportJob& job, const gui::GuiExportOptions& options);

// "Tarnwell" message boxes.
void showMessage(HWND owner, UINT icon, const std::string& utf8);

std::wstring wide(const std::string& utf8);
std::string narrow(const std::wstring& text);

}  // namespace tnw::win32
