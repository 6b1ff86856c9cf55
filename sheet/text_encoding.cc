#include "sheet/text_encoding.h"

#include <cstdint>
#include <cstring>

namespace tnw::sheet {

namespace {

constexpr uint64_t kHighBits = 0x8080808080808080ull;

// Length of the all-ASCII prefix, eight bytes at a time.
size_t asciiPrefix(std::string_view s) {
  const char* p = s.data();
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    if (word & kHighBits) break;
  }
  while (i < s.size() && static_cast<unsigned char>(p[i]) < 0x80) ++i;
  return i;
}

// Windows-1252 0x80..0x9F; the rest of the code page is Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

void appendUtf8(std::string* out, char32_t c) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

bool needsConversion(std::string_view bytes) { return asciiPrefix(bytes) != bytes.size(); }

bool isValidUtf8(std::string_view bytes) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  size_t i = asciiPrefix(bytes);
  while (i < n) {
    const unsigned char b = s[i];
    if (b < 0x80) {
      ++i;
      continue;
    }
    // The second byte's range depends on the lead byte (Unicode's table of well-formed
    // sequences); that is what shuts out overlongs, surrogates and code points past U+10FFFF.
    size_t length;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    } else {
      return false;  // a continuation byte, C0, C1 or F5..FF
    }
    if (n - i < length || s[i + 1] < lo || s[i + 1] > hi) return false;
    for (size_t k = 2; k < length; ++k) {
      if (!isContinuation(s[i + k])) return false;
    }
    i += length;
  }
  return true;
}

std::string toUtf8(std::string_view bytes) {
  if (isValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out.push_back(ch);
    } else if (b < 0xA0) {
      appendUtf8(&out, kCp1252High[b - 0x80]);
    } else {
      appendUtf8(&out, b);
    }
  }
  return out;
}

size_t utf8CharCount(std::string_view utf8) {
  size_t count = 0;
  for (char ch : utf8) count += !isContinuation(static_cast<unsigned char>(ch));
  return count;
}

std::string_view cutUtf8(std::string_view utf8, size_t maxChars) {
  size_t chars = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (isContinuation(static_cast<unsigned char>(utf8[i]))) continue;
    if (chars == maxChars) return utf8.substr(0, i);
    ++chars;
  }
  return utf8;
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t units = bytes.size() / 2;
  auto unitAt = [&](size_t k) -> char16_t {
    const unsigned char a = s[2 * k], b = s[2 * k + 1];
    return static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
  };
  std::string out;
  out.reserve(units + units / 2);
  for (size_t k = 0; k < units; ++k) {
    const char16_t u = unitAt(k);
    if (u < 0xD800 || u > 0xDFFF) {
      appendUtf8(&out, u);
    } else if (u <= 0xDBFF && k + 1 < units && unitAt(k + 1) >= 0xDC00 &&
               unitAt(k + 1) <= 0xDFFF) {
      appendUtf8(&out, 0x10000 + ((char32_t{u} - 0xD800) << 10) + (unitAt(k + 1) - 0xDC00));
      ++k;
    } else {
      appendUtf8(&out, 0xFFFD);  // a lone surrogate
    }
  }
  if (bytes.size() % 2 != 0) appendUtf8(&out, 0xFFFD);  // half a unit at the end
  return out;
}

}  // namespace tnw::sheet
