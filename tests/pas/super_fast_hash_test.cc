#include "pas/super_fast_hash.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace tnw::pas {
namespace {

uint32_t hashOf(std::string_view s) { return superFastHash(s.data(), s.size()); }

// How the fixed values were derived: the published reference code (hash.c, with its portable
// byte-wise get16bits) was compiled as C with gcc on x86-64 and run on these inputs, and the
// same steps were transcribed independently into Python (masking to 32 bits after every
// operation, trailing bytes of 0x80 and above read as negative). Both gave the values below.
// The one-byte case "a" was also followed by hand:
//   hash = 1 (the length); += 'a' (0x61)  -> 0x00000062
//   ^= hash << 10                         -> 0x00018862
//   += hash >> 1                          -> 0x00024C93
//   avalanche: ^= <<3 -> 0x0010280B; += >>5 -> 0x0010A94B; ^= <<4 -> 0x011A3DFB;
//              += >>17 -> 0x011A3E88; ^= <<25 -> 0x111A3E88; += >>6 -> 0x115EA782.
TEST(SuperFastHash, LengthZeroGivesZero) {
  EXPECT_EQ(superFastHash("", 0), 0u);
  EXPECT_EQ(superFastHash("abc", 0), 0u);
  EXPECT_EQ(superFastHash(nullptr, 0), 0u);
}

TEST(SuperFastHash, HandFollowedOneByteCase) { EXPECT_EQ(hashOf("a"), 0x115EA782u); }

TEST(SuperFastHash, EachTailLength) {
  EXPECT_EQ(hashOf("ab"), 0x516B8B44u);     // two bytes left
  EXPECT_EQ(hashOf("abc"), 0xD2BE198Au);    // three
  EXPECT_EQ(hashOf("abcd"), 0xDAD8B8DBu);   // one block, no tail
  EXPECT_EQ(hashOf("abcde"), 0x51ED072Eu);  // one block, one byte
}

TEST(SuperFastHash, LongerTexts) {
  EXPECT_EQ(hashOf("~VERSION"), 0x2F9258A6u);
  EXPECT_EQ(hashOf("GIF89a"), 0x9381108Eu);
  EXPECT_EQ(hashOf("hello world"), 0xA68C6882u);
  EXPECT_EQ(hashOf("The quick brown fox jumps over the lazy dog"), 0x05BF7CE3u);
}

TEST(SuperFastHash, TrailingBytesAreSignedChars) {
  // The values an unsigned reading of the tail byte would give are in the comments; the
  // reference code's (signed char) makes them differ.
  EXPECT_EQ(hashOf("\x80"), 0xF30533C4u);       // unsigned: 0x5D4C226B
  EXPECT_EQ(hashOf("ab\x80"), 0x81AA4BD5u);     // unsigned: 0x599A8319
  EXPECT_EQ(hashOf("ab\xFF"), 0xC25F0954u);     // unsigned: 0x611F19C4
  EXPECT_EQ(hashOf("abcd\xE9"), 0x6F479C03u);   // unsigned: 0x6DD42EA6
  EXPECT_EQ(hashOf("\xFF\xFF\xFF"), 0xCD1CA2A0u);  // unsigned: 0x53FA1213
  // A single 0xFF: 1 (the length) + (-1) leaves 0, and every later step keeps 0 at 0.
  EXPECT_EQ(hashOf("\xFF"), 0u);                // unsigned: 0xA9E99665
  // Bytes inside a 16-bit half are read unsigned in either reading.
  EXPECT_EQ(hashOf("\xFF\xFF"), 0x2B7E8647u);
}

TEST(SuperFastHash, ReadsOnlyTheGivenLength) {
  const char buffer[] = "abcdefgh";
  EXPECT_EQ(superFastHash(buffer, 5), hashOf("abcde"));
  EXPECT_EQ(superFastHash(buffer, 4), hashOf("abcd"));
}

TEST(SuperFastHash, DoesNotDependOnAlignment) {
  alignas(8) char buffer[64] = {};
  const std::string text = "The quick brown fox jumps over the lazy dog";
  for (size_t offset = 0; offset < 8; ++offset) {
    std::memcpy(buffer + offset, text.data(), text.size());
    EXPECT_EQ(superFastHash(buffer + offset, text.size()), 0x05BF7CE3u) << offset;
  }
}

}  // namespace
}  // namespace tnw::pas
