#include "app/convert/report.h"

#include <gtest/gtest.h>

namespace tnw::app {
namespace {

TEST(BatchTable, ARowPerFileWithTheWorkbookOrWhyNone) {
  FileOutcome ok{FileOutcome::kConverted, "a.pas", "out/a.xlsx", "", "DST", 120, 3, 0.5, {}};
  FileOutcome bad{FileOutcome::kFailed, "missing.pas", "out/missing.xlsx", "cannot open missing.pas: No such file",
                  "", 0, 0, 0.0, {}};
  FileOutcome late{FileOutcome::kSkipped, "later.pas", "out/later.xlsx", "", "", 0, 0, 0, {}};
  EXPECT_EQ(batchTable({ok, bad, late}),
            "File         Type  Lines  Errors  Seconds  Workbook\n"
            "a.pas        DST     120       3     0.50  out/a.xlsx\n"
            "missing.pas            -       -     0.00  FAILED: cannot open missing.pas: No such file\n"
            "later.pas              -       -     0.00  not converted: interrupted before its turn\n"
            "1 of 3 files converted\n");
}

TEST(BatchTable, TypesFromTheFileAreShownAsUtf8AndAlignedByCharacter) {
  FileOutcome f{FileOutcome::kConverted, "\xC3\xA9.pas", "x.xlsx", "", "D\xC9", 1, 0, 0, {}};
  std::string table = batchTable({f});
  EXPECT_NE(table.find("\xC3\xA9.pas  D\xC3\x89 "), std::string::npos) << table;
  EXPECT_EQ(table.substr(0, table.find('\n')), "File   Type  Lines  Errors  Seconds  Workbook");
}

// Terminals draw Chinese letters two columns wide, and a combining mark on the letter before it.
TEST(BatchTable, ColumnsLineUpAfterWideLettersAndCombiningMarks) {
  FileOutcome wide{FileOutcome::kConverted, "\xE6\xBC\xA2\xE5\xAD\x97.pas", "x.xlsx", "", "DST", 1, 0, 0, {}};
  FileOutcome marked{FileOutcome::kConverted, "U\xCC\x88" "bung.pas", "y.xlsx", "", "GAN", 1, 0, 0, {}};
  std::string table = batchTable({wide, marked});
  EXPECT_NE(table.find("\n\xE6\xBC\xA2\xE5\xAD\x97.pas   DST"), std::string::npos) << table;
  EXPECT_NE(table.find("\nU\xCC\x88" "bung.pas  GAN"), std::string::npos) << table;
}

TEST(Json, ValuesAreEscapedAndFlagsAreBooleans) {
  EXPECT_EQ(jsonObject({{"file", "a \"b\" \\c.pas"}, {"type", "x\ty\n"}, {"no", false}, {"yes", true}}),
            "{\"file\":\"a \\\"b\\\" \\\\c.pas\",\"type\":\"x\\u0009y\\u000a\",\"no\":false,\"yes\":true}");
  EXPECT_EQ(jsonObject({}), "{}");
}

}  // namespace
}  // namespace tnw::app
