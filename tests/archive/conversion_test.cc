#include "archive/conversion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "archive/sha256.h"
#include "pas/text.h"
#include "sheet/number_text.h"
#include "test_support.h"

namespace tnw::archive {
namespace {

using testing::sourcePath;

TEST(Sha256, KnownDigestsWholeAndInPieces) {
  EXPECT_EQ(sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  std::string long_(1'000'003, 'a');
  Sha256 pieces;
  for (size_t at = 0; at < long_.size(); at += 61) pieces.update(long_.data() + at, std::min<size_t>(61, long_.size() - at));
  EXPECT_EQ(pieces.hexDigest(), sha256Hex(long_));
  testing::TempDir dir;
  dir.write("f.pas", long_);
  std::string hex, err;
  int64_t bytes = 0;
  ASSERT_TRUE(hashFile(dir.file("f.pas"), &hex, &bytes, &err)) << err;
  EXPECT_EQ(hex, sha256Hex(long_));
  EXPECT_EQ(bytes, 1'000'003);
  EXPECT_FALSE(hashFile(dir.file("missing.pas"), &hex, &bytes, &err));
  EXPECT_NE(err.find("missing.pas"), std::string::npos);
}

// A number cell shows its digits as written: the text the archive stores must be those digits.
TEST(ShownNumber, GivesBackTheDigitsAsWritten) {
  for (std::string_view text : {"0", "7", "-12", "24188", "100000", "-500000", "12345678901", "123456789012", "2.50", "0.001", "-3.0",
                                "1.5E-03", "9.99E+120", "2.0E5", "4.25e-10", "100000.000001"}) {
    sheet::DecimalText number;
    ASSERT_TRUE(sheet::readPlainDecimal(text, &number)) << text;
    std::string expected(text);
    if (size_t e = expected.find('e'); e != std::string::npos) expected[e] = 'E';
    EXPECT_EQ(shownNumber(number.value, number.format), expected) << text << " in " << number.format;
  }
  EXPECT_EQ(isoTime(45730.41527777778), "2025-03-14T09:58:00");
}

// Every non-blank line of a file is one row, in file order, with what the workbook shows.
TEST(ConversionRows, OneRowPerLineWithTheWorkbooksValues) {
  for (const auto& entry : std::filesystem::directory_iterator(sourcePath("examples"))) {
    std::string path = entry.path().string();
    Conversion conversion;
    std::string err;
    ASSERT_TRUE(conversion.run(path, nullptr, &err)) << err;
    int32_t nonBlank = 0;
    std::string bytes = testing::readFile(path);
    for (size_t at = 0; at <= bytes.size();) {
      size_t end = std::min(bytes.find('\n', at), bytes.size());
      if (!pas::trim(std::string_view(bytes).substr(at, end - at)).empty()) ++nonBlank;
      at = end + 1;
    }
    int32_t rows = 0, previous = 0, errors = 0;
    conversion.visitRows([&](const Row& row) {
      ++rows;
      EXPECT_GT(row.line, previous) << path;
      previous = row.line;
      if (row.kind == sheet::RowKind::kError) ++errors;
    });
    EXPECT_EQ(rows, nonBlank) << path;
    EXPECT_EQ(errors, conversion.result().errors) << path;
  }
}

TEST(ConversionRows, TableCellsNamedByTheirColumnDefinitions) {
  Conversion conversion;
  std::string err;
  ASSERT_TRUE(conversion.run(sourcePath("examples/drillstem-test.pas"), nullptr, &err)) << err;
  EXPECT_EQ(conversion.facts().uwi, "100/11-27-052-18W5/00");
  EXPECT_EQ(conversion.facts().typeName, "Drillstem Test");
  std::map<int32_t, std::string> seen;
  conversion.visitRows([&](const Row& row) {
    std::string text = std::string(row.sheet) + "|" + row.section + "|" + std::string(kindName(row.kind)) + "|" +
                       row.mnemonic.value_or("-") + "|" + row.value.text;
    for (const TableCell& cell : row.cells)
      text += "|" + std::to_string(cell.col) + ":" + std::string(cell.header) + "=" + cell.value.text + cell.value.time;
    seen[row.line] = text;
  });
  EXPECT_EQ(seen[6], "TEST INFORMATION|~VERSION|value|VERS.|4.0");
  EXPECT_EQ(seen[1].substr(0, 35), "TEST INFORMATION|#PAS COMMENT|comme");
  EXPECT_EQ(seen[75], "TEST INFORMATION|Could not parse line|error|ERROR|~DTFCC,1,PF,262.4,10,");
  EXPECT_EQ(seen[57], "RECOVERIES|~DTREC|table|-||1:RXXA.M=45.0|2:RXXC.=GCM|3:RXXD.=Gas cut mud");
  EXPECT_EQ(seen[72], "CLOSED CHAMBER|~DTCC|table|-||1:TIME.DAY/HR/SS=2025 03 14 0953:002025-03-14T09:53:00|"
                      "2:PSUR.KPAA=188.6|3:QCCGAS.E3M3/D=35.1");
  EXPECT_EQ(seen[87].substr(0, 44), "GAUGE 1|~DTFG (1)|table|-||1:TIME.DAY/HR/SS=");
}

}  // namespace
}  // namespace tnw::archive
