#include "archive/inputs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

#include "platform/platform.h"

namespace tnw::archive {

namespace fs = std::filesystem;

namespace {

std::string shown(const fs::path& path) { return platform::pathToUtf8(path); }

// `searched` holds the folders already searched, by their canonical path.
void searchFolder(const fs::path& folder, std::set<fs::path>& searched, Inputs* inputs) {
  std::error_code ec;
  fs::path real = fs::canonical(folder, ec);
  if (ec) {
    inputs->problems.push_back({shown(folder), "cannot search " + shown(folder) + ": " + ec.message()});
    return;
  }
  if (!searched.insert(real).second) return;  // reached again through a link
  std::vector<fs::path> entries;
  fs::directory_iterator it(folder, ec), end;
  if (ec) {
    inputs->problems.push_back({shown(folder), "cannot search " + shown(folder) + ": " + ec.message()});
    return;
  }
  for (; it != end; it.increment(ec)) {
    if (ec) break;
    entries.push_back(it->path());
  }
  if (ec) inputs->problems.push_back({shown(folder), "cannot search " + shown(folder) + ": " + ec.message()});
  std::sort(entries.begin(), entries.end(),
            [](const fs::path& a, const fs::path& b) { return shown(a.filename()) < shown(b.filename()); });
  for (const fs::path& entry : entries) {
    std::error_code statError;
    fs::file_status status = fs::status(entry, statError);  // follows links
    if (statError) {
      // A dangling link or an entry we may not look at: taken in its place, where opening it
      // fails and says why, when it would have been taken.
      if (hasPasExtension(shown(entry.filename()))) inputs->files.push_back(shown(entry));
      continue;
    }
    if (fs::is_directory(status))
      searchFolder(entry, searched, inputs);
    else if (hasPasExtension(shown(entry.filename())))
      inputs->files.push_back(shown(entry));
  }
}

}  // namespace

bool hasPasExtension(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext == ".pas";
}

void addInput(const std::string& given, Inputs* inputs) {
  std::error_code ec;
  fs::path path = platform::pathFromUtf8(given);
  if (!given.empty() && given != "-" && fs::is_directory(path, ec)) {
    inputs->folders.push_back(given);
    // Each folder given starts its own search: the same folder given twice is searched twice,
    // as a file given twice is converted twice.
    std::set<fs::path> searched;
    size_t before = inputs->files.size(), problems = inputs->problems.size();
    searchFolder(path, searched, inputs);
    if (inputs->files.size() == before && inputs->problems.size() == problems)
      inputs->problems.push_back({given, given + ": it is a directory without any .pas file in it or below it"});
    return;
  }
  inputs->files.push_back(given);
}

bool readInputList(const std::string& listFile, std::vector<std::string>* paths, std::string* err) {
  bool fromStdin = listFile == "-";
  std::FILE* in = fromStdin ? stdin : platform::openFile(listFile, "rb");
  if (!in) {
    *err = "cannot read the list " + listFile + ": " + std::strerror(errno);
    return false;
  }
  std::string line;
  int c;
  auto take = [&] {
    // A name may begin or end with a blank: only the line end goes, and lines of blanks.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") != std::string::npos) paths->push_back(line);
    line.clear();
  };
  while ((c = std::fgetc(in)) != EOF) {
    if (c == '\n') take(); else line.push_back(static_cast<char>(c));
  }
  take();
  bool failed = std::ferror(in);
  if (!fromStdin) std::fclose(in);
  if (failed) {
    *err = "cannot read the list " + listFile;
    return false;
  }
  return true;
}

}  // namespace tnw::archive
