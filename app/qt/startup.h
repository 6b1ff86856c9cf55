// The program's start: register with the desktop, clear out old exports, read the command
// line, and then show the statistics dialog of the file named on it, or the main dialog, or end.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "app/command_line.h"
#include "app/qt/gui_export.h"
#include "app/shell_registration.h"

class QWidget;

namespace tnw::gui {

struct Startup {
  std::string executable;  // what the desktop entry starts
  std::string iconPng;     // the icon the desktop shows for it
  ShellPaths paths = shellPathsFromEnvironment();
  ToolRunner runTool = desktop::runProgram;
  GuiExportOptions exportOptions;
  std::function<QStringList(QWidget*)> chooseFile;  // the main dialog's; the system's dialog when unset
};

// The registration every start does; its problems go to stderr. False when there were any.
bool registerAtStart(const Startup& startup);

// Removes the exports that are no longer needed from the folder the export saves into.
void removeOldExportsAtStart(const Startup& startup);

// Everything after the command line is read, with the application object in place: the
// registration, then the branch the command line asks for. Returns the exit status.
int runStartup(const CommandLine& line, const Startup& startup);

// main(): the command line first (help, version and registration need no display), then the
// application object and runStartup.
int runTarnwell(int argc, char** argv);

}  // namespace tnw::gui
