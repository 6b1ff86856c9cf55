#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <system_error>

#include "app/export_folder.h"
#include "app/platform.h"
#include "app/settings.h"

namespace tnw::gui {

std::string exportFolder() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache && cache[0] == '/') return std::string(cache) + "/tarnwell";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.cache/tarnwell";
  return {};
}

std::string settingsFile() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return std::string(config) + "/tarnwell/settings";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.config/tarnwell/settings";
  return {};
}

bool canCreateFilesIn(const std::string& folder, int* error) {
  if (::access(folder.c_str(), W_OK | X_OK) == 0) return true;
  *error = errno;
  return false;
}

std::vector<bool> filesOpenNow(const std::vector<std::string>& paths) {
  namespace fs = std::filesystem;
  // Every descriptor of every process we may look into, by the file it leads to.
  std::set<std::pair<dev_t, ino_t>> open;
  std::error_code ec;
  for (const auto& process : fs::directory_iterator("/proc", ec)) {
    const std::string pid = process.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code fdError;
    for (const auto& fd : fs::directory_iterator(process.path() / "fd", fdError)) {
      struct stat info {};
      if (::stat(fd.path().c_str(), &info) == 0 && S_ISREG(info.st_mode)) open.emplace(info.st_dev, info.st_ino);
    }
  }
  std::vector<bool> result;
  for (const std::string& path : paths) {
    struct stat info {};
    result.push_back(::stat(path.c_str(), &info) == 0 && open.count({info.st_dev, info.st_ino}) > 0);
  }
  return result;
}

}  // namespace tnw::gui
