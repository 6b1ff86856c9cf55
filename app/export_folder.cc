#include "app/export_folder.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "app/convert/options.h"
#include "app/platform.h"
#include "pas/super_fast_hash.h"
#include "platform/platform.h"

namespace tnw::gui {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxNumber = 9999;
// The list of exports: one line each, "SIZE MTIME_NS NAME".
constexpr const char* kListName = ".exports";

// Paths travel as UTF-8 and become the system's own only here: on Windows a plain string
// would be read in the code page of the C runtime, and a user's folder named "Zoë" be lost.
fs::path pathOf(const std::string& utf8) { return platform::pathFromUtf8(utf8); }
std::string utf8Of(const fs::path& path) { return platform::pathToUtf8(path); }

std::string numbered(const std::string& first, int n) {
  if (n == 1) return first;
  fs::path p = pathOf(first);
  return utf8Of(p.parent_path() / pathOf(utf8Of(p.stem()) + " (" + std::to_string(n) + ")" + utf8Of(p.extension())));
}

std::string cannotUse(const std::string& folder, const std::string& why) {
  return "Tarnwell cannot keep the workbooks it hands over in the folder\n" + folder + "\nbecause " + why + ".";
}

struct Listed {
  uintmax_t size = 0;
  uint64_t content = 0;    // the hash of the first and the last block
  bool byTime = false;     // an entry of an earlier version, known by its time as written
  long long modified = 0;  // byTime: nanoseconds of the file clock
};

long long ticksOf(fs::file_time_type time) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
}

// What identifies an export's content: a hash of its first and of its last block. The end of a
// workbook (a zip) is its directory, which holds the checksum of every part, so a change
// anywhere shows there; reading the whole of a large workbook at every start would not pay.
constexpr size_t kBlock = 64 * 1024;

bool contentHash(const fs::path& file, uintmax_t size, uint64_t* hash) {
  std::ifstream in(file, std::ios::binary);
  std::string block(static_cast<size_t>(std::min<uintmax_t>(size, kBlock)), '\0');
  if (!in.read(block.data(), static_cast<std::streamsize>(block.size()))) return false;
  const uint64_t head = pas::superFastHash(block.data(), block.size());
  if (size > block.size() && !(in.seekg(static_cast<std::streamoff>(size - block.size())) &&
                               in.read(block.data(), static_cast<std::streamsize>(block.size()))))
    return false;
  *hash = head << 32 | pas::superFastHash(block.data(), block.size());
  return true;
}

template <typename T>
bool parsed(const std::string& text, T* value, int base = 10) {
  const char* end = text.data() + text.size();
  auto [at, error] = std::from_chars(text.data(), end, *value, base);
  return error == std::errc() && at == end && !text.empty();
}

// "SIZE hCONTENT NAME", the content hash in 16 hex digits; an earlier version wrote
// "SIZE MTIME_NS NAME", which is still read so that its exports are not forgotten.
std::map<std::string, Listed> readList(const std::string& folder) {
  std::map<std::string, Listed> list;
  std::ifstream in(pathOf(folder) / kListName);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    Listed entry;
    std::string identity, name;
    if (!(fields >> entry.size >> identity) || fields.get() != ' ' || !std::getline(fields, name) || name.empty() ||
        name.find('/') != std::string::npos)
      continue;
    entry.byTime = identity.size() != 17 || identity[0] != 'h';
    if (entry.byTime ? parsed(identity, &entry.modified) : parsed(identity.substr(1), &entry.content, 16))
      list[name] = entry;
  }
  return list;
}

std::string listLine(const std::string& name, const Listed& entry) {
  char identity[24];
  if (entry.byTime) std::snprintf(identity, sizeof identity, "%lld", entry.modified);
  else std::snprintf(identity, sizeof identity, "h%016llx", static_cast<unsigned long long>(entry.content));
  return std::to_string(entry.size) + ' ' + identity + ' ' + name + '\n';
}

bool writeList(const std::string& folder, const std::map<std::string, Listed>& list) {
  const std::string path = folder + "/" + kListName, temp = path + ".new";
  {
    std::ofstream out(pathOf(temp), std::ios::trunc);
    for (const auto& [name, entry] : list) out << listLine(name, entry);
    if (!out.flush()) return false;
  }
  std::error_code ec;
  fs::rename(pathOf(temp), pathOf(path), ec);
  return !ec;
}

enum class Sameness { kSame, kChanged, kUnknown };

// Whether the file is still the export its entry lists. An entry of an earlier version becomes
// one by content once its file is recognised by its time.
Sameness compareWithList(const fs::path& file, Listed* entry) {
  std::error_code ec;
  if (!fs::is_regular_file(fs::symlink_status(file, ec))) return Sameness::kChanged;
  const uintmax_t size = fs::file_size(file, ec);
  if (ec) return Sameness::kUnknown;
  if (size != entry->size) return Sameness::kChanged;
  if (entry->byTime) {
    const fs::file_time_type modified = fs::last_write_time(file, ec);
    if (ec) return Sameness::kUnknown;
    if (ticksOf(modified) != entry->modified) return Sameness::kChanged;
  }
  uint64_t content = 0;
  if (!contentHash(file, size, &content)) return Sameness::kUnknown;
  if (entry->byTime) {
    *entry = Listed{size, content};
    return Sameness::kSame;
  }
  return content == entry->content ? Sameness::kSame : Sameness::kChanged;
}

// A spreadsheet program's sign that it has the file open for editing: LibreOffice's lock file,
// Excel's owner file (which drops the name's first two letters when the name is long).
bool lockedBySpreadsheet(const fs::path& file) {
  const std::string name = utf8Of(file.filename());
  std::error_code ec;
  for (const std::string& lock : {".~lock." + name + "#", "~$" + name, "~$" + name.substr(std::min<size_t>(2, name.size()))})
    if (fs::exists(file.parent_path() / pathOf(lock), ec)) return true;
  return false;
}

// What a save that never finished leaves: "NAME.xltx.tmp-abc123", and that with ".xltx".
bool isSaveLeftover(const std::string& name) {
  size_t at = name.rfind(".tmp-");
  if (at == std::string::npos) return false;
  std::string rest = name.substr(at + 5);
  if (rest.ends_with(".xltx")) rest.resize(rest.size() - 5);
  return rest.size() == 6 && rest.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789") == std::string::npos;
}

// A system error number as the reason a folder cannot be used.
std::string folderErrorInWords(int error) {
  switch (error) {
    case EACCES:
    case EPERM: return "you may not write there";
    case EROFS: return "it is on a read-only file system";
#ifdef EDQUOT  // not on Windows
    case EDQUOT:
#endif
    case ENOSPC: return "the disk is full";
    case ENAMETOOLONG: return "its name is too long";
    case ELOOP: return "its path runs in a circle of links";
    default: {
      std::string text = std::strerror(error);
      if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
      return "of an error: " + text;
    }
  }
}

}  // namespace

bool prepareExportFolder(const std::string& folder, std::string* problem) {
  problem->clear();
  if (folder.empty()) {
    *problem = "Tarnwell has no folder for the workbooks it hands over: neither XDG_CACHE_HOME nor HOME is set.";
    return false;
  }
  std::vector<fs::path> missing;
  for (fs::path p = pathOf(folder); !p.empty() && p != p.root_path(); p = p.parent_path()) {
    std::error_code statError;
    fs::file_status status = fs::status(p, statError);
    if (fs::exists(status)) {
      if (!fs::is_directory(status)) {
        *problem = cannotUse(folder, p == pathOf(folder) ? "a file of that name stands in its place"
                                                           : "it cannot be created: " + utf8Of(p) +
                                                                 " is a file, not a folder");
        return false;
      }
      break;
    }
    missing.push_back(p);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    std::error_code ec;
    if (!fs::create_directory(*it, ec) && ec) {
      *problem = cannotUse(folder, "it cannot be created in " + utf8Of(it->parent_path()) + ": " +
                                       folderErrorInWords(ec.value()));
      return false;
    }
    std::error_code ignored;  // a folder we could create but not restrict is still usable
    fs::permissions(*it, fs::perms::owner_all, fs::perm_options::replace, ignored);
  }
  if (int error = 0; !canCreateFilesIn(folder, &error)) {
    *problem = cannotUse(folder, error == EACCES ? std::string("you may not write in it") : folderErrorInWords(error));
    return false;
  }
  return true;
}

platform::NewFile createFirstUnused(const std::function<std::string(int)>& nameFor, int tries, std::string* path,
                                    std::string* problem) {
  for (int n = 1; n <= tries; ++n) {
    *path = nameFor(n);
    platform::NewFile made = platform::createNewFile(*path, problem);
    if (made != platform::NewFile::kExists) return made;
  }
  return platform::NewFile::kExists;
}

bool reserveWorkbookPath(const std::string& folder, const std::string& pasPath, const std::string& extension,
                         std::string* path, std::string* err) {
  std::string first = utf8Of(pathOf(app::outputPathFor(pasPath, folder)).replace_extension(extension));
  std::string problem;
  switch (createFirstUnused([&](int n) { return numbered(first, n); }, kMaxNumber, path, &problem)) {
    case platform::NewFile::kCreated: return true;
    case platform::NewFile::kFailed: *err = "cannot create " + *path + ": " + problem; break;
    case platform::NewFile::kExists:
      *err = "cannot create a new workbook in " + folder + ": " + std::to_string(kMaxNumber) +
             " workbooks named after " + platform::fileName(pasPath) + " are there already";
      break;
  }
  path->clear();
  return false;
}

bool recordExport(const std::string& folder, const std::string& path, std::string* err) {
  std::error_code ec;
  Listed entry;
  entry.size = fs::file_size(pathOf(path), ec);
  if (ec) return *err = "cannot list " + path + ": " + ec.message(), false;
  if (!contentHash(pathOf(path), entry.size, &entry.content))
    return *err = "cannot list " + path + ": it cannot be read", false;
  // Appended, so that two programs recording at once both stay listed.
  std::ofstream out(pathOf(folder) / kListName, std::ios::app);
  out << listLine(platform::fileName(path), entry);
  if (!out.flush()) return *err = "cannot list " + path + " in " + folder, false;
  return true;
}

CleanUp removeOldExports(const std::string& folder, fs::file_time_type now, std::chrono::hours age,
                         const OpenFilesCheck& isOpen) {
  CleanUp result;
  const fs::file_time_type before = now - age;
  std::map<std::string, Listed> list = readList(folder);
  bool listChanged = false;
  std::vector<std::string> candidates;
  for (auto it = list.begin(); it != list.end();) {
    const fs::path file = pathOf(folder) / pathOf(it->first);
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(file, ec))) {  // gone: nothing to keep the entry for
      it = list.erase(it);
      listChanged = true;
      continue;
    }
    listChanged = listChanged || it->second.byTime;
    switch (compareWithList(file, &it->second)) {
      case Sameness::kChanged:  // saved into since we wrote it: the user's now, never ours to remove
        result.kept.push_back(it->first + ": changed since it was exported");
        it = list.erase(it);
        listChanged = true;
        continue;
      case Sameness::kUnknown:  // still listed: it may be ours once it can be read again
        result.kept.push_back(it->first + ": it cannot be read now");
        ++it;
        continue;
      case Sameness::kSame:
        break;
    }
    if (fs::last_write_time(file, ec) < before && !ec) {
      if (lockedBySpreadsheet(file)) result.kept.push_back(it->first + ": a spreadsheet program has it open");
      else candidates.push_back(it->first);
    }
    ++it;
  }
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(pathOf(folder), ec)) {
    std::error_code entryError;
    if (isSaveLeftover(utf8Of(entry.path().filename())) && entry.is_regular_file(entryError) &&
        entry.last_write_time(entryError) < before && !entryError)
      candidates.push_back(utf8Of(entry.path().filename()));
  }
  std::vector<std::string> paths;
  for (const std::string& name : candidates) paths.push_back(folder + "/" + name);
  std::vector<bool> open = paths.empty() ? std::vector<bool>() : isOpen(paths);
  for (size_t i = 0; i < candidates.size(); ++i) {
    if (i < open.size() && open[i]) {
      result.kept.push_back(candidates[i] + ": a program has it open");
      continue;
    }
    std::error_code removeError;
    if (!fs::remove(pathOf(paths[i]), removeError)) continue;  // tried again next time
    result.removed.push_back(candidates[i]);
    listChanged = list.erase(candidates[i]) > 0 || listChanged;
  }
  if (listChanged) writeList(folder, list);
  return result;
}

bool removeExportFolder(const std::string& folder, const std::string& settingsFile, const OpenFilesCheck& isOpen,
                        std::vector<std::string>* left) {
  std::error_code ec;
  if (!fs::is_directory(pathOf(folder), ec)) return !fs::exists(pathOf(folder), ec);
  removeOldExports(folder, fs::file_time_type::max(), std::chrono::hours(0), isOpen);
  std::vector<fs::path> ours;
  for (const auto& entry : fs::directory_iterator(pathOf(folder), ec)) {
    const std::string name = utf8Of(entry.path().filename());
    std::error_code ignored;
    if (name == kListName || name == std::string(kListName) + ".new" ||
        (!settingsFile.empty() && fs::equivalent(entry.path(), pathOf(settingsFile), ignored)))
      ours.push_back(entry.path());
    else
      left->push_back(name);
  }
  if (ec || !left->empty()) return false;
  for (const fs::path& file : ours) fs::remove(file, ec);
  return fs::remove(pathOf(folder), ec) && !ec;
}

}  // namespace tnw::gui
