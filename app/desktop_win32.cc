// The desktop's file associations on Windows: the types we ask about become the extensions
// the registry knows them by.
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <cstring>

#include "app/desktop.h"
#include "app/win32/shell_win32.h"
#include "platform/platform.h"

namespace tnw::gui::desktop {

namespace {

std::string extensionOf(const std::string& mimeType) {
  if (mimeType == kPasType) return ".pas";
  if (mimeType == kTextType) return ".txt";
  if (mimeType == kTemplateType) return ".xltx";
  if (mimeType == kWorkbookType) return ".xlsx";
  return {};
}

}  // namespace

std::optional<Program> defaultProgram(const std::string& mimeType, bool) {
  const std::string extension = extensionOf(mimeType);
  if (extension.empty()) return std::nullopt;
  std::string executable = win32::associatedExecutable(extension);
  if (executable.empty()) return std::nullopt;
  const size_t slash = executable.find_last_of("\\/");
  return Program{extension, executable.substr(slash == std::string::npos ? 0 : slash + 1), executable};
}

Launch openWithDefault(const std::string& mimeType, const std::string& path, bool exactType) {
  Launch launch;
  // Workbooks go through the shell's own action for them: for a template that is "New", a
  // fresh workbook made from it, which is what the user is meant to get.
  if (mimeType == kTemplateType || mimeType == kWorkbookType) {
    std::string problem;
    if (win32::openWithDefaultAction(path, &problem)) {
      launch.outcome = Launch::kStarted;
    } else if (!defaultProgram(mimeType, exactType)) {
      launch.outcome = Launch::kNoProgram;
    } else {
      launch.outcome = Launch::kFailed;
      launch.program = defaultProgram(mimeType, exactType)->name;
      launch.error = problem;
    }
    return launch;
  }
  std::optional<Program> program = defaultProgram(mimeType, exactType);
  if (!program) return launch;
  launch.program = program->name;
  // The path is one argument, quoted by the rules of the command line: never split at blanks.
  if (win32::launchWithArgument(program->executable, path)) {
    launch.outcome = Launch::kStarted;
  } else {
    launch.outcome = Launch::kFailed;
    launch.error = "it could not be started";
  }
  return launch;
}

std::string documentsFolder() {
  PWSTR path = nullptr;
  std::string folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_CREATE, nullptr, &path)))
    folder = platform::pathToUtf8(std::filesystem::path(path));
  CoTaskMemFree(path);
  return folder;
}

}  // namespace tnw::gui::desktop
