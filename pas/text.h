// Small text helpers shared by the reading code. Texts are bytes as read from the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tnw::pas {

// Blanks, tabs and line-end characters.
inline bool isTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

inline std::string_view trim(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && isTrimmed(text[begin])) ++begin;
  while (end > begin && isTrimmed(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

inline bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Replaces every occurrence of `from` by `to`, left to right, in one pass.
void replaceAll(std::string& text, std::string_view from, std::string_view to);

std::string toUpperAscii(std::string_view text);

// "1,048,576": counts in messages read as the user reads them elsewhere.
std::string withSeparators(uint64_t n);

// printf-style formatting into a std::string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tnw::pas
