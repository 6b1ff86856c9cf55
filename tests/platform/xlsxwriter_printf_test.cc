// The formatter libxlsxwriter writes its cells with must give what the C library gives, for the
// formats it takes on and for those it hands back.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "cmake/xlsxwriter-printf.h"
#undef fprintf
#undef snprintf
#undef __builtin_snprintf

namespace {

template <typename... Args>
void expectSame(const char* format, Args... args) {
  char ours[256], theirs[256];
  int n = tnw_snprintf(ours, sizeof ours, format, args...);
  int m = std::snprintf(theirs, sizeof theirs, format, args...);
  EXPECT_EQ(std::string(ours), std::string(theirs)) << format;
  EXPECT_EQ(n, m) << format;
}

TEST(XlsxwriterPrintf, PlainFormatsAsTheCLibrary) {
  expectSame("<c r=\"%s\" s=\"%d\"><v>%s</v></c>", "AB123", 7, "12.5");
  for (int value : {0, 1, -1, 42, 1048576, INT_MAX, INT_MIN}) {
    expectSame("%d|%u|%x|%X", value, static_cast<unsigned>(value), static_cast<unsigned>(value),
               static_cast<unsigned>(value));
  }
  expectSame("%02d-%02d-%02dT%02d:%02d:%02dZ", 2026, 1, 9, 0, 5, 59);
  expectSame("%4d|%06X|%2x|%04X|%012X", 7, 0xABCu, 0xFu, 0x1u, 0xDEADBEEFu);
  expectSame("%c%c 100%%", 'A', 'z');
  expectSame("no conversion at all");
}

TEST(XlsxwriterPrintf, WhatItDoesNotKnowGoesToTheCLibrary) {
  expectSame("%.16G", 0.1);
  expectSame("%g%%", 12.5);
  expectSame("%ld|%lu", 123456789L, 42UL);
  expectSame("%-5s|%5s|", "ab", "cd");
  expectSame("%4d", -7);
  expectSame("%s", std::string(300, 'x').c_str());
}

TEST(XlsxwriterPrintf, CutsToTheBufferAndCountsInFull) {
  char small[4];
  EXPECT_EQ(tnw_snprintf(small, sizeof small, "%d", 123456), 6);
  EXPECT_EQ(std::string(small), "123");
}

TEST(XlsxwriterPrintf, WritesToAStreamInOnePiece) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(tnw_fprintf(file, "<row r=\"%d\">%s", 12, "x"), 13);
  EXPECT_EQ(tnw_fprintf(file, "%.3f", 1.5), 5);
  std::rewind(file);
  char back[64] = {};
  EXPECT_EQ(std::fread(back, 1, sizeof back, file), 18u);
  std::fclose(file);
  EXPECT_EQ(std::string(back), "<row r=\"12\">x1.500");
}

}  // namespace
