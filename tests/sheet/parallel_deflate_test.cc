#include "sheet/parallel_deflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

#include "test_support.h"

#ifdef TARNWELL_DEFLATE_HOOK  // deflateFile comes with libdeflate, which scripts/build brings

namespace tnw::sheet {
namespace {

// Sheet-like text with stretches that repeat across block boundaries, and bytes that do not.
std::string sample(size_t size) {
  std::mt19937 random(7);
  std::string text;
  while (text.size() < size) {
    text += "<row r=\"" + std::to_string(text.size()) + "\"><c t=\"n\"><v>" + std::to_string(random() % 100000) +
            "</v></c></row>";
    if (random() % 50 == 0) text += static_cast<char>(random());
  }
  text.resize(size);
  return text;
}

std::string inflateRaw(const std::string& stream) {
  z_stream z{};
  inflateInit2(&z, -MAX_WBITS);
  std::string out(1 << 16, '\0'), all;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  z.avail_in = static_cast<uInt>(stream.size());
  int status = Z_OK;
  while (status == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    status = inflate(&z, Z_NO_FLUSH);
    all.append(out.data(), out.size() - z.avail_out);
  }
  inflateEnd(&z);
  return status == Z_STREAM_END && z.avail_in == 0 ? all : "(not one whole stream)";
}

struct Deflated {
  bool ok;
  std::string stream;
  DeflatedPart part;
};

Deflated deflateText(const std::string& text, DeflateOptions options) {
  testing::TempDir dir;
  dir.write("part.xml", text);
  std::FILE* file = std::fopen(dir.file("part.xml").c_str(), "rb");
  Deflated d{};
  d.ok = deflateFile(file, [&](const void* data, size_t n) { return d.stream.append(static_cast<const char*>(data), n), true; },
                     &d.part, options);
  std::fclose(file);
  return d;
}

TEST(ParallelDeflate, BlocksJoinIntoTheOneStreamOfTheWholeFile) {
  const size_t block = 64 * 1024;
  for (size_t size : {size_t{0}, size_t{1}, block - 1, block, block + 1, 7 * block / 2}) {
    const std::string text = sample(size);
    for (unsigned threads : {1u, 3u}) {
      Deflated d = deflateText(text, {.threads = threads, .blockSize = block});
      ASSERT_TRUE(d.ok) << size;
      EXPECT_EQ(inflateRaw(d.stream), text) << size << " bytes on " << threads << " threads";
      EXPECT_EQ(d.part.crc, crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
      EXPECT_EQ(d.part.size, size);
      // The ends the save checks the part by.
      EXPECT_EQ(d.part.head, text.substr(0, DeflatedPart::kEnds));
      EXPECT_EQ(d.part.tail, text.substr(text.size() - std::min(text.size(), DeflatedPart::kEnds)));
    }
  }
  // Each block primed with what came before: hardly larger than one thread's stream.
  const std::string text = sample(40 * block);
  uLongf whole = compressBound(static_cast<uLong>(text.size()));
  std::string one(whole, '\0');
  compress2(reinterpret_cast<Bytef*>(one.data()), &whole, reinterpret_cast<const Bytef*>(text.data()),
            static_cast<uLong>(text.size()), Z_DEFAULT_COMPRESSION);
  EXPECT_LT(deflateText(text, {.threads = 2, .blockSize = block}).stream.size(), whole * 102 / 100);
}

TEST(ParallelDeflate, ACancelStopsItAndFails) {
  std::atomic<bool> cancel{true};
  EXPECT_FALSE(deflateText(sample(300000), {.threads = 2, .cancel = &cancel, .blockSize = 64 * 1024}).ok);
}

}  // namespace
}  // namespace tnw::sheet

#endif
