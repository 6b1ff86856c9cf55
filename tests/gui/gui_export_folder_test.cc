// The folder the desktop program hands its workbooks over in: which old exports are removed,
// and that a workbook the user may still be working on never is.
#include <QTest>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "app/export_folder.h"
#include "app/platform.h"

using namespace tnw::gui;
namespace fs = std::filesystem;

class ExportFolderTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init();
  void oldUnchangedExportsAreRemoved();
  void workbooksInUseAreNeverRemoved();
  void exportsAreKnownByTheirContentNotTheirTime();
  void leftoversOfUnfinishedSavesAreRemoved();
  void openFilesAreSeen();

 private:
  // A file of `bytes` in the folder, written `hoursAgo`, listed as an export when `listed`.
  std::string add(const std::string& name, bool listed, int hoursAgo = 48, const std::string& bytes = "PK...");
  std::vector<std::string> files() const;
  CleanUp clean(std::vector<std::string>* asked = nullptr, std::vector<std::string> open = {});

  std::unique_ptr<QTemporaryDir> dir_;
  std::string folder_;
  fs::file_time_type now_;
};

void ExportFolderTest::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  folder_ = dir_->path().toStdString();
  now_ = fs::file_time_type::clock::now();
}

std::string ExportFolderTest::add(const std::string& name, bool listed, int hoursAgo, const std::string& bytes) {
  const std::string path = folder_ + "/" + name;
  std::ofstream(path, std::ios::binary) << bytes;
  fs::last_write_time(path, now_ - std::chrono::hours(hoursAgo));
  std::string err;
  if (listed && !recordExport(folder_, path, &err)) qWarning("%s", err.c_str());
  return path;
}

std::vector<std::string> ExportFolderTest::files() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder_))
    if (entry.path().filename() != ".exports") names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

CleanUp ExportFolderTest::clean(std::vector<std::string>* asked, std::vector<std::string> open) {
  return removeOldExports(folder_, now_, kExportsKept, [&](const std::vector<std::string>& paths) {
    std::vector<bool> result;
    for (const std::string& path : paths) {
      if (asked) asked->push_back(fs::path(path).filename());
      result.push_back(std::find(open.begin(), open.end(), fs::path(path).filename()) != open.end());
    }
    return result;
  });
}

void ExportFolderTest::oldUnchangedExportsAreRemoved() {
  add("old.xltx", true, 25);
  add("old.xlsx", true, 30 * 24);
  add("fresh.xltx", true, 23);
  CleanUp first = clean();
  std::sort(first.removed.begin(), first.removed.end());
  QCOMPARE(first.removed, (std::vector<std::string>{"old.xlsx", "old.xltx"}));
  QVERIFY(first.kept.empty());
  QCOMPARE(files(), std::vector<std::string>{"fresh.xltx"});
  // A day later the fresh one is old too: still listed, so it goes then.
  now_ += std::chrono::hours(24);
  QCOMPARE(clean().removed, std::vector<std::string>{"fresh.xltx"});
  QVERIFY(files().empty());
}

void ExportFolderTest::workbooksInUseAreNeverRemoved() {
  add("locked.xltx", true);
  add(".~lock.locked.xltx#", false);  // LibreOffice has it open
  add("excel.xlsx", true);
  add("~$excel.xlsx", false);  // so has Excel
  add("open.xlsx", true);
  const std::string saved = add("saved.xlsx", true);
  add("theirs.xlsx", false);  // not ours, or from before exports were listed
  // The user saves into the fallback workbook: same name, other content and time.
  std::ofstream(saved, std::ios::app) << " and the user's work";
  std::vector<std::string> asked;
  CleanUp result = clean(&asked, {"open.xlsx"});
  QVERIFY(result.removed.empty());
  QCOMPARE(asked, std::vector<std::string>{"open.xlsx"});  // only what else would go is looked for
  std::sort(result.kept.begin(), result.kept.end());
  QCOMPARE(result.kept, (std::vector<std::string>{"excel.xlsx: a spreadsheet program has it open",
                                                  "locked.xltx: a spreadsheet program has it open",
                                                  "open.xlsx: a program has it open",
                                                  "saved.xlsx: changed since it was exported"}));
  QCOMPARE(files().size(), size_t(7));
  // Once the locks are gone the exports go; the changed and the unlisted file never do.
  fs::remove(folder_ + "/.~lock.locked.xltx#");
  fs::remove(folder_ + "/~$excel.xlsx");
  now_ += std::chrono::hours(24 * 365);
  result = clean();
  std::sort(result.removed.begin(), result.removed.end());
  QCOMPARE(result.removed, (std::vector<std::string>{"excel.xlsx", "locked.xltx", "open.xlsx"}));
  QCOMPARE(files(), (std::vector<std::string>{"saved.xlsx", "theirs.xlsx"}));
}

// A copy, a restore or `touch` gives an export another time, not other content: it is still
// ours and goes when old. Content saved into it is the user's even where size and time stay.
void ExportFolderTest::exportsAreKnownByTheirContentNotTheirTime() {
  const std::string big(3 * 64 * 1024, 'x');  // more than the two blocks hashed
  fs::last_write_time(add("touched.xltx", true, 48), now_);
  fs::last_write_time(add("restored.xltx", true, 1), now_ - std::chrono::hours(30));
  const std::string copied = add("copied.xltx", true, 1, big);
  fs::copy_file(copied, folder_ + "/copy");
  fs::rename(folder_ + "/copy", copied);
  fs::last_write_time(copied, now_ - std::chrono::hours(48));
  const std::string saved = add("saved.xltx", true, 48, big);
  std::fstream(saved, std::ios::in | std::ios::out | std::ios::binary).seekp(-100, std::ios::end) << "the user's";
  fs::last_write_time(saved, now_ - std::chrono::hours(48));
  // An earlier version listed size and time: recognised by them once, then by content.
  const auto written = fs::last_write_time(add("earlier.xltx", false, 1)).time_since_epoch();
  std::ofstream(folder_ + "/.exports", std::ios::app)
      << "5 " << std::chrono::duration_cast<std::chrono::nanoseconds>(written).count() << " earlier.xltx\n";
  CleanUp first = clean();
  std::sort(first.removed.begin(), first.removed.end());
  QCOMPARE(first.removed, (std::vector<std::string>{"copied.xltx", "restored.xltx"}));
  QCOMPARE(first.kept, std::vector<std::string>{"saved.xltx: changed since it was exported"});
  fs::last_write_time(folder_ + "/earlier.xltx", now_);
  now_ += std::chrono::hours(25);
  CleanUp later = clean();
  std::sort(later.removed.begin(), later.removed.end());
  QCOMPARE(later.removed, (std::vector<std::string>{"earlier.xltx", "touched.xltx"}));
  QCOMPARE(files(), std::vector<std::string>{"saved.xltx"});
}

void ExportFolderTest::leftoversOfUnfinishedSavesAreRemoved() {
  add("well.xltx.tmp-a1b2c3", false);
  add("well.xltx.tmp-a1b2c3.xltx", false);
  add("well (2).xlsx.tmp-zz9zz9", false, 1);  // a save that may still be going on
  add("notes.tmp-abc", false);
  add("report.tmp-a1b2c3.txt", false);
  CleanUp result = clean();
  std::sort(result.removed.begin(), result.removed.end());
  QCOMPARE(result.removed, (std::vector<std::string>{"well.xltx.tmp-a1b2c3", "well.xltx.tmp-a1b2c3.xltx"}));
  QCOMPARE(files(), (std::vector<std::string>{"notes.tmp-abc", "report.tmp-a1b2c3.txt", "well (2).xlsx.tmp-zz9zz9"}));
}

void ExportFolderTest::openFilesAreSeen() {
  const std::string open = add("open.xltx", false), closed = add("closed.xltx", false);
  std::ifstream reading(open);
  QVERIFY(reading.is_open());
  QCOMPARE(filesOpenNow({open, closed, folder_ + "/missing.xltx"}), (std::vector<bool>{true, false, false}));
  reading.close();
  QCOMPARE(filesOpenNow({open}), std::vector<bool>{false});
}

QTEST_GUILESS_MAIN(ExportFolderTest)
#include "gui_export_folder_test.moc"
