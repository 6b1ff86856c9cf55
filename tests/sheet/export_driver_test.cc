#include "sheet/export_driver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "pas/super_fast_hash.h"
#include "sheet/memory_workbook.h"
#include "test_support.h"

namespace tnw::sheet {
namespace {

using testing::readFile;


ExportOptions optionsFor(const std::string& logo) {
  ExportOptions options;
  options.logoPath = logo;
  options.generatedAt = "then";
  return options;
}

// Cancels once the conversion has reported a given number of lines.
class CancelAt : public pas::ProgressReporter {
 public:
  explicit CancelAt(int line) : line_(line) {}
  void showProgress(std::string_view, int kind) override { seen_ += kind == kStatus; }
  bool cancelRequested() override { return seen_ >= line_; }

 private:
  int line_, seen_ = 0;
};

TEST(Logo, TheShippedLogoHasThePinnedHash) {
  std::string bytes = readFile(testing::logoPath());
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(pas::superFastHash(bytes.data(), bytes.size()), kLogoHash);
  EXPECT_TRUE(checkLogoFile(testing::logoPath()));
}

TEST(Logo, AMissingChangedOrShortenedLogoIsRefused) {
  testing::TempDir dir;
  std::string bytes = readFile(testing::logoPath());
  EXPECT_FALSE(checkLogoFile(dir.file("none.GIF")));
  EXPECT_FALSE(checkLogoFile(dir.path()));
  std::string changed = bytes;
  changed[changed.size() / 2] ^= 1;
  dir.write("changed.GIF", changed);
  EXPECT_FALSE(checkLogoFile(dir.file("changed.GIF")));
  dir.write("short.GIF", bytes.substr(0, bytes.size() - 1));
  EXPECT_FALSE(checkLogoFile(dir.file("short.GIF")));
  dir.write("same.GIF", bytes);
  EXPECT_TRUE(checkLogoFile(dir.file("same.GIF")));
}

TEST(Export, ACompletedExportIsHandedToTheUser) {
  MemoryApplication app;
  app.setInitialSheets(3);
  auto source = pas::LineSource::fromBytes("~VERSION,VERS.,2.0,,\nbad\n");
  std::string line;
  source->readLine(line);  // a header scan may have read some of it already
  ExportResult result = exportFile(app, *source, "some/where.pas", nullptr, optionsFor(testing::logoPath()));
  ASSERT_EQ(result.outcome, ExportResult::kCompleted) << result.message;
  EXPECT_EQ(result.lines, 2);
  EXPECT_EQ(result.errors, 1);
  EXPECT_TRUE(app.visible());
  EXPECT_TRUE(app.userControl());
  ASSERT_EQ(app.workbooks().size(), 1u);
  const MemoryWorkbook& book = *app.workbooks()[0];
  EXPECT_EQ(testing::sheetNames(book), std::vector<std::string>{"TEST INFORMATION"});
  EXPECT_EQ(testing::shownValue(book, "TEST INFORMATION", "D1"), "PAS File (some/where.pas)    Generated (then)");
  EXPECT_EQ(testing::shownValue(book, "TEST INFORMATION", "C5"), "VERS.");
}

TEST(Export, AnEmptyFileStillGivesTheGeneralSheet) {
  MemoryApplication app;
  auto source = pas::LineSource::fromBytes("");
  ExportResult result = exportFile(app, *source, "empty.pas", nullptr, optionsFor(testing::logoPath()));
  ASSERT_EQ(result.outcome, ExportResult::kCompleted);
  const MemoryWorkbook& book = *app.workbooks()[0];
  SheetId info = *book.findSheet("TEST INFORMATION");
  EXPECT_EQ(book.pictures(info).size(), 1u);
  EXPECT_EQ(testing::shownValue(book, "TEST INFORMATION", "A4"), "File Line");
  EXPECT_EQ(testing::shownValue(book, "TEST INFORMATION", "D2"), "0 lines scanned and converted (0 Errors detected)");
}

TEST(Export, ACancelQuitsWithoutPrompting) {
  MemoryApplication app;
  auto source = pas::LineSource::fromBytes("a\nb\nc\n");
  CancelAt cancel(2);
  ExportResult result = exportFile(app, *source, "x.pas", &cancel, optionsFor(testing::logoPath()));
  EXPECT_EQ(result.outcome, ExportResult::kCancelled);
  EXPECT_TRUE(app.quitted());
  EXPECT_FALSE(app.displayAlerts());
  EXPECT_FALSE(app.visible());
  EXPECT_TRUE(app.workbooks().empty());
}

TEST(Export, ABadLogoStopsBeforeAnyWorkbookAndNamesTheLogo) {
  MemoryApplication app;
  auto source = pas::LineSource::fromBytes("a\n");
  ExportResult result = exportFile(app, *source, "x.pas", nullptr, optionsFor("/no/such/Tarnwell.GIF"));
  EXPECT_EQ(result.outcome, ExportResult::kLogoFailed);
  EXPECT_EQ(result.message, "Could not open file: /no/such/Tarnwell.GIF");
  EXPECT_TRUE(app.workbooks().empty());
  EXPECT_FALSE(app.quitted());
}

// A workbook that refuses every sheet name, as a spreadsheet may.
class RefusingWorkbook : public MemoryWorkbook {
 public:
  void setName(SheetId, std::string_view) override { throw SpreadsheetError(kStatusBadSheetName, "refused"); }
};
class RefusingApplication : public MemoryApplication {
 public:
  Workbook& addWorkbook() override { return book_; }
  RefusingWorkbook book_;
};

TEST(Export, ASpreadsheetErrorEndsTheExportAndIsReported) {
  RefusingApplication app;
  auto source = pas::LineSource::fromBytes("a\n");
  ExportResult result = exportFile(app, *source, "x.pas", nullptr, optionsFor(testing::logoPath()));
  EXPECT_EQ(result.outcome, ExportResult::kFailed);
  EXPECT_EQ(result.message, "Spreadsheet error 0x00000001: refused");
  EXPECT_TRUE(app.quitted());
}

}  // namespace
}  // namespace tnw::sheet
