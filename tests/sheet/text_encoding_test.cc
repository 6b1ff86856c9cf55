#include "sheet/text_encoding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace tnw::sheet {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

// An independent reading of the well-formedness rules for the exhaustive tests: decode by the
// bit patterns alone, then refuse what is overlong, a surrogate or beyond U+10FFFF.
bool referenceValid(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    int length;
    char32_t c;
    if (b < 0x80) {
      length = 1, c = b;
    } else if ((b & 0xE0) == 0xC0) {
      length = 2, c = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      length = 3, c = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      length = 4, c = b & 0x07;
    } else {
      return false;
    }
    if (s.size() - i < static_cast<size_t>(length)) return false;
    for (int k = 1; k < length; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      c = (c << 6) | (t & 0x3F);
    }
    static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMin[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

TEST(IsValidUtf8, WellFormedTexts) {
  EXPECT_TRUE(isValidUtf8(""));
  EXPECT_TRUE(isValidUtf8("~VERSION INFORMATION"));
  EXPECT_TRUE(isValidUtf8("caf\xC3\xA9"));                   // é
  EXPECT_TRUE(isValidUtf8("\xE2\x82\xAC"));                  // €
  EXPECT_TRUE(isValidUtf8("\xF0\x9F\x98\x80"));              // U+1F600
  EXPECT_TRUE(isValidUtf8("\xF4\x8F\xBF\xBF"));              // U+10FFFF
  EXPECT_TRUE(isValidUtf8("\xC2\x80"));                      // U+0080
  EXPECT_TRUE(isValidUtf8("\xE0\xA0\x80"));                  // U+0800
  EXPECT_TRUE(isValidUtf8("\xED\x9F\xBF"));                  // U+D7FF
  EXPECT_TRUE(isValidUtf8("\xEE\x80\x80"));                  // U+E000
  EXPECT_TRUE(isValidUtf8("\xF0\x90\x80\x80"));              // U+10000
  EXPECT_TRUE(isValidUtf8("a\0b"s));                         // NUL is a character
}

TEST(IsValidUtf8, IllFormedTexts) {
  EXPECT_FALSE(isValidUtf8("caf\xE9"));                      // Windows-1252 é
  EXPECT_FALSE(isValidUtf8("\x80"));                         // stray continuation
  EXPECT_FALSE(isValidUtf8("\xC0\x80"));                     // overlong NUL
  EXPECT_FALSE(isValidUtf8("\xC1\xBF"));                     // overlong U+007F
  EXPECT_FALSE(isValidUtf8("\xE0\x80\x80"));                 // overlong
  EXPECT_FALSE(isValidUtf8("\xE0\x9F\xBF"));                 // overlong U+07FF
  EXPECT_FALSE(isValidUtf8("\xF0\x80\x80\x80"));             // overlong
  EXPECT_FALSE(isValidUtf8("\xF0\x8F\xBF\xBF"));             // overlong U+FFFF
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));                 // U+D800
  EXPECT_FALSE(isValidUtf8("\xED\xBF\xBF"));                 // U+DFFF
  EXPECT_FALSE(isValidUtf8("\xED\xA0\xBD\xED\xB8\x80"));     // CESU-8 surrogate pair
  EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));             // U+110000
  EXPECT_FALSE(isValidUtf8("\xF5\x80\x80\x80"));
  EXPECT_FALSE(isValidUtf8("\xFF"));
  EXPECT_FALSE(isValidUtf8("\xFE\xFF"));
  EXPECT_FALSE(isValidUtf8("\xC3"));                         // cut short
  EXPECT_FALSE(isValidUtf8("\xE2\x82"));
  EXPECT_FALSE(isValidUtf8("\xF0\x9F\x98"));
  EXPECT_FALSE(isValidUtf8("\xE2\x28\xA1"));                 // bad second byte
  EXPECT_FALSE(isValidUtf8("\xE2\x82\x28"));                 // bad third byte
  EXPECT_FALSE(isValidUtf8("\xF0\x9F\x98\x28"));             // bad fourth byte
}

TEST(IsValidUtf8, FindsTheBadByteWhereverItIs) {
  for (size_t length = 1; length <= 40; ++length) {
    for (size_t at = 0; at < length; ++at) {
      std::string s(length, 'x');
      s[at] = '\xE9';
      EXPECT_FALSE(isValidUtf8(s)) << length << " " << at;
      s[at] = 'y';
      EXPECT_TRUE(isValidUtf8(s)) << length << " " << at;
    }
  }
  // A sequence that straddles the word boundary of the ASCII fast path.
  EXPECT_TRUE(isValidUtf8("1234567\xE2\x82\xAC" "abcdefgh"));
  EXPECT_FALSE(isValidUtf8("1234567\xE2\x82" "abcdefgh"));
}

TEST(IsValidUtf8, AgreesWithTheReferenceOnEverySequenceOfUpToThreeBytes) {
  std::string s;
  for (int a = 0; a < 256; ++a) {
    s.assign(1, static_cast<char>(a));
    ASSERT_EQ(isValidUtf8(s), referenceValid(s)) << a;
    for (int b = 0; b < 256; ++b) {
      s.assign({static_cast<char>(a), static_cast<char>(b)});
      ASSERT_EQ(isValidUtf8(s), referenceValid(s)) << a << " " << b;
      if (a < 0xE0 || a > 0xF4) continue;  // other leads are decided by two bytes
      for (int c = 0; c < 256; ++c) {
        s.assign({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)});
        ASSERT_EQ(isValidUtf8(s), referenceValid(s)) << a << " " << b << " " << c;
      }
    }
  }
}

TEST(IsValidUtf8, AgreesWithTheReferenceOnFourByteSequences) {
  static constexpr int kEdges[] = {0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xFF};
  std::string s;
  for (int a = 0xF0; a < 0x100; ++a) {
    for (int b = 0; b < 256; ++b) {
      for (int c : kEdges) {
        for (int d : kEdges) {
          s.assign({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c),
                    static_cast<char>(d)});
          ASSERT_EQ(isValidUtf8(s), referenceValid(s)) << a << " " << b << " " << c << " " << d;
        }
      }
    }
  }
}

TEST(NeedsConversion, OnlyWhenAByteIsNotAscii) {
  EXPECT_FALSE(needsConversion(""));
  for (size_t length = 1; length <= 40; ++length) {
    std::string s(length, '~');
    s[length / 2] = '\x7F';
    EXPECT_FALSE(needsConversion(s)) << length;
    for (size_t at = 0; at < length; ++at) {
      std::string t = s;
      t[at] = '\x80';
      EXPECT_TRUE(needsConversion(t)) << length << " " << at;
      t[at] = '\xFF';
      EXPECT_TRUE(needsConversion(t)) << length << " " << at;
    }
  }
  EXPECT_TRUE(needsConversion("caf\xC3\xA9"));  // valid UTF-8 too: it is not plain ASCII
}

TEST(ToUtf8, ValidUtf8PassesUnchanged) {
  EXPECT_EQ(toUtf8(""), "");
  EXPECT_EQ(toUtf8("Well 100/01-02-003-04W5/0"), "Well 100/01-02-003-04W5/0");
  EXPECT_EQ(toUtf8("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"),
            "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80");
  EXPECT_EQ(toUtf8("a\0b"s), "a\0b"s);
}

TEST(ToUtf8, OtherTextIsWindows1252) {
  EXPECT_EQ(toUtf8("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(toUtf8("\x80"), "\xE2\x82\xAC");                          // €
  EXPECT_EQ(toUtf8("\x93quoted\x94"), "\xE2\x80\x9Cquoted\xE2\x80\x9D");
  EXPECT_EQ(toUtf8("25\xB0" "C"), "25\xC2\xB0" "C");                  // degree sign
  EXPECT_EQ(toUtf8("\x8A\x9A\x9F"), "\xC5\xA0\xC5\xA1\xC5\xB8");      // Š š Ÿ
  EXPECT_EQ(toUtf8("\x99"), "\xE2\x84\xA2");                          // ™
  EXPECT_EQ(toUtf8("\xFF"), "\xC3\xBF");                              // ÿ
  EXPECT_EQ(toUtf8("\xA0"), "\xC2\xA0");                              // no-break space
  // One bad byte makes the whole text Windows-1252, the UTF-8 look-alike included.
  EXPECT_EQ(toUtf8("\xC3\xA9\xE9"), "\xC3\x83\xC2\xA9\xC3\xA9");
  // A truncated UTF-8 sequence at the end.
  EXPECT_EQ(toUtf8("ab\xE2\x82"), "ab\xC3\xA2\xE2\x80\x9A");
}

TEST(ToUtf8, TheFiveUndefinedBytesMapToC1Controls) {
  EXPECT_EQ(toUtf8("\x81"), "\xC2\x81");
  EXPECT_EQ(toUtf8("\x8D"), "\xC2\x8D");
  EXPECT_EQ(toUtf8("\x8F"), "\xC2\x8F");
  EXPECT_EQ(toUtf8("\x90"), "\xC2\x90");
  EXPECT_EQ(toUtf8("\x9D"), "\xC2\x9D");
}

TEST(ToUtf8, EveryByteIsOneCharacter) {
  // The Windows-1252 characters of 0x80..0x9F, in order.
  static constexpr char32_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string utf8 = toUtf8(all);
  ASSERT_TRUE(isValidUtf8(utf8));
  ASSERT_EQ(utf8CharCount(utf8), 256u);
  // Decode again and compare code point by code point.
  size_t i = 0;
  for (int b = 0; b < 256; ++b) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
    char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : lead & 0x0F;
    for (int k = 1; k < length; ++k) c = (c << 6) | (utf8[i + k] & 0x3F);
    i += length;
    const char32_t expected = b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : static_cast<char32_t>(b);
    EXPECT_EQ(c, expected) << "byte " << b;
  }
  EXPECT_EQ(i, utf8.size());
}

TEST(Utf8CharCount, CountsCodePoints) {
  EXPECT_EQ(utf8CharCount(""), 0u);
  EXPECT_EQ(utf8CharCount("abc"), 3u);
  EXPECT_EQ(utf8CharCount("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), 4u);
}

TEST(CutUtf8, NeverSplitsACodePoint) {
  const std::string_view s = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";  // a é € 😀 z
  EXPECT_EQ(cutUtf8(s, 0), "");
  EXPECT_EQ(cutUtf8(s, 1), "a");
  EXPECT_EQ(cutUtf8(s, 2), "a\xC3\xA9");
  EXPECT_EQ(cutUtf8(s, 3), "a\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(cutUtf8(s, 4), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(cutUtf8(s, 5), s);
  EXPECT_EQ(cutUtf8(s, 1000), s);
  EXPECT_EQ(cutUtf8(s, 2).data(), s.data());  // a view, not a copy
  EXPECT_EQ(cutUtf8("", 3), "");
}

TEST(CutUtf8, AtTheCellLimit) {
  std::string s(32766, 'x');
  s += "\xE2\x82\xAC\xE2\x82\xAC";  // 32,768 characters
  const std::string_view cut = cutUtf8(s, 32767);
  EXPECT_EQ(utf8CharCount(cut), 32767u);
  EXPECT_EQ(cut.size(), 32766u + 3);
  EXPECT_TRUE(isValidUtf8(cut));
}

std::string le(std::u16string_view units) {
  std::string out;
  for (char16_t u : units) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  return out;
}

std::string be(std::u16string_view units) {
  std::string out;
  for (char16_t u : units) {
    out.push_back(static_cast<char>(u >> 8));
    out.push_back(static_cast<char>(u & 0xFF));
  }
  return out;
}

TEST(Utf16ToUtf8, BothByteOrders) {
  const std::u16string_view text = u"~VERSION caf\u00E9 \u20AC \U0001F600\r\n";
  const std::string expected = "~VERSION caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\r\n";
  EXPECT_EQ(utf16ToUtf8(le(text), false), expected);
  EXPECT_EQ(utf16ToUtf8(be(text), true), expected);
  EXPECT_EQ(utf16ToUtf8("", false), "");
  EXPECT_EQ(utf16ToUtf8(le(u"\uFFFF\u0800\u07FF\u0080\u007F"), false),
            "\xEF\xBF\xBF\xE0\xA0\x80\xDF\xBF\xC2\x80\x7F");
  EXPECT_EQ(utf16ToUtf8(le(u"\U0010FFFF"), false), "\xF4\x8F\xBF\xBF");
  EXPECT_EQ(utf16ToUtf8(le(u"a\0b"sv), false), "a\0b"s);
}

TEST(Utf16ToUtf8, UnpairedSurrogatesBecomeReplacementCharacters) {
  const std::string kFffd = "\xEF\xBF\xBD";
  const char16_t high = 0xD83D, low = 0xDE00;
  EXPECT_EQ(utf16ToUtf8(le({&high, 1}), false), kFffd);
  EXPECT_EQ(utf16ToUtf8(le({&low, 1}), false), kFffd);
  const char16_t highThenA[] = {high, u'A'};
  EXPECT_EQ(utf16ToUtf8(le({highThenA, 2}), false), kFffd + "A");
  const char16_t reversed[] = {low, high};
  EXPECT_EQ(utf16ToUtf8(le({reversed, 2}), false), kFffd + kFffd);
  const char16_t twoHighs[] = {high, high, low};
  EXPECT_EQ(utf16ToUtf8(be({twoHighs, 3}), true), kFffd + "\xF0\x9F\x98\x80");
  const std::string result = utf16ToUtf8(le({reversed, 2}), false);
  EXPECT_TRUE(isValidUtf8(result));
}

TEST(Utf16ToUtf8, AnOddByteAtTheEnd) {
  EXPECT_EQ(utf16ToUtf8("A\0B"s, false), "A\xEF\xBF\xBD");
  EXPECT_EQ(utf16ToUtf8("\0A\0"s, true), "A\xEF\xBF\xBD");
  EXPECT_EQ(utf16ToUtf8("x", false), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace tnw::sheet
