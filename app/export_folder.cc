#include "app/export_folder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "app/convert/options.h"

namespace tnw::gui {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxNumber = 9999;

std::string numbered(const std::string& first, int n) {
  if (n == 1) return first;
  fs::path p(first);
  std::string stem = p.stem().string(), ext = p.extension().string();
  return (p.parent_path() / (stem + " (" + std::to_string(n) + ")" + ext)).string();
}

}  // namespace

std::string exportFolder() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache && cache[0] == '/') return std::string(cache) + "/tarnwell";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.cache/tarnwell";
  return {};
}

bool prepareExportFolder(const std::string& folder, std::error_code* ec) {
  ec->clear();
  if (folder.empty()) {
    *ec = std::make_error_code(std::errc::no_such_file_or_directory);
    return false;
  }
  std::vector<fs::path> missing;
  for (fs::path p(folder); !p.empty() && p != p.root_path(); p = p.parent_path()) {
    std::error_code statError;
    fs::file_status status = fs::status(p, statError);
    if (fs::exists(status)) {
      if (!fs::is_directory(status)) {
        *ec = std::make_error_code(std::errc::not_a_directory);
        return false;
      }
      break;
    }
    missing.push_back(p);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!fs::create_directory(*it, *ec) && *ec) return false;
    std::error_code ignored;  // a folder we could create but not restrict is still usable
    fs::permissions(*it, fs::perms::owner_all, fs::perm_options::replace, ignored);
  }
  return true;
}

bool reserveWorkbookPath(const std::string& folder, const std::string& pasPath, std::string* path,
                         std::string* err) {
  std::string first = app::outputPathFor(pasPath, folder);
  for (int n = 1; n <= kMaxNumber; ++n) {
    std::string candidate = numbered(first, n);
    // "x": the C library's exclusive create; an existing file is never opened.
    if (std::FILE* f = std::fopen(candidate.c_str(), "wbx")) {
      std::fclose(f);
      *path = candidate;
      return true;
    }
    if (errno != EEXIST) {
      *err = "cannot create " + candidate + ": " + std::strerror(errno);
      return false;
    }
  }
  *err = "cannot create a new workbook in " + folder + ": " + std::to_string(kMaxNumber) +
         " workbooks named after " + fs::path(pasPath).filename().string() + " are there already";
  return false;
}

}  // namespace tnw::gui
