// The archive in an SQLite file: nothing to install or start, one file to hand on. Several
// loaders may share it: each file goes in as one transaction, and a loader waits for another's
// transaction instead of failing.
#pragma once

#include <memory>
#include <string>

#include "archive/store.h"

struct sqlite3;
struct sqlite3_stmt;

namespace tnw::archive {

// The schema (kept in step with the README's): files, their rows as the workbook shows them,
// and the cells of their data-table rows.
extern const char* const kSqliteSchema;

class SqliteStore : public Store {
 public:
  // Opens the database, creating it and its tables when missing. Null with *err naming the file
  // when it cannot be opened or is not a Tarnwell archive.
  static std::unique_ptr<SqliteStore> open(const std::string& path, std::string* err);
  ~SqliteStore() override;

  const std::string& name() const override { return name_; }
  bool loadedFiles(const std::string& source, std::unordered_map<std::string, std::string>* files,
                   std::string* err) override;
  bool putFile(const FileRecord& file, const Conversion& conversion, bool* unchanged, std::string* err) override;
  bool removeFiles(const std::string& source, const std::vector<std::string>& paths, std::string* err) override;

 private:
  enum Statement {
    kFind, kInsertFile, kDeleteCells, kDeleteRows, kDeleteFile, kInsertRow, kInsertCell, kInsertRows, kInsertCells,
    kCount
  };

  explicit SqliteStore(std::string name) : name_(std::move(name)) {}
  bool prepareAll(std::string* err);
  bool exec(const char* sql, std::string* err);
  bool begin(std::string* err);  // a write transaction, waiting for another loader's
  bool fail(std::string* err, const std::string& doing);  // *err from the last error; rolls back
  // Finds the file's id and sha256: false when it is not held.
  bool find(const std::string& source, const std::string& path, int64_t* id, std::string* sha256, std::string* err);
  bool deleteFile(int64_t id, std::string* err);
  bool insertRows(int64_t id, const Conversion& conversion);

  std::string name_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* statements_[kCount] = {};
};

// tarnwell-convert --db FILE: the sink over an SQLite store.
class SqliteSink : public StoreSink {
 public:
  static std::unique_ptr<SqliteSink> open(const std::string& path, StoreOptions options, std::string* err);

 private:
  using StoreSink::StoreSink;
};

}  // namespace tnw::archive
