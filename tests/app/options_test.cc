#include "app/convert/options.h"

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace tnw::app {
namespace {

bool parse(std::vector<std::string> args, ConvertOptions* options, std::string* err) {
  return parseConvertOptions(args, options, err);
}

TEST(ConvertOptions, InputsAndOptionsInAnyOrder) {
  ConvertOptions o;
  std::string err;
  ASSERT_TRUE(parse({"a.pas", "-d", "out", "--quiet", "--", "-odd.pas"}, &o, &err)) << err;
  EXPECT_EQ(o.inputs, (std::vector<std::string>{"a.pas", "-odd.pas"}));
  EXPECT_EQ(o.outputDir, "out");
  EXPECT_TRUE(o.quiet);
  ConvertOptions p;
  ASSERT_TRUE(parse({"--output=x.xlsx", "a.pas"}, &p, &err));
  EXPECT_EQ(p.output, "x.xlsx");
  for (auto args : std::vector<std::vector<std::string>>{{"-j", "3", "a"}, {"-j3", "a"}, {"--jobs=3", "a"}}) {
    ConvertOptions j;
    ASSERT_TRUE(parse(args, &j, &err)) << err;
    EXPECT_EQ(j.jobs, 3);
  }
}

TEST(ConvertOptions, CommandLinesThatCannotRun) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{}, "no input file given"},
      {{"-x", "a.pas"}, "unknown option '-x'"},
      {{"a.pas", "-o"}, "option '-o' needs a value"},
      {{"-o", "x.xlsx", "a.pas", "b.pas"}, "-o names the workbook of one input; use -d for several"},
      {{"-o", "x.xlsx", "-d", "d", "a.pas"}, "-o and -d cannot be used together"},
      {{"--info", "-d", "d", "a.pas"}, "--info writes no workbook; -o and -d do not go with it"},
      {{"--json", "a.pas"}, "--json goes with --info"},
      {{"-j", "0", "a.pas"}, "'0' is no number of jobs (1 to 256)"},
      {{"-jx", "a.pas"}, "'x' is no number of jobs (1 to 256)"},
      {{"--jobs=999", "a.pas"}, "'999' is no number of jobs (1 to 256)"},
      {{"--source", "lab", "a.pas"}, "--source goes with --db"},
      {{"--db", "a.sqlite", "--db-schema=x", "a.pas"}, "--db-schema goes with a PostgreSQL --db"},
  };
  for (const Case& c : cases) {
    ConvertOptions o;
    std::string err;
    EXPECT_FALSE(parse(c.args, &o, &err));
    EXPECT_EQ(err, c.err);
  }
  ConvertOptions help;
  std::string err;
  EXPECT_TRUE(parse({"--help"}, &help, &err));  // needs no input
  EXPECT_TRUE(help.help);
}

TEST(ConvertOptions, WorkbooksAreNamedAfterTheirInput) {
  const std::string sep(1, platform::preferredSeparator());  // the folder is joined the system's way
  EXPECT_EQ(outputPathFor("data/well.pas", ""), "data" + sep + "well.xlsx");
  EXPECT_EQ(outputPathFor("data/WELL.PAS", ""), "data" + sep + "WELL.xlsx");
  EXPECT_EQ(outputPathFor("well.pas", ""), "well.xlsx");
  EXPECT_EQ(outputPathFor("data/well.txt", "out"), "out" + sep + "well.txt.xlsx");
  EXPECT_EQ(outputPathFor("data/well.test.Pas", "/tmp/x"), "/tmp/x" + sep + "well.test.xlsx");
  EXPECT_EQ(outputPathFor("archive/.pas", ""), "archive" + sep + ".pas.xlsx");
}

// Names beyond ASCII keep their letters: the path is never taken apart byte by byte.
TEST(ConvertOptions, NamesBeyondAsciiKeepTheirLetters) {
  const std::string sep(1, platform::preferredSeparator());
  EXPECT_EQ(outputPathFor("Pr\xC3\xBC" "fung/Bohrloch \xCE\xB5 \xE6\xBC\xA2.pas", ""),
            "Pr\xC3\xBC" "fung" + sep + "Bohrloch \xCE\xB5 \xE6\xBC\xA2.xlsx");
  EXPECT_EQ(outputPathFor("\xC3\x9C.PAS", "\xE6\xBC\xA2 dir"), "\xE6\xBC\xA2 dir" + sep + "\xC3\x9C.xlsx");
}

}  // namespace
}  // namespace tnw::app
