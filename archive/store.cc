#include "archive/store.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/platform.h"

namespace tnw::archive {

namespace {

std::string utcNow() {
  using namespace std::chrono;
  auto now = floor<seconds>(system_clock::now());
  auto day = floor<days>(now);
  year_month_day date{day};
  hh_mm_ss time{now - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

std::string plural(int n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

// Whether `path` lies inside `folder`, both as storedPath() gives them.
bool isUnder(const std::string& path, std::string folder) {
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == platform::preferredSeparator()))
    folder.pop_back();
  if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
  char next = path[folder.size()];
  bool folderEndsWithSeparator = folder.back() == '/' || folder.back() == platform::preferredSeparator();
  return folderEndsWithSeparator || next == '/' || next == platform::preferredSeparator();
}

}  // namespace

bool isPostgresTarget(const std::string& database) {
  return database.rfind("postgresql:", 0) == 0 || database.rfind("postgres://", 0) == 0;
}

std::string storedPath(const std::string& path) {
  std::filesystem::path given = platform::pathFromUtf8(path);
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(given, ec);
  return platform::pathToUtf8((ec ? given : full).lexically_normal());
}

StoreSink::StoreSink(std::unique_ptr<Store> store, StoreOptions options)
    : store_(std::move(store)), options_(std::move(options)) {
  if (options_.source.empty()) options_.source = platform::hostName();
}

bool StoreSink::begin(std::string* err) { return store_->loadedFiles(options_.source, &loaded_, err); }

bool StoreSink::wants(const std::string& path, const std::string& sha256) const {
  auto held = loaded_.find(storedPath(path));
  return held == loaded_.end() || held->second != sha256;
}

bool StoreSink::add(const InputFile& file, std::string* err) {
  std::string path = storedPath(file.path);
  if (!file.conversion) {
    if (file.status == "unchanged") {
      ++unchangedCount_;
    } else if (loaded_.count(path)) {
      ++failedHeld_;  // what it said when it last converted stays until it converts again or is pruned
    }
    return true;
  }
  const sheet::ExportResult& result = file.conversion->result();
  FileRecord record{options_.source, path, file.sha256, file.bytes, file.conversion->facts(),
                    result.lines, result.errors, utcNow()};
  bool unchanged = false;
  if (!store_->putFile(record, *file.conversion, &unchanged, err)) return false;
  ++(unchanged ? unchangedCount_ : loadedCount_);
  return true;
}

bool StoreSink::finish(std::string* err) { return !options_.prune || prune(err); }

bool StoreSink::prune(std::string* err) {
  std::vector<std::string> gone;
  for (const auto& [path, sha256] : loaded_) {
    bool under = false;
    for (const std::string& folder : options_.folders) under = under || isUnder(path, storedPath(folder));
    if (!under) continue;
    // Only a file known to be missing goes: one that cannot be looked at (a folder without
    // access, a share gone away) may still be there.
    std::error_code ec;
    if (std::filesystem::status(platform::pathFromUtf8(path), ec).type() == std::filesystem::file_type::not_found)
      gone.push_back(path);
  }
  if (gone.empty()) return true;
  if (!store_->removeFiles(options_.source, gone, err)) return false;
  pruned_ = static_cast<int>(gone.size());
  return true;
}

std::string StoreSink::summary() const {
  std::string summary = store_->name() + ": " + plural(loadedCount_, "file loaded", "files loaded") + ", " +
                        std::to_string(unchangedCount_) + " unchanged";
  if (options_.prune) summary += ", " + plural(pruned_, "file", "files") + " no longer found removed";
  return summary;
}

std::vector<std::string> StoreSink::notes() const {
  std::vector<std::string> notes;
  if (failedHeld_ > 0)
    notes.push_back(store_->name() + ": " + plural(failedHeld_, "file that failed keeps", "files that failed keep") +
                    " what an earlier run loaded");
  return notes;
}

}  // namespace tnw::archive
