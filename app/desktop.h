// The desktop's file associations, through GIO: which program opens a kind of file, and
// starting it on a file. A path always reaches the program as one argument, never through a
// shell, so blanks and quotes in it do no harm.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tnw::gui::desktop {

// The MIME types we ask about.
inline constexpr const char* kPasType = "application/x-ercb-pas";
inline constexpr const char* kTextType = "text/plain";
inline constexpr const char* kWorkbookType = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";
inline constexpr const char* kTemplateType = "application/vnd.openxmlformats-officedocument.spreadsheetml.template";

struct Program {
  std::string id;          // the desktop entry, "org.gnome.TextEditor.desktop"
  std::string name;        // as the desktop names it
  std::string executable;  // the program the entry starts, as its Exec line gives it
};

// The desktop's default program for files of a MIME type, as a file manager would choose it.
// With `exactType`, only a program that names the type itself: not one that takes the files
// as those of a parent type (an archive manager for every zip-based type).
std::optional<Program> defaultProgram(const std::string& mimeType, bool exactType = false);

struct Launch {
  enum Outcome { kStarted, kNoProgram, kFailed };
  Outcome outcome = kNoProgram;
  std::string program;  // the program's name, when there is one
  std::string error;    // kFailed: why it could not be started
};

// Starts the default program for `mimeType` (as defaultProgram chooses it) on the file; does
// not wait for it.
Launch openWithDefault(const std::string& mimeType, const std::string& path, bool exactType = false);

// The user's documents folder, where a workbook is first offered to be saved: the desktop's
// own (xdg-user-dirs on Linux, the Documents known folder on Windows), else the home folder.
std::string documentsFolder();

// Runs a program (looked up in PATH) with these arguments and waits for it. False when it
// could not be run or did not succeed; *err then says why.
bool runProgram(const std::vector<std::string>& argv, std::string* err);

}  // namespace tnw::gui::desktop
