#include "sheet/memory_workbook.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tnw::sheet {
namespace {

using testing::sheetNames;
using V = std::vector<std::string>;

TEST(MemoryWorkbook, SheetsAreAddedAfterAGivenOneAndBecomeActive) {
  MemoryWorkbook book(2);
  EXPECT_EQ(sheetNames(book), (V{"Sheet1", "Sheet2"}));
  SheetId first = book.activeSheet();
  SheetId added = book.addSheetAfter(first);
  EXPECT_EQ(sheetNames(book), (V{"Sheet1", "Sheet3", "Sheet2"}));
  EXPECT_EQ(book.activeSheet(), added);
  EXPECT_EQ(book.sheetAt(2), added);
  EXPECT_THROW(book.sheetAt(4), SpreadsheetError);
}

TEST(MemoryWorkbook, DeletingTheActiveSheetActivatesTheOneInItsPlace) {
  MemoryWorkbook book(3);
  book.deleteSheet(book.activeSheet());
  EXPECT_EQ(book.sheetName(book.activeSheet()), "Sheet2");
  book.activate(book.sheetAt(2));
  book.deleteSheet(book.activeSheet());
  EXPECT_EQ(sheetNames(book), (V{"Sheet2"}));
  EXPECT_EQ(book.sheetName(book.activeSheet()), "Sheet2");
  EXPECT_THROW(book.deleteSheet(book.activeSheet()), SpreadsheetError);  // the last one stays
}

TEST(MemoryWorkbook, SheetNamesTheFileFormatRefuses) {
  MemoryWorkbook book(2);
  SheetId s = book.sheetAt(1);
  for (std::string_view bad : {"", "a/b", "a[1]", "what?", "'quoted", "x:y", "star*", "back\\slash",
                               "0123456789012345678901234567890X"}) {
    EXPECT_THROW(book.setName(s, bad), SpreadsheetError) << bad;
  }
  EXPECT_THROW(book.setName(s, "sheet2"), SpreadsheetError);  // taken, in another case
  book.setName(s, "GAUGE 1");
  book.setName(s, "GAUGE 1");  // its own name again is fine
  book.setName(s, "0123456789012345678901234567890");  // 31 characters
  book.setName(s, "\xC3\xA9t\xC3\xA9");                // counted in characters
  EXPECT_EQ(book.sheetName(s), "\xC3\xA9t\xC3\xA9");
}

// Names are kept in an index; renaming and deleting must leave it telling the truth.
TEST(MemoryWorkbook, NamesFreedByRenamingOrDeletingCanBeTakenAgain) {
  MemoryWorkbook book(2);
  SheetId first = book.sheetAt(1), second = book.sheetAt(2);
  book.setName(first, "Gauge 1");
  EXPECT_EQ(book.findSheet("Gauge 1"), first);
  EXPECT_FALSE(book.findSheet("GAUGE 1"));  // found by its exact name only
  EXPECT_FALSE(book.findSheet("Sheet1"));
  book.setName(second, "Sheet1");  // freed by the rename
  EXPECT_THROW(book.setName(second, "GAUGE 1"), SpreadsheetError);
  EXPECT_EQ(book.sheetName(second), "Sheet1");  // a refused name changes nothing
  book.deleteSheet(first);
  book.setName(second, "GAUGE 1");
  EXPECT_EQ(book.findSheet("GAUGE 1"), second);
  // A new sheet's default name passes over names taken in any case.
  book.setName(second, "sheet3");
  SheetId added = book.addSheetAfter(second);
  EXPECT_EQ(book.sheetName(added), "Sheet4");
  EXPECT_EQ(book.findSheet("Sheet4"), added);
}

TEST(MemoryWorkbook, TextsThatArePlainDecimalsBecomeNumbers) {
  MemoryWorkbook book;
  SheetId s = book.activeSheet();
  book.setText(s, {1, 0}, "2.50");
  book.setText(s, {1, 1}, "01");
  book.setText(s, {1, 2}, "=SUM(A1)");
  book.setText(s, {1, 3}, " -4 ");
  auto number = book.cell(s, {1, 0});
  ASSERT_TRUE(number);
  EXPECT_EQ(number->kind, CellKind::kNumber);
  EXPECT_DOUBLE_EQ(number->number, 2.5);
  EXPECT_EQ(book.numberFormat(book.style(number->style).numberFormat), "0.00");
  EXPECT_EQ(book.cell(s, {1, 1})->kind, CellKind::kText);
  EXPECT_EQ(book.cell(s, {1, 2})->text, "=SUM(A1)");
  EXPECT_EQ(book.cell(s, {1, 3})->number, -4);
  EXPECT_EQ(book.style(book.cell(s, {1, 3})->style).numberFormat, 0);
}

TEST(MemoryWorkbook, CellsStayInRowOrderWhateverOrderTheyAreWritten) {
  MemoryWorkbook book;
  SheetId s = book.activeSheet();
  book.setText(s, {5, 2}, "c5");
  book.setText(s, {5, 0}, "a5");
  book.setText(s, {1, 3}, "d1");
  book.setText(s, {7, 0}, "a7");
  book.setText(s, {5, 2}, "C5");  // overwrite
  std::vector<std::string> seen;
  for (size_t i = 0; i < book.cellCount(s); ++i) seen.emplace_back(book.cellAtIndex(s, i).text);
  EXPECT_EQ(seen, (V{"d1", "a5", "C5", "a7"}));
  EXPECT_EQ(book.lastRow(s), 7);
}

TEST(MemoryWorkbook, StylesCombineAndAreShared) {
  MemoryWorkbook book;
  SheetId s = book.activeSheet();
  book.setText(s, {1, 0}, "x");
  book.setBold(s, Cell{1, 0});
  book.setFontColour(s, Cell{1, 0}, 0x0000FF);
  book.setFill(s, Range({1, 0}, {2, 1}), 0);  // black is a fill like any other
  book.setFontColour(s, Cell{2, 0}, kNoColour);
  EXPECT_EQ(book.style(book.cell(s, {2, 0})->style).fontColour, kNoColour);
  CellStyle a1 = book.style(book.cell(s, {1, 0})->style);
  EXPECT_TRUE(a1.bold);
  EXPECT_EQ(a1.fontColour, 0x0000FF);
  EXPECT_EQ(a1.fill, 0);
  auto b2 = book.cell(s, {2, 1});
  ASSERT_TRUE(b2);
  EXPECT_EQ(b2->kind, CellKind::kBlank);
  EXPECT_EQ(b2->style, book.cell(s, {2, 0})->style);
  book.setNumberFormat(s, Cell{3, 0}, "yyyy mm dd hhmm:ss");
  book.setDate(s, {3, 0}, 39462.5);
  EXPECT_EQ(book.numberFormat(book.style(book.cell(s, {3, 0})->style).numberFormat), "yyyy mm dd hhmm:ss");
}

TEST(MemoryWorkbook, RangesOutsideTheSheetAreRefused) {
  MemoryWorkbook book;
  SheetId s = book.activeSheet();
  EXPECT_THROW(book.setText(s, {0, 0}, "x"), SpreadsheetError);
  EXPECT_THROW(book.setText(s, {1, 16384}, "x"), SpreadsheetError);
  book.setText(s, {1, 16383}, "XFD");
  EXPECT_THROW(book.setText(99, {1, 1}, "x"), SpreadsheetError);
}

TEST(MemoryWorkbook, RangePositionsInPoints) {
  MemoryWorkbook book;
  SheetId s = book.activeSheet();
  book.setColumnWidth(s, 1, 30);
  Rect r = book.rangeRect(s, Range({1, 1}, {3, 1}));
  EXPECT_DOUBLE_EQ(r.left, 48);      // column A: 64 pixels
  EXPECT_DOUBLE_EQ(r.width, 161.25);  // 30 characters: 215 pixels
  EXPECT_DOUBLE_EQ(r.top, 0);
  EXPECT_DOUBLE_EQ(r.height, 45);
  EXPECT_DOUBLE_EQ(book.rangeRect(s, Cell{4, 3}).top, 45);
  book.setColumnWidth(s, 2, 8.5);  // 59.5 pixels round up
  EXPECT_DOUBLE_EQ(book.rangeRect(s, Cell{1, 2}).width, 65 * 0.75);
}

TEST(MemoryWorkbook, LongAndRepeatedTextsReadBackIntact) {
  MemoryWorkbook book;
  SheetId s = book.activeSheet();
  std::string big(3 << 20, 'q');
  for (int32_t row = 1; row <= 1000; ++row) book.setText(s, {row, 0}, "~DTG (1)");
  book.setText(s, {1, 1}, big);
  book.setText(s, {2, 1}, std::string_view("a\0b", 3));
  EXPECT_EQ(book.cell(s, {1000, 0})->text, "~DTG (1)");
  EXPECT_EQ(book.cell(s, {1, 1})->text.size(), big.size());
  EXPECT_EQ(book.cell(s, {2, 1})->text, std::string_view("a\0b", 3));
}

TEST(MemoryApplication, QuitDiscardsTheWorkbooks) {
  MemoryApplication app;
  app.setInitialSheets(3);
  Workbook& book = app.addWorkbook();
  EXPECT_EQ(book.sheetCount(), 3);
  app.setDisplayAlerts(false);
  app.quit();
  EXPECT_TRUE(app.workbooks().empty());
  EXPECT_TRUE(app.quitted());
  EXPECT_THROW(app.addWorkbook(), SpreadsheetError);
}

}  // namespace
}  // namespace tnw::sheet
