// The heap and the stream buffer libxlsxwriter's Windows build goes through: what it allocates
// keeps its content and may be freed on any thread; what it writes reaches each stream in order,
// whatever else is done with the streams in between.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

extern "C" {
void* tnw_xlsx_malloc(size_t size);
void* tnw_xlsx_calloc(size_t count, size_t size);
void* tnw_xlsx_realloc(void* block, size_t size);
void tnw_xlsx_free(void* block);
int tnw_xlsx_vfprintf(std::FILE* file, const char* format, va_list args);
void tnw_xlsx_flush_pending(void);
}

namespace {

int print(std::FILE* file, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = tnw_xlsx_vfprintf(file, format, args);
  va_end(args);
  return n;
}

std::string contentOf(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string out;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) out.append(buffer, n);
  return out;
}

TEST(XlsxwriterWin32, BlocksKeepTheirContentAcrossSizesAndThreads) {
  auto* zeroed = static_cast<unsigned char*>(tnw_xlsx_calloc(100, 3));
  ASSERT_NE(zeroed, nullptr);
  EXPECT_EQ(std::vector<unsigned char>(zeroed, zeroed + 300), std::vector<unsigned char>(300, 0));
  EXPECT_EQ(tnw_xlsx_calloc(SIZE_MAX / 2, 3), nullptr);  // the product overflows
  std::memset(zeroed, 'x', 300);
  tnw_xlsx_free(zeroed);  // kept, and given out again: calloc must clear it
  auto* again = static_cast<unsigned char*>(tnw_xlsx_calloc(1, 300));
  EXPECT_EQ(std::vector<unsigned char>(again, again + 300), std::vector<unsigned char>(300, 0));
  tnw_xlsx_free(again);

  // Grown from a small class through a large one to beyond any class, then shrunk.
  char* text = static_cast<char*>(tnw_xlsx_malloc(10));
  std::strcpy(text, "cells");
  for (size_t size : {size_t{200}, size_t{5000}, size_t{100000}, size_t{8}}) {
    text = static_cast<char*>(tnw_xlsx_realloc(text, size));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text, 5), "cells") << size;
  }
  // Freed on a thread that did not take them, which then ends.
  std::vector<void*> blocks;
  for (size_t size = 1; size < 20000; size += 97) blocks.push_back(tnw_xlsx_malloc(size));
  std::thread([&] {
    for (void* block : blocks) tnw_xlsx_free(block);
  }).join();
  tnw_xlsx_free(text);
}

TEST(XlsxwriterWin32, WritesReachEachStreamInOrder) {
  tnw::testing::TempDir dir;
  std::FILE* a = std::fopen(dir.file("a").c_str(), "w+b");
  std::FILE* b = std::fopen(dir.file("b").c_str(), "w+b");
  ASSERT_TRUE(a && b);
  std::string expectA, expectB;
  for (int i = 0; i < 30000; ++i) {  // past the buffer, taking turns between the two streams
    print(a, "<c r=\"%s%d\" s=\"%d\"/>", "A", i, i % 7);
    expectA += "<c r=\"A" + std::to_string(i) + "\" s=\"" + std::to_string(i % 7) + "\"/>";
    if (i % 1000 == 0) {
      print(b, "%s|", "row");
      expectB += "row|";
    }
  }
  print(a, "%.1f", 2.5);  // a format the formatter leaves to the C library
  expectA += "2.5";
  const std::string longText(100000, 'z');  // longer than the buffer
  print(b, "%s", longText.c_str());
  expectB += longText;
  // Another thread reads only what was handed over.
  tnw_xlsx_flush_pending();
  std::string readA, readB;
  std::thread([&] { readA = contentOf(a), readB = contentOf(b); }).join();
  EXPECT_EQ(readA, expectA);
  EXPECT_EQ(readB, expectB);
  std::fclose(a);
  std::fclose(b);
}

}  // namespace
