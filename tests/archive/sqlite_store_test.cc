#include "archive/sqlite_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "archive/sha256.h"
#include "test_support.h"

namespace tnw::archive {
namespace {

using testing::sourcePath;

StoreOptions on(std::string source, std::string pruneUnder = {}) {
  StoreOptions options;
  options.source = std::move(source);
  options.prune = !pruneUnder.empty();
  if (options.prune) options.folders.push_back(pruneUnder);
  return options;
}

// A run as the converter makes it: every file converted unless the sink has it already.
struct LoadRun {
  std::unique_ptr<SqliteSink> sink;
  std::vector<std::unique_ptr<Conversion>> conversions;
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
    auto conversion = std::make_unique<Conversion>();
    if (!sink->wants(path, file.sha256)) {
      file.status = "unchanged";
    } else if (conversion->run(path, nullptr, &err)) {
      file.conversion = conversion.get();
    } else {
      file.status = err;
    }
    statuses.push_back(file.status);
    ASSERT_TRUE(sink->add(file, &err)) << err;
    conversions.push_back(std::move(conversion));
  }
  std::vector<std::string> finish() {
    std::string err;
    EXPECT_TRUE(sink->finish(&err)) << err;
    return sink->notes();
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

std::vector<std::string> examples() {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(sourcePath("examples")))
    paths.push_back(entry.path().string());
  std::sort(paths.begin(), paths.end());
  return paths;
}

TEST(SqliteSink, LoadsEveryRowAndCellOfEveryExample) {
  testing::TempDir dir;
  std::string db = dir.file("archive.sqlite");
  LoadRun run(db, on("test-host"));
  for (const std::string& path : examples()) run.add(path);
  EXPECT_EQ(run.finish(), std::vector<std::string>{db + ": 17 files loaded, 0 unchanged"});
  for (size_t i = 0; i < run.conversions.size(); ++i) {
    int32_t rows = 0, cells = 0;
    run.conversions[i]->visitRows([&](const Row& row) { ++rows, cells += static_cast<int32_t>(row.cells.size()); });
    std::string file = "(SELECT id FROM files WHERE path = '" + storedPath(examples()[i]) + "')";
    EXPECT_EQ(query(db, "SELECT count(*) FROM rows WHERE file_id = " + file), std::vector{std::to_string(rows)});
    EXPECT_EQ(query(db, "SELECT count(*) FROM cells WHERE file_id = " + file), std::vector{std::to_string(cells)});
  }
  std::string dst =
      "(SELECT id FROM files WHERE path = '" + storedPath(sourcePath("examples/drillstem-test.pas")) + "')";
  EXPECT_EQ(query(db, "SELECT source, type, type_name, uwi, formation, lines, error_rows, length(sha256), "
                      "loaded_at LIKE '____-__-__T__:__:__Z' FROM files WHERE id = " + dst),
            std::vector<std::string>{"test-host|DST|Drillstem Test|100/11-27-052-18W5/00|Nordegg|114|1|64|1"});
  EXPECT_EQ(query(db, "SELECT line, sheet, section, kind, mnemonic, value, number, time FROM rows WHERE file_id = " +
                      dst + " AND line IN (6, 57, 72, 75)"),
            (std::vector<std::string>{"6|TEST INFORMATION|~VERSION|value|VERS.|4.0|4.0|~",
                                      "57|RECOVERIES|~DTREC|table|~|~|~|~",
                                      "72|CLOSED CHAMBER|~DTCC|table|~|~|~|~",
                                      "75|TEST INFORMATION|Could not parse line|error|ERROR|~DTFCC,1,PF,262.4,10,|~|~"}));
  EXPECT_EQ(query(db, "SELECT col, header, value, number, time FROM cells WHERE file_id = " + dst + " AND line = 72"),
            (std::vector<std::string>{"1|TIME.DAY/HR/SS|2025 03 14 0953:00|~|2025-03-14T09:53:00",
                                      "2|PSUR.KPAA|188.6|188.6|~", "3|QCCGAS.E3M3/D|35.1|35.1|~"}));
  EXPECT_EQ(query(db, "PRAGMA journal_mode"), std::vector<std::string>{"wal"});
}

TEST(SqliteSink, SkipsUnchangedReplacesChangedPrunesGone) {
  testing::TempDir dir;
  std::string db = dir.file("archive.sqlite"), folder = dir.file("in");
  std::filesystem::create_directories(folder + "/deeper");
  std::string a = folder + "/a.pas", b = folder + "/deeper/b.pas", outside = dir.file("outside.pas");
  std::filesystem::copy_file(sourcePath("examples/gas-analysis.pas"), a);
  std::filesystem::copy_file(sourcePath("examples/oil-analysis.pas"), b);
  std::filesystem::copy_file(sourcePath("examples/water-analysis.pas"), outside);
  {
    LoadRun first(db, on("host-a"));
    for (const std::string& path : {a, b, outside}) first.add(path);
    first.finish();
  }
  std::vector<std::string> before = query(db, "SELECT id, path, sha256 FROM files ORDER BY id");
  std::filesystem::copy_file(sourcePath("examples/gradient.pas"), a, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::remove(b);
  std::filesystem::remove(outside);
  LoadRun second(db, on("host-a", folder + "/"));
  second.add(a);
  EXPECT_EQ(second.finish(), std::vector<std::string>{db + ": 1 file loaded, 0 unchanged, 1 file no longer found removed"});
  std::vector<std::string> after = query(db, "SELECT id, path, sha256 FROM files ORDER BY id");
  ASSERT_EQ(after.size(), 2u);  // b pruned; the file outside the folder stays though it is gone
  EXPECT_EQ(after[0].substr(0, after[0].rfind('|')), before[0].substr(0, before[0].rfind('|')));  // a kept its id
  EXPECT_NE(after[0], before[0]);
  EXPECT_EQ(after[1], before[2]);
  EXPECT_EQ(query(db, "SELECT DISTINCT f.type FROM rows r JOIN files f ON f.id = r.file_id WHERE f.path = '" +
                          storedPath(a) + "'"),
            std::vector<std::string>{"GRD"});
  EXPECT_EQ(query(db, "SELECT count(*) FROM cells WHERE file_id NOT IN (SELECT id FROM files)"),
            std::vector<std::string>{"0"});

  LoadRun third(db, on("host-a"));
  third.add(a);
  EXPECT_EQ(third.statuses, std::vector<std::string>{"unchanged"});
  InputFile failed;  // unreadable this time: what was loaded stays, and the run says so
  failed.path = a;
  failed.status = a + ": cannot read";
  std::string err;
  ASSERT_TRUE(third.sink->add(failed, &err)) << err;
  EXPECT_EQ(third.finish(), (std::vector<std::string>{db + ": 0 files loaded, 1 unchanged",
                                                      db + ": 1 file that failed keeps what an earlier run loaded"}));
  // Another machine's file under the same path is another file.
  LoadRun other(db, on("host-b"));
  other.add(a);
  EXPECT_EQ(other.statuses, std::vector<std::string>{"converted"});
  EXPECT_EQ(query(db, "SELECT count(*) FROM files WHERE path = '" + storedPath(a) + "'"),
            std::vector<std::string>{"2"});
}

// Two loaders given the same file: the second finds it loaded when its turn comes.
TEST(SqliteSink, ASecondLoaderFindsTheFileTheFirstLoaded) {
  testing::TempDir dir;
  std::string db = dir.file("archive.sqlite"), path = sourcePath("examples/gas-analysis.pas");
  LoadRun first(db, on("host")), second(db, on("host"));
  first.add(path);
  second.add(path);
  EXPECT_EQ(first.finish(), std::vector<std::string>{db + ": 1 file loaded, 0 unchanged"});
  EXPECT_EQ(second.finish(), std::vector<std::string>{db + ": 0 files loaded, 1 unchanged"});
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
