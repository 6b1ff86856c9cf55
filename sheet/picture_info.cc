#include "sheet/picture_info.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace tnw::sheet {

namespace {

// Where the parser reads from: memory, or a file read a window at a time, so a JPEG whose
// frame header sits behind large metadata segments is found without reading the file whole.
class Bytes {
 public:
  virtual ~Bytes() = default;
  // Exactly n bytes at offset; false when the data ends before (or cannot be read).
  virtual bool read(uint64_t offset, size_t n, unsigned char* buf) = 0;
};

class MemoryBytes : public Bytes {
 public:
  explicit MemoryBytes(std::string_view data) : data_(data) {}
  bool read(uint64_t offset, size_t n, unsigned char* buf) override {
    if (offset > data_.size() || data_.size() - offset < n) return false;
    std::memcpy(buf, data_.data() + offset, n);
    return true;
  }

 private:
  std::string_view data_;
};

class FileBytes : public Bytes {
 public:
  explicit FileBytes(std::FILE* file) : file_(file) {}
  bool read(uint64_t offset, size_t n, unsigned char* buf) override {
    if (n > sizeof window_) return false;  // the parser never asks for that much
    if (offset < start_ || offset - start_ + n > filled_) {
      if (offset > static_cast<uint64_t>(LONG_MAX) ||
          std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) {
        return false;
      }
      start_ = offset;
      errno = 0;
      filled_ = std::fread(window_, 1, sizeof window_, file_);
      if (std::ferror(file_)) failed_ = errno != 0 ? errno : EIO;
      if (n > filled_) return false;
    }
    std::memcpy(buf, window_ + (offset - start_), n);
    return true;
  }
  int failed() const { return failed_; }  // the errno of a read error, else 0

 private:
  std::FILE* file_;
  unsigned char window_[4096];
  uint64_t start_ = 0;
  size_t filled_ = 0;
  int failed_ = 0;
};

constexpr const char* kNotAPicture = "not a GIF, PNG, JPEG or BMP picture";
constexpr const char* kCutShort = "the picture's header is cut short";
constexpr const char* kNoSize = "the picture's header gives no size";

uint32_t le16(const unsigned char* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8; }
uint32_t be16(const unsigned char* p) { return uint32_t{p[0]} << 8 | uint32_t{p[1]}; }
uint32_t le32(const unsigned char* p) { return le16(p) | le16(p + 2) << 16; }
uint32_t be32(const unsigned char* p) { return be16(p) << 16 | be16(p + 2); }

// Sizes are positive and fit the int32_t of PictureInfo.
const char* setSize(uint32_t width, uint32_t height, const char* type, PictureInfo* out) {
  if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) return kNoSize;
  out->widthPx = static_cast<int32_t>(width);
  out->heightPx = static_cast<int32_t>(height);
  out->type = type;
  return nullptr;
}

// GIF: "GIF87a" or "GIF89a", then the logical screen's width and height, 16-bit little-endian.
const char* readGif(Bytes& in, PictureInfo* out) {
  unsigned char h[10];
  if (!in.read(0, sizeof h, h)) return kCutShort;
  return setSize(le16(h + 6), le16(h + 8), "gif", out);
}

// PNG: the signature, then the IHDR chunk (length, type, width and height 32-bit big-endian).
const char* readPng(Bytes& in, PictureInfo* out) {
  unsigned char h[24];
  if (!in.read(0, sizeof h, h)) return kCutShort;
  if (std::memcmp(h + 12, "IHDR", 4) != 0) return "the PNG data does not begin with its IHDR chunk";
  return setSize(be32(h + 16), be32(h + 20), "png", out);
}

// JPEG: segments after the start-of-image marker, each "FF marker length(16-bit, itself
// included) data", until a start-of-frame segment, which holds precision, height and width.
const char* readJpeg(Bytes& in, PictureInfo* out) {
  uint64_t pos = 2;
  for (;;) {
    unsigned char b;
    if (!in.read(pos, 1, &b)) return kCutShort;
    if (b != 0xFF) return "the JPEG data has a broken segment marker";
    do {  // a marker may be preceded by any number of fill bytes 0xFF
      if (!in.read(++pos, 1, &b)) return kCutShort;
    } while (b == 0xFF);
    ++pos;
    const unsigned char marker = b;
    if (marker == 0x00) return "the JPEG data has a broken segment marker";
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length
    if (marker == 0xD9 || marker == 0xDA) return "the JPEG data has no frame header";
    unsigned char len[2];
    if (!in.read(pos, 2, len)) return kCutShort;
    const uint32_t length = be16(len);
    if (length < 2) return "the JPEG data has a broken segment length";
    const bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 &&
                              marker != 0xC8 && marker != 0xCC;
    if (startOfFrame) {
      unsigned char f[7];  // length, precision, height, width
      if (length < sizeof f) return "the JPEG frame header is too short";
      if (!in.read(pos, sizeof f, f)) return kCutShort;
      return setSize(be16(f + 5), be16(f + 3), "jpeg", out);
    }
    pos += length;
  }
}

// BMP: the file header "BM...", then the size of the bitmap header that follows it. The old
// 12-byte header has 16-bit sizes; all later ones 32-bit signed sizes, a negative height
// meaning rows stored top-down.
const char* readBmp(Bytes& in, PictureInfo* out) {
  unsigned char h[26];
  if (!in.read(0, 18, h)) return kCutShort;
  const uint32_t headerSize = le32(h + 14);
  if (headerSize == 12) {
    if (!in.read(0, 22, h)) return kCutShort;
    return setSize(le16(h + 18), le16(h + 20), "bmp", out);
  }
  if (headerSize < 16) return "the BMP data has an unknown bitmap header";
  if (!in.read(0, 26, h)) return kCutShort;
  const auto width = static_cast<int32_t>(le32(h + 18));
  const auto height = static_cast<int32_t>(le32(h + 22));
  if (width <= 0 || height == 0 || height == INT32_MIN) return kNoSize;
  return setSize(static_cast<uint32_t>(width), static_cast<uint32_t>(height < 0 ? -height : height),
                 "bmp", out);
}

// nullptr and *out filled, or why not.
const char* readPicture(Bytes& in, PictureInfo* out) {
  unsigned char sig[8];
  size_t have = 0;
  while (have < sizeof sig && in.read(have, 1, sig + have)) ++have;
  if (have == 0) return "the file is empty";
  auto startsWith = [&](const char* s, size_t n) {
    return have >= n && std::memcmp(sig, s, n) == 0;
  };
  if (startsWith("GIF87a", 6) || startsWith("GIF89a", 6)) return readGif(in, out);
  if (startsWith("\x89PNG\r\n\x1A\n", 8)) return readPng(in, out);
  if (startsWith("\xFF\xD8", 2)) return readJpeg(in, out);
  if (startsWith("BM", 2)) return readBmp(in, out);
  return kNotAPicture;
}

}  // namespace

bool readPictureInfo(std::string_view bytes, PictureInfo* out) {
  MemoryBytes in(bytes);
  PictureInfo info;
  if (readPicture(in, &info) != nullptr) return false;
  *out = info;
  return true;
}

bool readPictureInfo(const std::string& path, PictureInfo* out, std::string* err) {
  std::FILE* file = platform::openFile(path, "rb");
  if (file == nullptr) {
    *err = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  FileBytes in(file);
  PictureInfo info;
  const char* why = readPicture(in, &info);
  std::fclose(file);
  if (in.failed() != 0) {
    *err = "cannot read " + path + ": " + std::strerror(in.failed());
    return false;
  }
  if (why != nullptr) {
    *err = path + ": " + why;
    return false;
  }
  *out = info;
  return true;
}

}  // namespace tnw::sheet
