// SHA-256 of a file's bytes: how the archive knows a file it has loaded before, whatever its
// times say.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tnw::archive {

class Sha256 {
 public:
  Sha256();
  void update(const void* data, size_t size);
  // The digest as 64 lower-case hex digits; the object is spent afterwards.
  std::string hexDigest();

 private:
  void block(const unsigned char* p);
  uint32_t state_[8];
  unsigned char buffer_[64];
  size_t buffered_ = 0;
  uint64_t length_ = 0;
};

std::string sha256Hex(std::string_view bytes);

// Hashes a whole file; false with *err naming the file when it cannot be read.
bool hashFile(const std::string& path, std::string* hex, int64_t* bytes, std::string* err);

}  // namespace tnw::archive
