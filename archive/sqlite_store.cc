#include "archive/sqlite_store.h"

#include <sqlite3.h>

#include <chrono>
#include <thread>

#include "archive/row_batch.h"

namespace tnw::archive {

// `rows` and `cells` are kept in the order of their keys (WITHOUT ROWID): a file's rows are
// appended in one run and read back in file order, and no second index has to be kept up.
// The foreign keys cascade for users who delete files with PRAGMA foreign_keys on; the loader
// removes a file's rows itself.
const char* const kSqliteSchema = R"sql(
CREATE TABLE IF NOT EXISTS files(
  id INTEGER PRIMARY KEY,
  source TEXT NOT NULL,
  path TEXT NOT NULL,
  sha256 TEXT NOT NULL,
  bytes INTEGER NOT NULL,
  type TEXT, type_name TEXT, version TEXT, uwi TEXT, company TEXT, formation TEXT,
  licensee TEXT, tracking_id TEXT, submission_date TEXT,
  lines INTEGER NOT NULL,
  error_rows INTEGER NOT NULL,
  loaded_at TEXT NOT NULL,
  UNIQUE (source, path));
CREATE TABLE IF NOT EXISTS rows(
  file_id INTEGER NOT NULL REFERENCES files(id) ON DELETE CASCADE,
  line INTEGER NOT NULL,
  sheet TEXT NOT NULL,
  section TEXT NOT NULL,
  kind TEXT NOT NULL,
  mnemonic TEXT, description TEXT, value TEXT, number REAL, time TEXT,
  PRIMARY KEY (file_id, line)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS cells(
  file_id INTEGER NOT NULL REFERENCES files(id) ON DELETE CASCADE,
  line INTEGER NOT NULL,
  col INTEGER NOT NULL,
  header TEXT, value TEXT, number REAL, time TEXT,
  PRIMARY KEY (file_id, line, col)) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS files_type ON files(type);
CREATE INDEX IF NOT EXISTS files_uwi ON files(uwi);
CREATE VIEW IF NOT EXISTS file_values AS
  SELECT f.id AS file_id, f.source, f.path, f.type, f.uwi, f.formation, r.line, r.section, r.mnemonic,
         r.description, r.value, r.number, r.time
  FROM rows r JOIN files f ON f.id = r.file_id WHERE r.kind = 'value';
)sql";

namespace {

constexpr int kSchemaVersion = 1;
// A second loader waits this long for the first one's transaction: the longest file takes
// seconds, so this is a loader that hangs, not one that works.
constexpr int kBusyMilliseconds = 10 * 60 * 1000;

const char* const kStatements[] = {
    "SELECT id, sha256 FROM files WHERE source = ?1 AND path = ?2",
    "INSERT INTO files(id, source, path, sha256, bytes, type, type_name, version, uwi, company, formation, "
    "licensee, tracking_id, submission_date, lines, error_rows, loaded_at) "
    "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17)",
    "DELETE FROM cells WHERE file_id = ?1",
    "DELETE FROM rows WHERE file_id = ?1",
    "DELETE FROM files WHERE id = ?1",
    "INSERT INTO rows(file_id, line, sheet, section, kind, mnemonic, description, value, number, time) "
    "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)",
    "INSERT INTO cells(file_id, line, col, header, value, number, time) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)",
};

constexpr int kRowColumns = 10, kCellColumns = 7;
// Rows and cells go in this many to a statement: a statement's own cost (starting, opening
// its cursors, ending) is then paid once for them all. OR FAIL: a statement of many rows that
// may abort would keep a journal of its own to undo itself, and a failure here rolls back the
// whole file anyway.
constexpr int kGroup = 32;

std::string groupInsert(const char* table, int columns) {
  std::string sql = std::string("INSERT OR FAIL INTO ") + table + " VALUES";
  for (int i = 0; i < kGroup; ++i) {
    sql += i ? ",(" : "(";
    for (int c = 0; c < columns; ++c) sql += c ? ",?" : "?";
    sql += ")";
  }
  return sql;
}

// The texts live until the statement has run: SQLite need not copy them.
void bindText(sqlite3_stmt* statement, int index, std::string_view text) {
  sqlite3_bind_text(statement, index, text.empty() ? "" : text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

void bindTextOrNull(sqlite3_stmt* statement, int index, std::string_view text) {
  if (text.empty())
    sqlite3_bind_null(statement, index);
  else
    bindText(statement, index, text);
}

bool stepDone(sqlite3_stmt* statement) {
  int rc = sqlite3_step(statement);
  sqlite3_reset(statement);
  return rc == SQLITE_DONE;
}

}  // namespace

std::unique_ptr<SqliteStore> SqliteStore::open(const std::string& path, std::string* err) {
  // Counting the memory it holds takes a process-wide lock on every allocation: a second per
  // row inserted. Only before SQLite starts; later it is refused, harmlessly.
  static const bool configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
  (void)configured;
  std::unique_ptr<SqliteStore> store(new SqliteStore(path));
  // One thread uses the connection at a time: SQLite need not lock around every call.
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(path.c_str(), &store->db_, flags, nullptr) != SQLITE_OK) {
    *err = "cannot open the database " + path + ": " +
           (store->db_ ? sqlite3_errmsg(store->db_) : "out of memory");
    return nullptr;
  }
  sqlite3_busy_timeout(store->db_, kBusyMilliseconds);
  // Pages of 16 KB (for a new database only): a million rows take fewer splits and fewer
  // frames in the log. WAL: readers go on while a loader writes, and a killed loader leaves
  // only whole transactions. NORMAL: a commit is safe from a killed process without a flush to
  // disk each time; a power cut may lose the last files but never mixes them.
  //
  // Two loaders started together on a new database both hold a read lock and both want the
  // whole file to turn the log on; SQLite refuses one of them at once instead of waiting (that
  // wait could never end), so that one tries again until the other has done it.
  const char* const setup =
      "PRAGMA page_size = 16384; PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;"
      "PRAGMA cache_size = -65536; PRAGMA journal_size_limit = 67108864";
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyMilliseconds);
  while (!store->exec(setup, err)) {
    if ((sqlite3_extended_errcode(store->db_) & 0xff) != SQLITE_BUSY ||
        std::chrono::steady_clock::now() > deadline)
      return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  err->clear();
  if (!store->begin(err)) return nullptr;
  sqlite3_stmt* query = nullptr;
  int version = 0, tables = 0;
  if (sqlite3_prepare_v2(store->db_,
                         "SELECT (SELECT user_version FROM pragma_user_version), "
                         "(SELECT count(*) FROM sqlite_schema WHERE type = 'table')",
                         -1, &query, nullptr) == SQLITE_OK &&
      sqlite3_step(query) == SQLITE_ROW) {
    version = sqlite3_column_int(query, 0);
    tables = sqlite3_column_int(query, 1);
  }
  sqlite3_finalize(query);
  if (version == 0 && tables > 0) {
    *err = "cannot use the database " + path + ": it holds tables of another program";
  } else if (version > kSchemaVersion) {
    *err = "cannot use the database " + path + ": it was made by a newer version of Tarnwell";
  } else if (store->exec(kSqliteSchema, err) &&
             store->exec(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str(), err) &&
             store->exec("COMMIT", err) && store->prepareAll(err)) {
    return store;
  }
  if (err->empty()) *err = path + ": " + sqlite3_errmsg(store->db_);
  return nullptr;
}

SqliteStore::~SqliteStore() {
  for (sqlite3_stmt* statement : statements_) sqlite3_finalize(statement);
  if (db_) {
    sqlite3_exec(db_, "PRAGMA optimize", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
  }
}

bool SqliteStore::prepareAll(std::string* err) {
  std::string groups[] = {groupInsert("rows", kRowColumns), groupInsert("cells", kCellColumns)};
  for (int i = 0; i < kCount; ++i) {
    const char* sql = i < kInsertRows ? kStatements[i] : groups[i - kInsertRows].c_str();
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statements_[i], nullptr) != SQLITE_OK)
      return fail(err, "cannot prepare its statements");
  }
  return true;
}

bool SqliteStore::exec(const char* sql, std::string* err) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  *err = name_ + ": " + (message ? message : sqlite3_errmsg(db_));
  sqlite3_free(message);
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  return false;
}

bool SqliteStore::begin(std::string* err) {
  // IMMEDIATE: the write lock from the start, so a loader waits here for another's file instead
  // of failing when its read turns into a write.
  if (exec("BEGIN IMMEDIATE", err)) return true;
  if (sqlite3_errcode(db_) == SQLITE_BUSY)
    *err = name_ + ": another program has held the database locked for " +
           std::to_string(kBusyMilliseconds / 60000) + " minutes";
  return false;
}

bool SqliteStore::fail(std::string* err, const std::string& doing) {
  *err = name_ + ": " + doing + ": " + sqlite3_errmsg(db_);
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  return false;
}

bool SqliteStore::loadedFiles(const std::string& source, std::unordered_map<std::string, std::string>* files,
                              std::string* err) {
  sqlite3_stmt* query = nullptr;
  if (sqlite3_prepare_v2(db_, "SELECT path, sha256 FROM files WHERE source = ?1", -1, &query, nullptr) != SQLITE_OK)
    return fail(err, "cannot read its files");
  bindText(query, 1, source);
  int rc;
  while ((rc = sqlite3_step(query)) == SQLITE_ROW)
    files->emplace(reinterpret_cast<const char*>(sqlite3_column_text(query, 0)),
                   reinterpret_cast<const char*>(sqlite3_column_text(query, 1)));
  sqlite3_finalize(query);
  return rc == SQLITE_DONE || fail(err, "cannot read its files");
}

bool SqliteStore::find(const std::string& source, const std::string& path, int64_t* id, std::string* sha256,
                       std::string* err) {
  sqlite3_stmt* query = statements_[kFind];
  bindText(query, 1, source);
  bindText(query, 2, path);
  int rc = sqlite3_step(query);
  if (rc == SQLITE_ROW) {
    *id = sqlite3_column_int64(query, 0);
    *sha256 = reinterpret_cast<const char*>(sqlite3_column_text(query, 1));
  }
  sqlite3_reset(query);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) fail(err, "cannot look up " + path);
  return rc == SQLITE_ROW;
}

bool SqliteStore::deleteFile(int64_t id, std::string* err) {
  for (Statement which : {kDeleteCells, kDeleteRows, kDeleteFile}) {
    sqlite3_bind_int64(statements_[which], 1, id);
    if (!stepDone(statements_[which])) return fail(err, "cannot remove the rows of a file");
  }
  return true;
}

bool SqliteStore::putFile(const FileRecord& file, const Conversion& conversion, bool* unchanged, std::string* err) {
  *unchanged = false;
  err->clear();
  if (!begin(err)) return false;
  int64_t id = 0;
  std::string held;
  if (find(file.source, file.path, &id, &held, err)) {
    if (held == file.sha256) {
      *unchanged = true;
      return exec("COMMIT", err);
    }
    if (!deleteFile(id, err)) return false;
  } else if (!err->empty()) {
    return false;
  }
  sqlite3_stmt* insert = statements_[kInsertFile];
  if (id)
    sqlite3_bind_int64(insert, 1, id);  // a changed file keeps its id
  else
    sqlite3_bind_null(insert, 1);
  bindText(insert, 2, file.source);
  bindText(insert, 3, file.path);
  bindText(insert, 4, file.sha256);
  sqlite3_bind_int64(insert, 5, file.bytes);
  const Facts& f = file.facts;
  int at = 6;
  for (const std::string* fact : {&f.type, &f.typeName, &f.version, &f.uwi, &f.company, &f.formation, &f.licensee,
                                  &f.trackingId, &f.submissionDate})
    bindTextOrNull(insert, at++, *fact);
  sqlite3_bind_int(insert, 15, file.lines);
  sqlite3_bind_int(insert, 16, file.errorRows);
  bindText(insert, 17, file.loadedAt);
  if (!stepDone(insert)) return fail(err, "cannot load " + file.path);
  if (!id) id = sqlite3_last_insert_rowid(db_);
  if (!insertRows(id, conversion)) return fail(err, "cannot load " + file.path);
  return exec("COMMIT", err);
}

bool SqliteStore::insertRows(int64_t id, const Conversion& conversion) {
  return forEachRowBatch(conversion, [&](const RowBatch& batch) {
    auto bindValue = [&](sqlite3_stmt* statement, int first, const RowBatch::Value& value) {
      bindTextOrNull(statement, first, batch.text(value.text));
      if (value.kind == Shown::Kind::kNumber)
        sqlite3_bind_double(statement, first + 1, value.number);
      else
        sqlite3_bind_null(statement, first + 1);
      bindTextOrNull(statement, first + 2, batch.text(value.time));
    };
    // Whole groups first, the rest one by one. Returns the statement and its first parameter
    // for the n-th of `count`; *last: step it once bound.
    auto slot = [&](size_t n, size_t count, Statement one, Statement group, int columns, int* first, bool* last) {
      size_t grouped = count - count % kGroup;
      *last = n >= grouped || n % kGroup == kGroup - 1;
      *first = n >= grouped ? 1 : static_cast<int>(n % kGroup) * columns + 1;
      return statements_[n >= grouped ? one : group];
    };
    const std::vector<RowBatch::FlatRow>& rows = batch.rows();
    size_t cellCount = 0;
    for (size_t n = 0; n < rows.size(); ++n) {
      const RowBatch::FlatRow& r = rows[n];
      cellCount += r.cellCount;
      int p;
      bool last;
      sqlite3_stmt* row = slot(n, rows.size(), kInsertRow, kInsertRows, kRowColumns, &p, &last);
      sqlite3_bind_int64(row, p, id);
      sqlite3_bind_int(row, p + 1, r.line);
      bindText(row, p + 2, batch.text(r.sheet));
      bindText(row, p + 3, batch.text(r.section));
      bindText(row, p + 4, kindName(r.kind));
      bindTextOrNull(row, p + 5, batch.text(r.mnemonic));
      bindTextOrNull(row, p + 6, batch.text(r.description));
      bindValue(row, p + 7, r.value);
      if (last && !stepDone(row)) return false;
    }
    size_t n = 0;
    for (const RowBatch::FlatRow& r : rows) {
      const RowBatch::Cell* cells = batch.cellsOf(r);
      for (uint32_t i = 0; i < r.cellCount; ++i, ++n) {
        int p;
        bool last;
        sqlite3_stmt* cell = slot(n, cellCount, kInsertCell, kInsertCells, kCellColumns, &p, &last);
        sqlite3_bind_int64(cell, p, id);
        sqlite3_bind_int(cell, p + 1, r.line);
        sqlite3_bind_int(cell, p + 2, cells[i].col);
        bindTextOrNull(cell, p + 3, batch.text(cells[i].header));
        bindValue(cell, p + 4, cells[i].value);
        if (last && !stepDone(cell)) return false;
      }
    }
    return true;
  });
}

bool SqliteStore::removeFiles(const std::string& source, const std::vector<std::string>& paths, std::string* err) {
  err->clear();
  if (!begin(err)) return false;
  for (const std::string& path : paths) {
    int64_t id = 0;
    std::string held;
    if (find(source, path, &id, &held, err)) {
      if (!deleteFile(id, err)) return false;
    } else if (!err->empty()) {
      return false;
    }
  }
  return exec("COMMIT", err);
}

std::unique_ptr<SqliteSink> SqliteSink::open(const std::string& path, StoreOptions options, std::string* err) {
  std::unique_ptr<SqliteStore> store = SqliteStore::open(path, err);
  if (!store) return nullptr;
  std::unique_ptr<SqliteSink> sink(new SqliteSink(std::move(store), std::move(options)));
  if (!sink->begin(err)) return nullptr;
  return sink;
}

}  // namespace tnw::archive
