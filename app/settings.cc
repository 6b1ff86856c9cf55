#include "app/settings.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/platform.h"

namespace tnw::gui {

namespace {

std::vector<std::string> linesOf(const std::string& file) {
  std::vector<std::string> lines;
  std::ifstream in(platform::pathFromUtf8(file), std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

std::string readSetting(const std::string& file, const std::string& key) {
  for (const std::string& line : linesOf(file))
    if (line.starts_with(key + "=")) return line.substr(key.size() + 1);
  return {};
}

bool writeSetting(const std::string& file, const std::string& key, const std::string& value) {
  if (file.empty() || value.find_first_of("\r\n") != std::string::npos) return false;
  std::vector<std::string> lines = linesOf(file);
  std::erase_if(lines, [&](const std::string& line) { return line.starts_with(key + "="); });
  lines.push_back(key + "=" + value);
  const std::filesystem::path path = platform::pathFromUtf8(file);
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  // Whole or not at all: a half-written file would lose the other keys.
  const std::string temp = file + ".new";
  {
    std::ofstream out(platform::pathFromUtf8(temp), std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) out << line << '\n';
    if (!out.flush()) return false;
  }
  std::string problem;
  return platform::replaceFile(temp, file, &problem);
}

}  // namespace tnw::gui
