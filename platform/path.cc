#include <string>

#include "platform/platform.h"

namespace tnw::platform {

// char8_t is the one way into and out of std::filesystem::path that means UTF-8 on every system.
std::filesystem::path pathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string pathToUtf8(const std::filesystem::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string fileName(std::string_view utf8Path) { return pathToUtf8(pathFromUtf8(utf8Path).filename()); }

std::string executableDirectory() {
  std::string self = executablePath();
  return self.empty() ? std::string() : pathToUtf8(pathFromUtf8(self).parent_path());
}

char preferredSeparator() { return static_cast<char>(std::filesystem::path::preferred_separator); }

}  // namespace tnw::platform
