#include "archive/sqlite_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "archive/sha256.h"
#include "test_support.h"

namespace tnw::archive {
namespace {

using testing::sourcePath;

StoreOptions on(std::string source) {
  StoreOptions options;
  options.source = std::move(source);
  return options;
}

// A run as the converter makes it: every file converted unless the sink has it already.
struct LoadRun {
  std::unique_ptr<SqliteSink> sink;
  std::vector<std::string> statuses;

  LoadRun(const std::string& db, StoreOptions options) {
    std::string err;
    sink = SqliteSink::open(db, std::move(options), &err);
    EXPECT_TRUE(sink) << err;
  }
  void add(const std::string& path) {
    InputFile file;
    file.path = path;
    file.status = "converted";
    std::string err;
    ASSERT_TRUE(hashFile(path, &file.sha256, &file.bytes, &err)) << err;
    Conversion conversion;
    if (!sink->wants(path, file.sha256)) {
      file.status = "unchanged";
    } else {
      ASSERT_TRUE(conversion.run(path, nullptr, &err)) << err;
      file.conversion = &conversion;
    }
    statuses.push_back(file.status);
    ASSERT_TRUE(sink->add(file, &err)) << err;
  }
  std::vector<std::string> finish() {
    std::string err;
    EXPECT_TRUE(sink->finish(&err)) << err;
    std::vector<std::string> lines = sink->notes();
    lines.insert(lines.begin(), sink->summary());
    return lines;
  }
};

// One text per result row, fields joined by '|'; NULL shows as "~".
std::vector<std::string> query(const std::string& db, const std::string& sql) {
  sqlite3* handle = nullptr;
  sqlite3_stmt* statement = nullptr;
  std::vector<std::string> out;
  EXPECT_EQ(sqlite3_open(db.c_str(), &handle), SQLITE_OK);
  EXPECT_EQ(sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sqlite3_errmsg(handle);
  while (sqlite3_step(statement) == SQLITE_ROW) {
    std::string row;
    for (int i = 0; i < sqlite3_column_count(statement); ++i) {
      const unsigned char* text = sqlite3_column_text(statement, i);
      row += (i ? "|" : "") + (text ? std::string(reinterpret_cast<const char*>(text)) : std::string("~"));
    }
    out.push_back(row);
  }
  sqlite3_finalize(statement);
  sqlite3_close(handle);
  return out;
}

// The rows themselves are compared with the workbooks in tests/archive/test_database.py.
TEST(SqliteSink, KeysFilesBySourceAndPathAndSkipsWhatIsHeld) {
  testing::TempDir dir;
  std::string db = dir.file("archive.sqlite");
  std::string dst = sourcePath("examples/drillstem-test.pas"), gas = sourcePath("examples/gas-analysis.pas");
  {
    LoadRun first(db, on("host-a"));
    first.add(dst);
    EXPECT_EQ(first.finish(), std::vector<std::string>{db + ": 1 file loaded, 0 unchanged"});
  }
  EXPECT_EQ(query(db, "SELECT source, path = '" + storedPath(dst) + "', type, type_name, uwi, formation, lines, "
                      "error_rows, length(sha256), loaded_at LIKE '____-__-__T__:__:__Z' FROM files"),
            std::vector<std::string>{"host-a|1|DST|Drillstem Test|100/11-27-052-18W5/00|Nordegg|114|1|64|1"});
  LoadRun again(db, on("host-a")), other(db, on("host-b"));
  again.add(dst);
  other.add(dst);  // another machine's file under the same path is another file
  EXPECT_EQ(again.statuses, std::vector<std::string>{"unchanged"});
  EXPECT_EQ(other.statuses, std::vector<std::string>{"converted"});
  // Two loaders given one file: the second finds it loaded when its turn comes.
  LoadRun late(db, on("host-a"));
  again.add(gas);
  late.add(gas);
  EXPECT_EQ(late.finish(), std::vector<std::string>{db + ": 0 files loaded, 1 unchanged"});
  InputFile failed;  // unreadable this time: what was loaded stays, and the run says so
  failed.path = dst;
  failed.status = dst + ": cannot read";
  std::string err;
  ASSERT_TRUE(again.sink->add(failed, &err)) << err;
  EXPECT_EQ(again.finish(), (std::vector<std::string>{db + ": 1 file loaded, 1 unchanged",
                                                      db + ": 1 file that failed keeps what an earlier run loaded"}));
  EXPECT_EQ(query(db, "SELECT source, count(*) FROM files GROUP BY source"),
            (std::vector<std::string>{"host-a|2", "host-b|1"}));
}

TEST(SqliteSink, RefusesWhatIsNoArchive) {
  testing::TempDir dir;
  dir.write("text.sqlite", std::string(5000, 'x'));
  std::string err;
  EXPECT_FALSE(SqliteSink::open(dir.file("text.sqlite"), on("h"), &err));
  EXPECT_EQ(err, dir.file("text.sqlite") + ": file is not a database");
  query(dir.file("other.sqlite"), "CREATE TABLE notes(text)");
  EXPECT_FALSE(SqliteSink::open(dir.file("other.sqlite"), on("h"), &err));
  EXPECT_EQ(err, "cannot use the database " + dir.file("other.sqlite") + ": it holds tables of another program");
  EXPECT_FALSE(SqliteSink::open(dir.file("missing/a.sqlite"), on("h"), &err));
  EXPECT_EQ(err, "cannot open the database " + dir.file("missing/a.sqlite") + ": unable to open database file");
}

}  // namespace
}  // namespace tnw::archive
