#include "pas/line_source.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tnw::pas {
namespace {

std::vector<std::string> allLines(LineSource& source) {
  std::vector<std::string> out;
  std::string line;
  while (source.readLine(line)) out.push_back(line);
  return out;
}

std::vector<std::string> linesOf(std::string bytes) {
  auto source = LineSource::fromBytes(std::move(bytes));
  return allLines(*source);
}

using V = std::vector<std::string>;

TEST(LineSource, LineEndsOfEveryKindAndALastLineWithoutOne) {
  EXPECT_EQ(linesOf("a\nb\r\nc\rd"), (V{"a", "b", "c", "d"}));
  EXPECT_EQ(linesOf("a\n\nb\n"), (V{"a", "", "b"}));
  EXPECT_EQ(linesOf("a\r\r\nb"), (V{"a", "", "b"}));
  EXPECT_EQ(linesOf(""), V{});
  EXPECT_EQ(linesOf("\n"), V{""});
}

TEST(LineSource, CtrlZEndsTheFileOnlyWhereNothingButBlanksFollow) {
  auto expect = [](const std::string& bytes, const V& lines, int32_t markLine) {
    auto source = LineSource::fromBytes(bytes);
    EXPECT_EQ(allLines(*source), lines) << ::testing::PrintToString(bytes.substr(0, 20));
    EXPECT_EQ(source->endMarkLine(), markLine) << ::testing::PrintToString(bytes.substr(0, 20));
  };
  expect("a\nb\x1A", {"a", "b"}, 0);
  expect("a\r\n\x1A \t\r\n\x1A\x1A\n\r", {"a"}, 0);
  expect("a\nb\x1A" "c\nd\n", {"a", "bc", "d"}, 2);  // in the middle of a line
  expect("a\n\x1A\nb\x1A\n", {"a", "", "b"}, 2);      // at the start of one; the last ends the file
  expect("a\r\x1A\nb", {"a", "b"}, 2);                // between a CR and its LF
  expect("a\x1A" + std::string(70000, ' ') + "\nb", {"a" + std::string(70000, ' '), "b"}, 1);  // past the buffer
  expect("a\x1A" + std::string(70000, '\n'), {"a"}, 0);
}

TEST(LineSource, ByteOrderMarks) {
  EXPECT_EQ(linesOf("\xEF\xBB\xBF~VERSION\n"), (V{"~VERSION"}));
  EXPECT_EQ(linesOf("a\n\xEF\xBB\xBF"), (V{"a", "\xEF\xBB\xBF"}));  // only at the start
  testing::TempDir dir;
  dir.write("le.pas", std::string("\xFF\xFE~\0A\0\r\0\n\0\xE9\0", 12));
  dir.write("be.pas", std::string("\xFE\xFF\0~\0A\0\n\0\xE9", 10));
  std::string err;
  for (const char* name : {"le.pas", "be.pas"}) {
    auto source = LineSource::open(dir.file(name), &err);
    ASSERT_TRUE(source) << err;
    EXPECT_EQ(allLines(*source), (V{"~A", "\xC3\xA9"})) << name;
  }
}

TEST(LineSource, LinesAndLineEndsAcrossTheReadBuffer) {
  std::string longLine(200000, 'x');
  std::string text = std::string(65535, 'a') + "\r\n" + longLine + "\r" + "\nz";
  EXPECT_EQ(linesOf(text), (V{std::string(65535, 'a'), longLine, "z"}));
  std::string crAtEdge = std::string(65535, 'b') + "\r" + "\n" + "c";
  EXPECT_EQ(linesOf(crAtEdge), (V{std::string(65535, 'b'), "c"}));
}

TEST(LineSource, PushBackAndRewind) {
  auto source = LineSource::fromBytes("one\ntwo\nthree\n");
  std::string line;
  ASSERT_TRUE(source->pushBackNext(line));
  EXPECT_EQ(line, "one");
  ASSERT_TRUE(source->readLine(line));
  EXPECT_EQ(line, "one");
  ASSERT_TRUE(source->pushBackNext(line));
  EXPECT_EQ(line, "two");
  source->rewind();  // the pushed-back line survives the rewind
  EXPECT_EQ(allLines(*source), (V{"two", "one", "two", "three"}));
  EXPECT_FALSE(source->pushBackNext(line));
}

TEST(LineSource, FilesThatCannotBeRead) {
  testing::TempDir dir;
  std::string err;
  EXPECT_FALSE(LineSource::open(dir.file("missing.pas"), &err));
  EXPECT_EQ(err, "cannot open " + dir.file("missing.pas") + ": No such file or directory");
  EXPECT_FALSE(LineSource::open(dir.path(), &err));
  EXPECT_EQ(err, "cannot read " + dir.path() + ": it is a directory");
  dir.write("ok.pas", "a\nb");
  auto source = LineSource::open(dir.file("ok.pas"), &err);
  ASSERT_TRUE(source);
  EXPECT_EQ(allLines(*source), (V{"a", "b"}));
  source->rewind();
  EXPECT_EQ(allLines(*source), (V{"a", "b"}));
  EXPECT_FALSE(source->failed());
}

}  // namespace
}  // namespace tnw::pas
