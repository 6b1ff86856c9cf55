// Paul Hsieh's SuperFastHash, the hash the logo check compares against.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tnw::pas {

// The published 32-bit algorithm: the initial hash is the length, the data is read in 16-bit
// little-endian halves, and the one to three bytes left at the end are handled as the reference
// code does, its single bytes read as signed char (so bytes of 0x80 and above sign-extend, on
// every platform). Length 0 gives 0; the length enters the hash modulo 2^32.
uint32_t superFastHash(const char* data, size_t length);

}  // namespace tnw::pas
