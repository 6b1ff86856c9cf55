#include "archive/postgres_store.h"

#include <libpq-fe.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <vector>

#include "archive/row_batch.h"

namespace tnw::archive {

namespace {

// The tables of the SQLite archive with PostgreSQL's types; `@` stands for the schema. A file's
// rows and cells go with it through a trigger rather than a foreign key: PostgreSQL checks a
// foreign key for every row inserted, which made a million-row file load ten times as long as
// its workbook takes, where SQLite only declares them. The loader writes a file and its rows in
// one transaction, so none is ever without its file.
const char* const kPostgresSchema = R"sql(
CREATE TABLE IF NOT EXISTS @.files(
  id bigserial PRIMARY KEY,
  source text NOT NULL,
  path text NOT NULL,
  sha256 text NOT NULL,
  bytes bigint NOT NULL,
  type text, type_name text, version text, uwi text, company text, formation text,
  licensee text, tracking_id text, submission_date text,
  lines bigint NOT NULL,
  error_rows bigint NOT NULL,
  loaded_at timestamptz NOT NULL,
  UNIQUE (source, path));
CREATE TABLE IF NOT EXISTS @.rows(
  file_id bigint NOT NULL,
  line bigint NOT NULL,
  sheet text NOT NULL,
  section text NOT NULL,
  kind text NOT NULL,
  mnemonic text, description text, value text, number double precision, time text,
  PRIMARY KEY (file_id, line));
CREATE TABLE IF NOT EXISTS @.cells(
  file_id bigint NOT NULL,
  line bigint NOT NULL,
  col bigint NOT NULL,
  header text, value text, number double precision, time text,
  PRIMARY KEY (file_id, line, col));
CREATE OR REPLACE FUNCTION @.remove_file_rows() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  DELETE FROM @.cells WHERE file_id = OLD.id;
  DELETE FROM @.rows WHERE file_id = OLD.id;
  RETURN OLD;
END $$;
DROP TRIGGER IF EXISTS files_remove_rows ON @.files;
CREATE TRIGGER files_remove_rows AFTER DELETE ON @.files FOR EACH ROW EXECUTE FUNCTION @.remove_file_rows();
CREATE INDEX IF NOT EXISTS files_type ON @.files(type);
CREATE INDEX IF NOT EXISTS files_uwi ON @.files(uwi);
CREATE OR REPLACE VIEW @.file_values AS
  SELECT f.id AS file_id, f.source, f.path, f.type, f.uwi, f.formation, r.line, r.section, r.mnemonic,
         r.description, r.value, r.number, r.time
  FROM @.rows r JOIN @.files f ON f.id = r.file_id WHERE r.kind = 'value';
)sql";

// A file's own lock, by its source and path: held by the transaction that loads or removes it.
constexpr const char* kFileLock = "SELECT pg_advisory_xact_lock(hashtextextended($1 || chr(31) || $2, 0))";

// Taken while the schema is looked at and made: loaders that start together would otherwise
// each try to create it, and all but one fail.
constexpr const char* kSchemaLock = "7363021";

class Result {
 public:
  explicit Result(PGresult* result) : result_(result) {}
  ~Result() { PQclear(result_); }
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;
  ExecStatusType status() const { return PQresultStatus(result_); }
  bool ok() const { return status() == PGRES_COMMAND_OK || status() == PGRES_TUPLES_OK; }
  int rows() const { return PQntuples(result_); }
  std::string text(int row, int col) const { return PQgetvalue(result_, row, col); }

 private:
  PGresult* result_;
};

// libpq's messages run over several lines; ours are one, without the server's "ERROR:".
std::string oneLine(const char* message) {
  if (std::strncmp(message, "ERROR:", 6) == 0) message += 6;
  std::string out;
  for (const char* c = message; *c; ++c) {
    if (*c == '\n' || *c == '\t' || *c == ' ') {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += *c;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string quotedIdentifier(const std::string& name) {
  std::string out = "\"";
  for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// The connection string libpq is given: a URI as it stands, else what follows "postgresql:".
std::string connectionString(const std::string& target) {
  if (target.rfind("postgresql://", 0) == 0 || target.rfind("postgres://", 0) == 0) return target;
  return target.substr(target.find(':') + 1);
}

// The database as messages name it, from what the connection string says: never its password.
std::string shownName(const std::string& conninfo) {
  char* problem = nullptr;
  PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &problem);
  PQfreemem(problem);
  std::string host, port, dbname, user, service;
  for (PQconninfoOption* o = options; o && o->keyword; ++o) {
    if (!o->val) continue;
    std::string_view key = o->keyword;
    if (key == "host" || (key == "hostaddr" && host.empty())) host = o->val;
    else if (key == "port") port = o->val;
    else if (key == "dbname") dbname = o->val;
    else if (key == "user") user = o->val;
    else if (key == "service") service = o->val;
  }
  PQconninfoFree(options);
  if (!service.empty() && host.empty()) return "postgresql service " + service;
  return "postgresql://" + (user.empty() ? "" : user + "@") + (host.empty() ? "localhost" : host) +
         (port.empty() ? "" : ":" + port) + "/" + dbname;
}

// COPY's text format: a backslash, a tab or a line end in a text is written as its escape.
// A NUL cannot be held by a PostgreSQL text; it is dropped.
void putText(std::string& out, std::string_view text) {
  if (text.empty()) return void(out += "\\N");
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\0': break;
      default: out += c;
    }
  }
}

void putValue(std::string& out, const RowBatch& batch, const RowBatch::Value& value) {
  putText(out, batch.text(value.text));
  out += '\t';
  if (value.kind == Shown::Kind::kNumber) {
    char digits[32];
    auto end = std::to_chars(digits, digits + sizeof digits, value.number).ptr;  // shortest, read back exactly
    out.append(digits, end);
  } else {
    out += "\\N";
  }
  out += '\t';
  putText(out, batch.text(value.time));
}

class PostgresStore : public Store {
 public:
  static std::unique_ptr<PostgresStore> open(const std::string& target, const std::string& schema, std::string* err);
  ~PostgresStore() override { PQfinish(conn_); }

  const std::string& name() const override { return name_; }
  bool loadedFiles(const std::string& source, std::unordered_map<std::string, std::string>* files,
                   std::string* err) override;
  bool putFile(const FileRecord& file, const Conversion& conversion, bool* unchanged, std::string* err) override;
  bool removeFiles(const std::string& source, const std::vector<std::string>& paths, std::string* err) override;

 private:
  PostgresStore(PGconn* conn, std::string name) : conn_(conn), name_(std::move(name)) {}
  // Runs a statement with text parameters; false with *err saying what failed, the
  // transaction rolled back.
  bool run(const std::string& sql, std::initializer_list<const char*> params, const std::string& doing,
           std::string* err, Result** out = nullptr);
  bool fail(const std::string& doing, std::string* err);
  bool copy(const char* table, const char* columns, const std::string& data, const std::string& doing,
            std::string* err);
  bool copyRows(const std::string& id, const Conversion& conversion, const std::string& doing, std::string* err);

  PGconn* conn_;
  std::string name_;
  std::unique_ptr<Result> last_;
};

bool PostgresStore::fail(const std::string& doing, std::string* err) {
  if (PQstatus(conn_) == CONNECTION_BAD) {
    // The server rolls the open transaction back: what was being loaded is absent, not half there.
    *err = name_ + ": cannot " + doing + ": the connection to the server was lost (" + oneLine(PQerrorMessage(conn_)) +
           "); nothing of it was kept, and the next run loads it";
    return false;
  }
  *err = name_ + ": cannot " + doing + ": " + oneLine(PQerrorMessage(conn_));
  if (PQtransactionStatus(conn_) != PQTRANS_IDLE) PQclear(PQexec(conn_, "ROLLBACK"));
  return false;
}

bool PostgresStore::run(const std::string& sql, std::initializer_list<const char*> params, const std::string& doing,
                        std::string* err, Result** out) {
  std::vector<const char*> values(params);
  // Without parameters, several statements may go at once (the schema).
  last_ = std::make_unique<Result>(values.empty() ? PQexec(conn_, sql.c_str())
                                                  : PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()),
                                                                 nullptr, values.data(), nullptr, nullptr, 0));
  if (!last_->ok()) return fail(doing, err);
  if (out) *out = last_.get();
  return true;
}

std::unique_ptr<PostgresStore> PostgresStore::open(const std::string& target, const std::string& schema,
                                                   std::string* err) {
  const std::string conninfo = connectionString(target);
  const std::string shown = shownName(conninfo);
  // Ours first, so that the user's connection string overrides them; the encoding last, since
  // every text we send and read is UTF-8.
  const char* keys[] = {"connect_timeout", "application_name", "dbname", "client_encoding", nullptr};
  const char* values[] = {"10", "tarnwell-convert", conninfo.c_str(), "UTF8", nullptr};
  PGconn* conn = PQconnectdbParams(keys, values, 1);
  if (!conn) return *err = "cannot connect to " + shown + ": out of memory", nullptr;
  std::unique_ptr<PostgresStore> store(new PostgresStore(conn, shown + " (schema " + schema + ")"));
  if (PQstatus(conn) != CONNECTION_OK) {
    *err = withoutPassword("cannot connect to " + shown + ": " + oneLine(PQerrorMessage(conn)), target);
    return nullptr;
  }
  // A commit need not wait for the server's disk: a server that crashes may lose the last
  // files committed (never a part of one), which the next run then loads again.
  PQclear(PQexec(conn, "SET client_min_messages = warning; SET synchronous_commit = off"));
  const std::string q = quotedIdentifier(schema);
  std::string sql = kPostgresSchema;
  for (size_t at; (at = sql.find('@')) != std::string::npos;) sql.replace(at, 1, q);
  Result* found = nullptr;
  // Looked at before anything is created: a user who may write the tables but not create them
  // loads into a database someone else set up.
  if (!store->run("BEGIN", {}, "begin", err) ||
      !store->run(std::string("SELECT pg_advisory_xact_lock(") + kSchemaLock + ")", {}, "lock the schema", err) ||
      !store->run("SELECT (SELECT count(*) FROM pg_tables WHERE schemaname = $1 AND tablename IN ('files', 'rows', "
                  "'cells')), (SELECT count(*) FROM information_schema.columns WHERE table_schema = $1 AND "
                  "table_name = 'files' AND column_name IN ('source', 'sha256', 'loaded_at'))",
                  {schema.c_str()}, "read the schema", err, &found))
    return nullptr;
  int tables = std::stoi(found->text(0, 0)), columns = std::stoi(found->text(0, 1));
  if (tables > 0 && columns < 3) {
    *err = store->name_ + ": its table \"files\" belongs to another program; name another schema with --db-schema";
    return nullptr;
  }
  if (tables < 3 && (!store->run("CREATE SCHEMA IF NOT EXISTS " + q, {}, "create the schema " + schema, err) ||
                     !store->run(sql, {}, "create the tables of the schema " + schema, err)))
    return nullptr;
  if (!store->run("COMMIT", {}, "create the schema " + schema, err)) return nullptr;
  if (!store->run("SELECT set_config('search_path', $1, false)", {q.c_str()}, "use the schema " + schema, err))
    return nullptr;
  return store;
}

bool PostgresStore::loadedFiles(const std::string& source, std::unordered_map<std::string, std::string>* files,
                                std::string* err) {
  Result* held = nullptr;
  if (!run("SELECT path, sha256 FROM files WHERE source = $1", {source.c_str()}, "read its files", err, &held))
    return false;
  for (int i = 0; i < held->rows(); ++i) files->emplace(held->text(i, 0), held->text(i, 1));
  return true;
}

bool PostgresStore::copy(const char* table, const char* columns, const std::string& data, const std::string& doing,
                         std::string* err) {
  if (data.empty()) return true;
  Result start(PQexec(conn_, (std::string("COPY ") + table + " (" + columns + ") FROM STDIN").c_str()));
  if (start.status() != PGRES_COPY_IN) return fail(doing, err);
  bool sent = PQputCopyData(conn_, data.data(), static_cast<int>(data.size())) == 1 &&
              PQputCopyEnd(conn_, nullptr) == 1;
  bool ok = sent;
  while (PGresult* r = PQgetResult(conn_)) {
    ok = ok && PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
  }
  return ok || fail(doing, err);
}

bool PostgresStore::copyRows(const std::string& id, const Conversion& conversion, const std::string& doing,
                             std::string* err) {
  std::string rows, cells;
  bool ok = forEachRowBatch(conversion, [&](const RowBatch& batch) {
    rows.clear();
    cells.clear();
    for (const RowBatch::FlatRow& r : batch.rows()) {
      const std::string line = std::to_string(r.line);
      rows += id + '\t' + line + '\t';
      putText(rows, batch.text(r.sheet));
      rows += '\t';
      putText(rows, batch.text(r.section));
      rows += '\t';
      rows += kindName(r.kind);
      rows += '\t';
      putText(rows, batch.text(r.mnemonic));
      rows += '\t';
      putText(rows, batch.text(r.description));
      rows += '\t';
      putValue(rows, batch, r.value);
      rows += '\n';
      const RowBatch::Cell* c = batch.cellsOf(r);
      for (uint32_t i = 0; i < r.cellCount; ++i) {
        cells += id + '\t' + line + '\t' + std::to_string(c[i].col) + '\t';
        putText(cells, batch.text(c[i].header));
        cells += '\t';
        putValue(cells, batch, c[i].value);
        cells += '\n';
      }
    }
    return copy("rows", "file_id, line, sheet, section, kind, mnemonic, description, value, number, time", rows,
                doing, err) &&
           copy("cells", "file_id, line, col, header, value, number, time", cells, doing, err);
  });
  return ok;
}

bool PostgresStore::putFile(const FileRecord& file, const Conversion& conversion, bool* unchanged, std::string* err) {
  *unchanged = false;
  const std::string load = "load " + file.path;
  const char* source = file.source.c_str();
  const char* path = file.path.c_str();
  Result* held = nullptr;
  // The file's own lock: a second loader given the same file waits here for the first, then
  // finds it loaded.
  if (!run("BEGIN", {}, load, err) ||
      !run(kFileLock, {source, path}, load, err) ||
      !run("SELECT id, sha256 FROM files WHERE source = $1 AND path = $2", {source, path}, load, err, &held))
    return false;
  std::string id;
  if (held->rows() > 0) {
    id = held->text(0, 0);
    if (held->text(0, 1) == file.sha256) {
      *unchanged = true;
      return run("COMMIT", {}, load, err);
    }
  }
  const Facts& f = file.facts;
  auto orNull = [](const std::string& text) { return text.empty() ? nullptr : text.c_str(); };
  const std::string bytes = std::to_string(file.bytes), lines = std::to_string(file.lines),
                    errors = std::to_string(file.errorRows);
  std::initializer_list<const char*> values = {
      source, path, file.sha256.c_str(), bytes.c_str(), orNull(f.type), orNull(f.typeName), orNull(f.version),
      orNull(f.uwi), orNull(f.company), orNull(f.formation), orNull(f.licensee), orNull(f.trackingId),
      orNull(f.submissionDate), lines.c_str(), errors.c_str(), file.loadedAt.c_str()};
  Result* inserted = nullptr;
  if (id.empty()) {
    if (!run("INSERT INTO files(source, path, sha256, bytes, type, type_name, version, uwi, company, formation, "
             "licensee, tracking_id, submission_date, lines, error_rows, loaded_at) VALUES ($1, $2, $3, $4, $5, $6, "
             "$7, $8, $9, $10, $11, $12, $13, $14, $15, $16) RETURNING id",
             values, load, err, &inserted))
      return false;
    id = inserted->text(0, 0);
  } else if (!run("DELETE FROM cells WHERE file_id = $1", {id.c_str()}, load, err) ||
             !run("DELETE FROM rows WHERE file_id = $1", {id.c_str()}, load, err) ||
             // A changed file keeps its id.
             !run("UPDATE files SET sha256 = $3, bytes = $4, type = $5, type_name = $6, version = $7, uwi = $8, "
                  "company = $9, formation = $10, licensee = $11, tracking_id = $12, submission_date = $13, "
                  "lines = $14, error_rows = $15, loaded_at = $16 WHERE source = $1 AND path = $2",
                  values, load, err)) {
    return false;
  }
  return copyRows(id, conversion, load, err) && run("COMMIT", {}, load, err);
}

bool PostgresStore::removeFiles(const std::string& source, const std::vector<std::string>& given, std::string* err) {
  // The files' locks in one order in every loader: two that prune at once cannot wait for each other.
  std::vector<std::string> paths = given;
  std::sort(paths.begin(), paths.end());
  if (!run("BEGIN", {}, "remove files", err)) return false;
  for (const std::string& path : paths) {
    const std::string doing = "remove " + path;
    if (!run(kFileLock, {source.c_str(), path.c_str()}, doing, err) ||
        !run("DELETE FROM files WHERE source = $1 AND path = $2", {source.c_str(), path.c_str()}, doing, err))
      return false;
  }
  return run("COMMIT", {}, "remove files", err);
}

}  // namespace

std::string withoutPassword(const std::string& text, const std::string& target) {
  std::vector<std::string> secrets;
  // A URI's user information: user:password@
  if (size_t scheme = target.find("://"); scheme != std::string::npos) {
    size_t at = target.find('@', scheme + 3), slash = target.find('/', scheme + 3);
    if (at != std::string::npos && (slash == std::string::npos || at < slash)) {
      size_t colon = target.find(':', scheme + 3);
      if (colon != std::string::npos && colon < at) secrets.push_back(target.substr(colon + 1, at - colon - 1));
    }
  }
  // password=... in a key=value string or a URI's query
  for (size_t at = target.find("password="); at != std::string::npos; at = target.find("password=", at + 1)) {
    size_t from = at + 9;
    size_t end = target.find_first_of(" &", from);
    std::string value = target.substr(from, end == std::string::npos ? std::string::npos : end - from);
    if (value.size() >= 2 && value.front() == '\'') value = value.substr(1, value.size() - 2);
    secrets.push_back(value);
  }
  std::string out = text;
  for (const std::string& secret : secrets) {
    if (secret.empty()) continue;
    for (size_t at; (at = out.find(secret)) != std::string::npos;) out.replace(at, secret.size(), "****");
  }
  return out;
}

std::unique_ptr<PostgresSink> PostgresSink::open(const std::string& target, const std::string& schema,
                                                 StoreOptions options, std::string* err) {
  std::unique_ptr<PostgresStore> store = PostgresStore::open(target, schema, err);
  if (!store) return nullptr;
  std::unique_ptr<PostgresSink> sink(new PostgresSink(std::move(store), std::move(options)));
  if (!sink->begin(err)) return nullptr;
  return sink;
}

}  // namespace tnw::archive
