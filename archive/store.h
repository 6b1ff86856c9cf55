// The archive as a database: a sink that loads every converted file into a store, one file per
// transaction, and skips what the store holds already. The sink decides (what is unchanged,
// what to prune, what to tell the user); a store only reads and writes its own database, so
// another database is one more Store.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "archive/sink.h"

namespace tnw::archive {

// What the `files` table says of one file, besides its rows.
struct FileRecord {
  std::string source;  // where the path comes from (a host name); files are keyed by source and path
  std::string path;
  std::string sha256;
  int64_t bytes = 0;
  Facts facts;
  int32_t lines = 0;
  int32_t errorRows = 0;
  std::string loadedAt;  // ISO 8601, UTC: "2025-03-14T09:58:00Z"
};

class Store {
 public:
  virtual ~Store() = default;
  // The database as the user named it, for messages.
  virtual const std::string& name() const = 0;
  // path -> sha256 of every file held for `source`.
  virtual bool loadedFiles(const std::string& source, std::unordered_map<std::string, std::string>* files,
                           std::string* err) = 0;
  // Puts the file and its rows in place of what was held for its source and path, in one
  // transaction. *unchanged: another loader put this very file (same sha256) there since
  // loadedFiles() was read, so nothing was written.
  virtual bool putFile(const FileRecord& file, const Conversion& conversion, bool* unchanged, std::string* err) = 0;
  // Removes the files and their rows, in one transaction.
  virtual bool removeFiles(const std::string& source, const std::vector<std::string>& paths, std::string* err) = 0;
};

struct StoreOptions {
  std::string source;                // empty: this machine's host name
  std::vector<std::string> folders;  // the folders given as inputs: --prune looks under them
  bool prune = false;                // remove the files under `folders` that no longer exist
};

// Whether a --db argument names a PostgreSQL database ("postgresql://...", "postgres://...",
// "postgresql:KEY=VALUE...") rather than an SQLite file.
bool isPostgresTarget(const std::string& database);

// The key a file is held under: its absolute, normalised path, so that runs from different
// working folders agree.
std::string storedPath(const std::string& path);

class StoreSink : public Sink {
 public:
  StoreSink(std::unique_ptr<Store> store, StoreOptions options);
  // Reads what the store holds for the source; once, before the run.
  bool begin(std::string* err);

  bool wants(const std::string& path, const std::string& sha256) const override;
  bool add(const InputFile& file, std::string* err) override;
  bool finish(std::string* err) override;
  std::string summary() const override;
  std::vector<std::string> notes() const override;

  const std::string& source() const { return options_.source; }

 private:
  bool prune(std::string* err);

  std::unique_ptr<Store> store_;
  StoreOptions options_;
  // Read once before the run and never changed, so wants() may read it from any thread.
  std::unordered_map<std::string, std::string> loaded_;
  int loadedCount_ = 0, unchangedCount_ = 0, failedHeld_ = 0, pruned_ = 0;
};

}  // namespace tnw::archive
