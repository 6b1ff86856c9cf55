#include "archive/summary_workbook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "pas/header_sections.h"
#include "platform/platform.h"
#include "test_support.h"

namespace tnw::archive {
namespace {

using testing::rowValues;

class SummaryTest : public ::testing::Test {
 protected:
  // Each input converted and handed over as the converter does; one that cannot be converted
  // goes in with the reason as its status.
  void summarize(const std::vector<std::string>& paths, SummaryOptions options = {}) {
    sink_ = std::make_unique<SummarySink>(dir_.file("summary.xlsx"), options);
    for (const std::string& path : paths) {
      Conversion conversion;
      InputFile input;
      input.path = path;
      std::string err;
      input.status = conversion.run(path, nullptr, &err) ? "converted" : err;
      if (err.empty()) input.conversion = &conversion;
      ASSERT_TRUE(sink_->add(input, nullptr));
    }
    std::string err;
    ASSERT_TRUE(sink_->finish(&err)) << err;
    ASSERT_TRUE(std::filesystem::exists(dir_.file("summary.xlsx")));
  }
  const sheet::MemoryWorkbook& book() const { return sink_->workbook(); }
  // The column of a section and mnemonic on a sheet, from its header rows; -1 when none.
  int column(std::string_view sheet, std::string_view section, std::string_view mnemonic) const {
    std::vector<std::string> sections = rowValues(book(), sheet, 1), mnemonics = rowValues(book(), sheet, 2);
    for (size_t col = 0; col < std::min(sections.size(), mnemonics.size()); ++col)
      if (sections[col] == section && mnemonics[col] == mnemonic) return static_cast<int>(col);
    return -1;
  }

  testing::TempDir dir_;
  std::unique_ptr<SummarySink> sink_;
};

TEST_F(SummaryTest, EveryExampleAndAFailedInput) {
  std::vector<std::string> paths;
  // Listed as full paths, as the summary shows them.
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::absolute(testing::sourcePath("examples"))))
    paths.push_back(platform::pathToUtf8(entry.path().lexically_normal()));
  std::sort(paths.begin(), paths.end());
  paths.insert(paths.begin() + 3, dir_.file("missing.pas"));
  summarize(paths);
  EXPECT_EQ(testing::sheetNames(book()), (std::vector<std::string>{"FILES", "DST", "PRD", "AOF", "TRG", "AWS", "GRD",
                                                                   "SG", "GAN", "OAN", "WAN"}));
  std::vector<std::string> failed = rowValues(book(), "FILES", 5);
  ASSERT_EQ(failed.size(), 13u);
  EXPECT_EQ(failed[0] + failed[1] + failed[10], dir_.file("missing.pas"));
  EXPECT_EQ(failed.back().find("cannot open " + dir_.file("missing.pas")), 0u) << failed.back();
  EXPECT_EQ(rowValues(book(), "FILES", 6)[0], paths[4]);
  EXPECT_EQ(rowValues(book(), "FILES", 6).back(), "converted");

  // drillstem-test-long.pas is the first drillstem test: two gauges, each a column of its own.
  std::vector<std::string> row = rowValues(book(), "DST", 4);
  EXPECT_EQ(row[0], paths[2]);
  int gauge1 = column("DST", "~HEADER DATA - GAUGE (1)", "GSER."), gauge2 = column("DST", "~HEADER DATA - GAUGE (2)", "GSER.");
  ASSERT_TRUE(gauge1 > 1 && gauge2 > gauge1);
  EXPECT_EQ(row[gauge1] + " " + row[gauge2], "DX-4471 DX-4502");
  std::string text = testing::readFile(paths[2]);
  size_t rows = 0;
  for (size_t at = 0; (at = text.find("\n~DTG (2),", at)) != std::string::npos; ++at) ++rows;
  EXPECT_EQ(row[column("DST", "~DTG (2)", "rows")], std::to_string(rows));
  EXPECT_LT(column("DST", "~DTG (1)", "rows"), column("DST", "~DTG (2)", "rows"));

  // Columns stand as the catalogue lists them, whatever order the files give them in.
  int last = -1;
  for (const pas::HeaderEntry& entry : pas::wellInformationSection().entries) {
    int col = column("DST", "~WELL INFORMATION", entry.rowMnemonic);
    if (col < 0) continue;
    EXPECT_GT(col, last) << entry.rowMnemonic;
    last = col;
  }
}

TEST_F(SummaryTest, SectionsNumbersAndValuesGivenTwice) {
  std::string head = "~VERSION,PASTYPE.,DST,PAS file Type,\n~VERSION,VERS.,4.0,PAS file version,\n";
  dir_.write("a.pas", head + "~HEADER DATA - GAUGE (2),GSER.,G2,Serial,\n~WELL INFORMATION,UWI.,W1,Well,\n"
                             "~WELL INFORMATION,UWI.,W2,Well,\n~HEADER DATA - GAUGE (1),GSER.,G1,Serial,\n"
                             "~TEST SUMMARY DATA,GSER.,S,Serial,\n");
  dir_.write("b.pas", "~VERSION,PASTYPE.,XYZ,PAS file Type,\n~WELL INFORMATION,UWI.,W3,Well,\n");
  summarize({dir_.file("a.pas"), dir_.file("b.pas")});
  EXPECT_EQ(testing::sheetNames(book()), (std::vector<std::string>{"FILES", "DST"}));
  EXPECT_EQ(rowValues(book(), "FILES", 3)[1], "XYZ");
  EXPECT_EQ(rowValues(book(), "DST", 2), (std::vector<std::string>{"", "", "PASTYPE.", "VERS.", "UWI.", "GSER.",
                                                                   "GSER.", "GSER."}));
  EXPECT_EQ(rowValues(book(), "DST", 1)[5] + rowValues(book(), "DST", 1)[7],
            "~TEST SUMMARY DATA~HEADER DATA - GAUGE (2)");
  EXPECT_EQ(rowValues(book(), "DST", 4), (std::vector<std::string>{dir_.file("a.pas"), "W2", "DST", "4", "W2", "S",
                                                                   "G1", "G2"}));
  EXPECT_EQ(sink_->notes(), std::vector<std::string>{dir_.file("a.pas") + ", line 5: ~WELL INFORMATION UWI. is given "
                                                     "again with another value; the summary shows this one, not the one of line 4"});
}

TEST_F(SummaryTest, PastTheLimitsOnFurtherSheets) {
  std::string example = testing::sourcePath("examples/drillstem-test.pas");
  summarize({example, example, example}, {.maxRows = 5, .maxColumns = 40});
  std::vector<std::string> names = testing::sheetNames(book());
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names[2], "DST (columns 2)");
  for (const std::string& name : names) {
    if (name == "FILES") continue;
    EXPECT_EQ(rowValues(book(), name, 3)[1], "UWI") << name;
    EXPECT_EQ(rowValues(book(), name, 6)[1], "100/11-27-052-18W5/00") << name;
    EXPECT_LE(rowValues(book(), name, 1).size(), 40u) << name;
  }
  std::vector<std::string> notes = sink_->notes();
  EXPECT_EQ(notes.front(), "sheet \"DST\" has more columns than a sheet can hold (40); they continue on sheet "
                           "\"DST (columns 2)\", with File and UWI repeated");
  EXPECT_NE(std::find(notes.begin(), notes.end(), "sheet \"DST\" has more rows than a sheet can hold (5); they "
                                                  "continue on sheet \"DST (2)\""),
            notes.end());
}

}  // namespace
}  // namespace tnw::archive
