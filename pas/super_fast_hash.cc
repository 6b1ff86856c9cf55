#include "pas/super_fast_hash.h"

namespace tnw::pas {

namespace {

uint32_t get16bits(const char* d) {
  return static_cast<uint32_t>(static_cast<unsigned char>(d[0])) |
         static_cast<uint32_t>(static_cast<unsigned char>(d[1])) << 8;
}

// The reference code's (signed char) reading, widened as C widens it: sign-extended to 32 bits.
uint32_t signedByte(char c) {
  return static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)));
}

}  // namespace

uint32_t superFastHash(const char* data, size_t length) {
  if (length == 0 || data == nullptr) return 0;
  uint32_t hash = static_cast<uint32_t>(length);
  const size_t rem = length & 3;

  for (size_t blocks = length >> 2; blocks > 0; --blocks) {
    hash += get16bits(data);
    const uint32_t tmp = (get16bits(data + 2) << 11) ^ hash;
    hash = (hash << 16) ^ tmp;
    data += 4;
    hash += hash >> 11;
  }

  switch (rem) {
    case 3:
      hash += get16bits(data);
      hash ^= hash << 16;
      hash ^= signedByte(data[2]) << 18;  // unsigned shift: the bits of the reference's int shift
      hash += hash >> 11;
      break;
    case 2:
      hash += get16bits(data);
      hash ^= hash << 11;
      hash += hash >> 17;
      break;
    case 1:
      hash += signedByte(data[0]);
      hash ^= hash << 10;
      hash += hash >> 1;
      break;
  }

  // Force "avalanching" of the final 127 bits.
  hash ^= hash << 3;
  hash += hash >> 5;
  hash ^= hash << 4;
  hash += hash >> 17;
  hash ^= hash << 25;
  hash += hash >> 6;
  return hash;
}

}  // namespace tnw::pas
