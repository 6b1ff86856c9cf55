#include "app/shell_registration.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

#include "app/desktop.h"
#include "sheet/text_encoding.h"

namespace tnw::gui {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDefaultGroup = "[Default Applications]";

std::string folderFromEnvironment(const char* variable, const char* underHome) {
  const char* value = std::getenv(variable);
  if (value && value[0] == '/') return value;  // the XDG rule: a relative value is ignored
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/" + underHome;
  return {};
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

// A string value of a desktop entry: backslashes and control characters escaped.
std::string keyFileString(std::string_view value) {
  std::string out;
  for (char c : value) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  if (!out.empty() && out.front() == ' ') out.replace(0, 1, "\\s");
  return out;
}

bool readFile(const std::string& path, std::string* content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  *content = bytes.str();
  return true;
}

// Writes the file through a temporary beside it, so it is never seen half written. A link
// (a dotfile kept elsewhere) is written through, not replaced.
bool writeIfChanged(const std::string& path, const std::string& content, bool* changed, std::string* err) {
  *changed = false;
  std::string existing;
  if (readFile(path, &existing) && existing == content) return true;
  std::error_code ec;
  fs::path target(path);
  if (fs::is_symlink(target, ec)) {
    fs::path resolved = fs::weakly_canonical(target, ec);
    if (!ec) target = resolved;
  }
  fs::create_directories(target.parent_path(), ec);
  if (ec) return *err = "cannot create " + target.parent_path().string() + ": " + ec.message(), false;
  std::random_device random;
  std::string temporary;
  std::FILE* out = nullptr;
  for (int attempt = 0; attempt < 16 && !out; ++attempt) {
    temporary = target.string() + ".tmp-" + std::to_string(random());
    out = std::fopen(temporary.c_str(), "wbx");
  }
  if (!out) return *err = "cannot write " + target.string() + ": " + std::strerror(errno), false;
  bool written = std::fwrite(content.data(), 1, content.size(), out) == content.size();
  written = (std::fclose(out) == 0) && written;
  if (written) {
    fs::perms mode = fs::status(target, ec).permissions();
    if (!ec && mode != fs::perms::unknown) fs::permissions(temporary, mode, ec);
    fs::rename(temporary, target, ec);
    if (!ec) return *changed = true, true;
  }
  int saved = errno;
  fs::remove(temporary, ec);
  *err = "cannot write " + target.string() + ": " + std::strerror(saved);
  return false;
}

}  // namespace

ShellPaths shellPathsFromEnvironment() {
  ShellPaths paths{folderFromEnvironment("XDG_DATA_HOME", ".local/share"),
                   folderFromEnvironment("XDG_CONFIG_HOME", ".config"), {}};
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  std::string_view list = dirs && dirs[0] ? dirs : "/usr/local/share/:/usr/share/";
  for (size_t at = 0; at <= list.size();) {
    size_t end = std::min(list.find(':', at), list.size());
    std::string_view dir = list.substr(at, end - at);
    if (!dir.empty() && dir.front() == '/') paths.systemDataDirs.emplace_back(dir);
    at = end + 1;
  }
  return paths;
}

std::string mimePackageXml() {
  // Weight 40: below the default 50 of text/x-pascal, so the name alone never takes a Pascal
  // source; the magic decides. Never glob-deleteall: other types keep their globs.
  // The magic looks as far as a reader looks: Qt reads the first 16 KiB of a file, so a
  // "~VERSION" that starts up to 8 bytes before that is found, after a long comment header too.
  // (GIO's look-up of a file reads its first 4 KiB, whatever the rule allows.)
  return std::string(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
      "  <mime-type type=\"") + desktop::kPasType + "\">\n"
      "    <comment>ERCB Pressure ASCII Standard well-test file</comment>\n"
      "    <acronym>PAS</acronym>\n"
      "    <expanded-acronym>Pressure ASCII Standard</expanded-acronym>\n"
      "    <sub-class-of type=\"text/plain\"/>\n"
      "    <generic-icon name=\"text-x-generic\"/>\n"
      "    <magic priority=\"80\">\n"
      "      <match type=\"string\" value=\"~VERSION\" offset=\"0:16376\"/>\n"
      "    </magic>\n"
      "    <glob pattern=\"*.pas\" weight=\"40\"/>\n"
      "    <glob pattern=\"*.PAS\" weight=\"40\"/>\n"
      "  </mime-type>\n"
      "</mime-info>\n";
}

namespace {

// The types other than ours that a database's glob index lets claim "*.pas".
void typesClaimingOurGlob(const std::string& globs2, std::vector<std::string>* types) {
  std::istringstream lines(globs2);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    // weight:type:pattern[:flags]
    size_t first = line.find(':'), second = first == std::string::npos ? first : line.find(':', first + 1);
    if (second == std::string::npos) continue;
    std::string type = line.substr(first + 1, second - first - 1);
    std::string pattern = line.substr(second + 1, line.find(':', second + 1) - second - 1);
    std::transform(pattern.begin(), pattern.end(), pattern.begin(), [](unsigned char c) { return std::tolower(c); });
    // A name that is safe in a path and an attribute: "media/subtype".
    const bool plainName = std::count(type.begin(), type.end(), '/') == 1 && type.find("..") == std::string::npos &&
                           type.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789.+-_/") ==
                               std::string::npos;
    if (pattern == "*.pas" && type != desktop::kPasType && plainName &&
        std::find(types->begin(), types->end(), type) == types->end())
      types->push_back(type);
  }
}

// The body of a type's definition as update-mime-database wrote it out ("text/x-pascal.xml"):
// everything inside <mime-type>, without the generated-file note.
std::string definitionBody(const std::string& xml) {
  size_t open = xml.find("<mime-type");
  open = open == std::string::npos ? open : xml.find('>', open);
  size_t close = xml.rfind("</mime-type>");
  if (open == std::string::npos || close == std::string::npos || close < open || xml[open - 1] == '/') return {};
  std::string body = xml.substr(open + 1, close - open - 1);
  for (size_t at; (at = body.find("<!--")) != std::string::npos;) {
    size_t end = body.find("-->", at);
    if (end == std::string::npos) return {};
    body.erase(at, end + 3 - at);
  }
  std::string lines;
  std::istringstream in(body);
  for (std::string line; std::getline(in, line);)
    if (!trimmed(line).empty()) lines += "    " + std::string(trimmed(line)) + "\n";
  return lines;
}

}  // namespace

std::string userMimePackageXml(const std::vector<std::string>& systemDataDirs) {
  std::vector<std::string> types;
  std::string text;
  for (const std::string& dir : systemDataDirs)
    if (readFile(dir + "/mime/globs2", &text)) typesClaimingOurGlob(text, &types);
  std::string copies;
  for (const std::string& type : types) {
    std::string file = type;  // written out under the lower-case name
    std::transform(file.begin(), file.end(), file.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const std::string& dir : systemDataDirs) {
      if (!readFile(dir + "/mime/" + file + ".xml", &text)) continue;
      std::string body = definitionBody(text);
      if (!body.empty()) copies += "  <mime-type type=\"" + type + "\">\n" + body + "  </mime-type>\n";
      break;  // the first folder that defines it speaks for the system, as it does to GIO
    }
  }
  std::string xml = mimePackageXml();
  return xml.insert(xml.rfind("</mime-info>"), copies);
}

std::string execArgument(std::string_view path) {
  static constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string argument;
  bool quote = path.empty() || path.find_first_of(kReserved) != std::string_view::npos;
  for (char c : path) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) argument += '\\';
    if (c == '%') argument += '%';  // a field code otherwise
    argument += c;
  }
  return quote ? "\"" + argument + "\"" : argument;
}

bool desktopEntryText(const std::string& executable, std::string* text, std::string* err) {
  if (!sheet::isValidUtf8(executable)) {
    *err = "the program's path " + sheet::toUtf8(executable) + " is not UTF-8, which a desktop entry needs";
    return false;
  }
  *text = std::string(
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Tarnwell\n"
              "GenericName=Well-Test File Reader\n"
              "Comment=Convert ERCB Pressure ASCII Standard well-test files into workbooks\n"
              "Exec=") +
          keyFileString(execArgument(executable)) + " %f\n" + "TryExec=" + keyFileString(executable) + "\n" +
          "Icon=tarnwell\n"
          "Terminal=false\n"
          "Categories=Science;Geoscience;\n"
          "Keywords=PAS;ERCB;well test;pressure;drillstem;\n"
          "MimeType=" +
          desktop::kPasType + ";\n";
  return true;
}

std::string withDefaultApplication(std::string_view mimeapps, std::string_view mimeType, std::string_view desktopId,
                                   bool* changed) {
  *changed = false;
  const std::string entry = std::string(mimeType) + "=" + std::string(desktopId) + ";";
  // Lines with their line ends, so that what is kept stays byte for byte.
  std::vector<std::string_view> lines;
  for (size_t at = 0; at < mimeapps.size();) {
    size_t end = mimeapps.find('\n', at);
    end = end == std::string_view::npos ? mimeapps.size() : end + 1;
    lines.push_back(mimeapps.substr(at, end - at));
    at = end;
  }
  auto join = [&](size_t replaceAt, size_t insertAfter, const std::string& line) {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i == replaceAt) {
        out += line + "\n";
        continue;
      }
      out += lines[i];
      if (i == insertAfter) {
        if (out.back() != '\n') out += '\n';
        out += line + "\n";
      }
    }
    return out;
  };
  size_t group = lines.size();
  for (size_t i = 0; i < lines.size() && group == lines.size(); ++i)
    if (trimmed(lines[i]) == kDefaultGroup) group = i;
  *changed = true;
  if (group == lines.size()) {
    std::string out(mimeapps);
    if (!out.empty() && out.back() != '\n') out += '\n';
    if (!out.empty()) out += '\n';
    return out + std::string(kDefaultGroup) + "\n" + entry + "\n";
  }
  size_t lastEntry = group;
  for (size_t i = group + 1; i < lines.size(); ++i) {
    std::string_view line = trimmed(lines[i]);
    if (!line.empty() && line.front() == '[') break;
    if (line.empty() || line.front() == '#') continue;
    lastEntry = i;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos || trimmed(line.substr(0, eq)) != mimeType) continue;
    std::string_view value = trimmed(line.substr(eq + 1));
    if (value.find_first_not_of("; ") != std::string_view::npos) {
      *changed = false;  // a default is set; whoever set it, it stays
      return std::string(mimeapps);
    }
    return join(i, lines.size(), entry);
  }
  return join(lines.size(), lastEntry, entry);
}

RegistrationReport registerShell(const ShellPaths& paths, const std::string& executable, const std::string& iconPng,
                                 const ToolRunner& runTool) {
  RegistrationReport report;
  std::string err;
  auto problem = [&](const std::string& what) { report.problems.push_back(what); };
  auto tool = [&](std::vector<std::string> argv) {
    report.toolsRun.push_back(argv);
    std::string toolError;
    if (!runTool(argv, &toolError)) problem("cannot refresh the desktop's cache: " + toolError);
  };
  std::error_code ec;
  if (paths.dataHome.empty()) {
    problem("cannot register the PAS file type: neither XDG_DATA_HOME nor HOME is set");
  } else {
    const std::string mime = paths.dataHome + "/mime";
    std::vector<std::string> systemDirs;
    for (const std::string& dir : paths.systemDataDirs)
      if (fs::path(dir).lexically_normal() != fs::path(paths.dataHome).lexically_normal()) systemDirs.push_back(dir);
    if (!writeIfChanged(mime + "/packages/tarnwell.xml", userMimePackageXml(systemDirs), &report.mimeTypeChanged,
                        &err))
      problem(err);
    else if (report.mimeTypeChanged || !fs::exists(mime + "/mime.cache", ec))
      tool({"update-mime-database", mime});

    const std::string applications = paths.dataHome + "/applications";
    std::string entry;
    if (!desktopEntryText(executable, &entry, &err))
      problem(err);
    else if (!writeIfChanged(applications + "/" + kDesktopId, entry, &report.desktopEntryChanged, &err))
      problem(err);
    else if (report.desktopEntryChanged || !fs::exists(applications + "/mimeinfo.cache", ec))
      tool({"update-desktop-database", "-q", applications});

    if (!iconPng.empty() &&
        !writeIfChanged(paths.dataHome + "/icons/hicolor/256x256/apps/tarnwell.png", iconPng, &report.iconChanged, &err))
      problem(err);
  }
  if (paths.configHome.empty()) {
    problem("cannot make Tarnwell the default for PAS files: neither XDG_CONFIG_HOME nor HOME is set");
  } else {
    const std::string list = paths.configHome + "/mimeapps.list";
    std::string text;
    if (!readFile(list, &text) && fs::exists(list, ec)) {
      problem("cannot read " + list);  // never write over a file we could not read
    } else {
      bool wanted = false;
      std::string updated = withDefaultApplication(text, desktop::kPasType, kDesktopId, &wanted);
      if (wanted && !writeIfChanged(list, updated, &report.defaultChanged, &err)) problem(err);
    }
  }
  return report;
}

}  // namespace tnw::gui
