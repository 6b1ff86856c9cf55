#include "app/command_line.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace tnw::gui {

const char* const kUsage =
    "Usage: tarnwell [FILE.pas]\n"
    "       tarnwell --register\n"
    "Show the facts of a PAS well-test file (ERCB Pressure ASCII Standard) and convert it into\n"
    "a workbook that opens in the desktop's spreadsheet program, or open it as text.\n"
    "\n"
    "  FILE.pas      show the file's statistics dialog (this is what a double-click runs)\n"
    "  (nothing)     show the main dialog\n"
    "  --register    register Tarnwell as the desktop's program for PAS files, then end\n"
    "                (also /Register, -Register, /RegServer)\n"
    "  --remove-exports  remove the workbooks handed over to the spreadsheet program, and\n"
    "                their folder when nothing else is in it, then end (also /RemoveExports)\n"
    "  -h, --help    show this help and end (also /?)\n"
    "      --version show the version and end\n"
    "\n"
    "Every start registers the PAS file type, the desktop entry and, unless you chose another\n"
    "program for PAS files, Tarnwell as their default. Workbooks are handed over as templates from\n"
    "$XDG_CACHE_HOME/tarnwell (normally ~/.cache/tarnwell) when the desktop has a program for\n"
    "templates; else Tarnwell asks where to save them.\n";

namespace {

std::string lowered(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

enum class Switch { kNone, kRegister, kRemoveExports, kOther };

// The old switches: "/name" or "-name", the name in any case.
Switch oldSwitch(std::string_view arg) {
  if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) return Switch::kNone;
  std::string name = lowered(arg.substr(1));
  if (name == "register" || name == "regserver") return Switch::kRegister;
  if (name == "removeexports") return Switch::kRemoveExports;
  static constexpr std::string_view kOthers[] = {"unregister", "unregserver", "p",         "pt",
                                                 "dde",        "automation",  "embedding"};
  for (std::string_view other : kOthers)
    if (name == other) return Switch::kOther;
  return Switch::kNone;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
  bool help = false, version = false, reg = false, removeExports = false, other = false, optionsEnded = false;
  std::string path;
  bool havePath = false;
  std::vector<std::string> ignored;
  for (const std::string& arg : args) {
    Switch old = optionsEnded ? Switch::kNone : oldSwitch(arg);
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (arg == "--help" || arg == "-h" || arg == "/?")) {
      help = true;
    } else if (!optionsEnded && arg == "--version") {
      version = true;
    } else if (!optionsEnded && arg == "--register") {
      reg = true;
    } else if (old == Switch::kRegister) {
      reg = true;
    } else if (old == Switch::kRemoveExports || (!optionsEnded && arg == "--remove-exports")) {
      removeExports = true;
    } else if (old == Switch::kOther) {
      other = true;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      ignored.push_back(arg);  // an option we do not know, as the old parser skipped them
    } else if (!havePath && !arg.empty()) {
      path = arg;
      havePath = true;
    } else {
      ignored.push_back(arg);
    }
  }
  CommandLine line;
  line.ignored = std::move(ignored);
  if (help) {
    line.kind = CommandLine::kHelp;
  } else if (version) {
    line.kind = CommandLine::kVersion;
  } else if (reg) {
    line.kind = CommandLine::kRegister;
  } else if (removeExports) {
    line.kind = CommandLine::kRemoveExports;
  } else if (other || !havePath) {
    line.kind = CommandLine::kMainDialog;
  } else {
    line.kind = CommandLine::kOpenFile;
    line.path = std::move(path);
  }
  return line;
}

}  // namespace tnw::gui
