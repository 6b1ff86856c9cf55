#include "sheet/picture_info.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace tnw::sheet {
namespace {

using namespace std::string_literals;

void putLe16(std::string* s, uint32_t v) {
  s->push_back(static_cast<char>(v & 0xFF));
  s->push_back(static_cast<char>(v >> 8 & 0xFF));
}
void putLe32(std::string* s, uint32_t v) {
  putLe16(s, v & 0xFFFF);
  putLe16(s, v >> 16);
}
void putBe16(std::string* s, uint32_t v) {
  s->push_back(static_cast<char>(v >> 8 & 0xFF));
  s->push_back(static_cast<char>(v & 0xFF));
}
void putBe32(std::string* s, uint32_t v) {
  putBe16(s, v >> 16);
  putBe16(s, v & 0xFFFF);
}

std::string gif(uint32_t width, uint32_t height, const char* version = "89a") {
  std::string s = "GIF"s + version;
  putLe16(&s, width);
  putLe16(&s, height);
  s += "\xF7\x00\x00"s;  // flags, background, aspect: the header goes on, we stop here
  return s;
}

std::string png(uint32_t width, uint32_t height) {
  std::string s = "\x89PNG\r\n\x1A\n"s;
  putBe32(&s, 13);
  s += "IHDR";
  putBe32(&s, width);
  putBe32(&s, height);
  s += "\x08\x06\x00\x00\x00"s;  // depth, colour type, compression, filter, interlace
  putBe32(&s, 0);                // CRC, not checked
  return s;
}

std::string segment(unsigned char marker, const std::string& data) {
  std::string s = "\xFF"s;
  s.push_back(static_cast<char>(marker));
  putBe16(&s, static_cast<uint32_t>(data.size() + 2));
  return s + data;
}

std::string frame(uint32_t width, uint32_t height) {
  std::string f = "\x08"s;  // precision
  putBe16(&f, height);
  putBe16(&f, width);
  f += "\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01"s;  // three components
  return f;
}

std::string jpeg(uint32_t width, uint32_t height, unsigned char sof = 0xC0) {
  return "\xFF\xD8"s + segment(0xE0, "JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00"s) +
         segment(0xDB, std::string(65, '\x01')) + segment(0xC4, std::string(28, '\x02')) +
         segment(sof, frame(width, height)) + segment(0xDA, "\x03\x01\x00\x02\x11"s) +
         "\x12\x34\xFF\x00\x56\xFF\xD9"s;
}

std::string bmp(int32_t width, int32_t height, uint32_t headerSize = 40) {
  std::string s = "BM";
  putLe32(&s, 0);  // file size, not checked
  putLe32(&s, 0);
  putLe32(&s, 14 + headerSize);
  putLe32(&s, headerSize);
  if (headerSize == 12) {
    putLe16(&s, static_cast<uint32_t>(width));
    putLe16(&s, static_cast<uint32_t>(height));
    putLe16(&s, 1);
    putLe16(&s, 24);
  } else {
    putLe32(&s, static_cast<uint32_t>(width));
    putLe32(&s, static_cast<uint32_t>(height));
    putLe16(&s, 1);
    putLe16(&s, 24);
    s += std::string(headerSize - 16, '\0');
  }
  return s;
}

PictureInfo read(const std::string& bytes) {
  PictureInfo info;
  EXPECT_TRUE(readPictureInfo(std::string_view(bytes), &info));
  return info;
}

#define EXPECT_PICTURE(bytes, w, h, kind) \
  do {                                    \
    const PictureInfo i_ = read(bytes);   \
    EXPECT_EQ(i_.widthPx, w);             \
    EXPECT_EQ(i_.heightPx, h);            \
    EXPECT_STREQ(i_.type, kind);          \
  } while (0)

void expectRefused(const std::string& bytes) {
  PictureInfo info{3, 4, "keep"};
  EXPECT_FALSE(readPictureInfo(std::string_view(bytes), &info));
  EXPECT_EQ(info.widthPx, 3);  // untouched
  EXPECT_EQ(info.heightPx, 4);
  EXPECT_STREQ(info.type, "keep");
}

TEST(PictureInfo, Gif) {
  EXPECT_PICTURE(gif(160, 64), 160, 64, "gif");
  EXPECT_PICTURE(gif(1, 65535, "87a"), 1, 65535, "gif");
  EXPECT_PICTURE(gif(0x1234, 0x0201), 0x1234, 0x0201, "gif");  // little-endian
  EXPECT_PICTURE(gif(7, 9).substr(0, 10), 7, 9, "gif");
  expectRefused(gif(160, 64, "88a"));
  expectRefused(gif(160, 64).substr(0, 9));
  expectRefused(gif(0, 64));
  expectRefused(gif(160, 0));
}

TEST(PictureInfo, Png) {
  EXPECT_PICTURE(png(1000, 2000), 1000, 2000, "png");
  EXPECT_PICTURE(png(0x01020304, 5), 0x01020304, 5, "png");  // big-endian
  EXPECT_PICTURE(png(INT32_MAX, 1), INT32_MAX, 1, "png");
  EXPECT_PICTURE(png(3, 4).substr(0, 24), 3, 4, "png");
  expectRefused(png(3, 4).substr(0, 23));
  expectRefused(png(0x80000000u, 1));
  expectRefused(png(0, 1));
  std::string wrongChunk = png(3, 4);
  wrongChunk.replace(12, 4, "IDAT");
  expectRefused(wrongChunk);
  expectRefused("\x89PNG\r\n\x1A"s);
}

TEST(PictureInfo, Jpeg) {
  EXPECT_PICTURE(jpeg(640, 480), 640, 480, "jpeg");
  EXPECT_PICTURE(jpeg(0x0102, 0x0304), 0x0102, 0x0304, "jpeg");
  EXPECT_PICTURE(jpeg(65535, 1), 65535, 1, "jpeg");
  EXPECT_PICTURE(jpeg(800, 600, 0xC2), 800, 600, "jpeg");  // progressive
  EXPECT_PICTURE(jpeg(800, 600, 0xC1), 800, 600, "jpeg");
  EXPECT_PICTURE(jpeg(800, 600, 0xCF), 800, 600, "jpeg");
  // Start of frame directly after start of image; the frame segment is all that is read.
  EXPECT_PICTURE("\xFF\xD8"s + segment(0xC0, frame(9, 7)).substr(0, 9), 9, 7, "jpeg");
}

TEST(PictureInfo, JpegSkipsWhatIsNoFrameHeader) {
  // Fill bytes before a marker, markers without a length, and segment types that look like
  // frame headers but are not (DHT C4, JPG C8, DAC CC).
  const std::string bytes = "\xFF\xD8\xFF\xFF"s +
                            segment(0xE1, std::string(100, '\xC0')) + "\xFF\x01\xFF\xD0"s +
                            segment(0xC4, frame(1, 1)) + segment(0xC8, frame(2, 2)) +
                            segment(0xCC, frame(3, 3)) + "\xFF\xFF\xFF"s +
                            segment(0xC0, frame(320, 200));
  EXPECT_PICTURE(bytes, 320, 200, "jpeg");
}

TEST(PictureInfo, JpegWithoutAUsableFrameHeader) {
  expectRefused("\xFF\xD8"s);
  expectRefused("\xFF\xD8\xFF"s);
  expectRefused("\xFF\xD8"s + segment(0xDA, "\x01\x02"s) + "\xFF\xD9"s);  // scan before frame
  expectRefused("\xFF\xD8\xFF\xD9"s);
  expectRefused("\xFF\xD8\x12\x34"s);                                 // no marker
  expectRefused("\xFF\xD8\xFF\x00\x00\x10"s);                         // FF00 is no marker
  expectRefused("\xFF\xD8\xFF\xE0\x00\x01"s);                         // length below 2
  expectRefused("\xFF\xD8"s + segment(0xE0, std::string(30, 'x')).substr(0, 20));  // cut
  expectRefused("\xFF\xD8"s + segment(0xC0, "\x08\x00\x10"s));        // frame too short
  expectRefused("\xFF\xD8"s + segment(0xC0, frame(9, 7)).substr(0, 8));
  expectRefused(jpeg(0, 480));
  expectRefused(jpeg(640, 0));  // height given later by a DNL segment: not supported
}

TEST(PictureInfo, Bmp) {
  EXPECT_PICTURE(bmp(400, 400), 400, 400, "bmp");
  EXPECT_PICTURE(bmp(640, -480), 640, 480, "bmp");  // top-down rows
  EXPECT_PICTURE(bmp(0x01020304, 2), 0x01020304, 2, "bmp");
  EXPECT_PICTURE(bmp(33, 17, 124), 33, 17, "bmp");  // version 5 header
  EXPECT_PICTURE(bmp(33, 17, 108), 33, 17, "bmp");
  EXPECT_PICTURE(bmp(33, 17, 64), 33, 17, "bmp");   // OS/2 2.x
  EXPECT_PICTURE(bmp(33, 17, 16), 33, 17, "bmp");
  EXPECT_PICTURE(bmp(300, 200, 12), 300, 200, "bmp");  // OS/2 1.x core header, 16-bit sizes
  EXPECT_PICTURE(bmp(65535, 65535, 12), 65535, 65535, "bmp");
  expectRefused(bmp(0, 10));
  expectRefused(bmp(-5, 10));
  expectRefused(bmp(5, 0));
  expectRefused(bmp(5, INT32_MIN));
  expectRefused(bmp(0, 10, 12));
  expectRefused(bmp(4, 4).substr(0, 25));
  expectRefused(bmp(4, 4, 12).substr(0, 21));
  std::string unknownHeader = bmp(4, 4);
  unknownHeader[14] = 8;
  expectRefused(unknownHeader);
  expectRefused("BM"s);
}

TEST(PictureInfo, NotAPicture) {
  expectRefused("");
  expectRefused("G");
  expectRefused("GIF");
  expectRefused("~VERSION INFORMATION\r\n");
  expectRefused("<svg width=\"10\" height=\"10\"/>");
  expectRefused("\x00\x00\x01\x00"s);  // an icon
  expectRefused("II*\x00"s);           // TIFF
}

// A temporary folder removed with the object.
class TempFolder {
 public:
  TempFolder() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("tarnwell-picture-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string write(const std::string& name, const std::string& bytes) const {
    const std::string file = (path_ / name).string();
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
  }
  std::string path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

TEST(PictureInfoFile, ReadsTheHeader) {
  TempFolder dir;
  PictureInfo info;
  std::string err;
  ASSERT_TRUE(readPictureInfo(dir.write("Tarnwell.GIF", gif(120, 90) + std::string(5000, 'x')),
                              &info, &err))
      << err;
  EXPECT_EQ(info.widthPx, 120);
  EXPECT_EQ(info.heightPx, 90);
  EXPECT_STREQ(info.type, "gif");
  EXPECT_EQ(err, "");

  ASSERT_TRUE(readPictureInfo(dir.write("logo.bmp", bmp(400, -400)), &info, &err)) << err;
  EXPECT_EQ(info.heightPx, 400);
  EXPECT_STREQ(info.type, "bmp");
}

TEST(PictureInfoFile, FindsAJpegFrameBehindLargeSegments) {
  // Two full-size metadata segments put the frame header well past the reader's window.
  const std::string bytes = "\xFF\xD8"s + segment(0xE1, std::string(65533, '\xFF')) +
                            segment(0xE2, std::string(65533, '\xC0')) +
                            segment(0xC2, frame(4000, 3000));
  TempFolder dir;
  PictureInfo info;
  std::string err;
  ASSERT_TRUE(readPictureInfo(dir.write("photo.jpg", bytes), &info, &err)) << err;
  EXPECT_EQ(info.widthPx, 4000);
  EXPECT_EQ(info.heightPx, 3000);
  EXPECT_STREQ(info.type, "jpeg");
  // The same bytes in memory.
  EXPECT_PICTURE(bytes, 4000, 3000, "jpeg");
}

TEST(PictureInfoFile, ErrorsNameThePathAndWhy) {
  TempFolder dir;
  PictureInfo info{3, 4, "keep"};
  std::string err;
  const std::string missing = dir.path() + "/Tarnwell.GIF";
  EXPECT_FALSE(readPictureInfo(missing, &info, &err));
  EXPECT_EQ(err, "cannot open " + missing + ": No such file or directory");

  const std::string text = dir.write("notes.GIF", "~VERSION INFORMATION\r\n");
  EXPECT_FALSE(readPictureInfo(text, &info, &err));
  EXPECT_EQ(err, text + ": not a GIF, PNG, JPEG or BMP picture");

  const std::string empty = dir.write("empty.GIF", "");
  EXPECT_FALSE(readPictureInfo(empty, &info, &err));
  EXPECT_EQ(err, empty + ": the file is empty");

  const std::string cut = dir.write("cut.GIF", gif(10, 10).substr(0, 8));
  EXPECT_FALSE(readPictureInfo(cut, &info, &err));
  EXPECT_EQ(err, cut + ": the picture's header is cut short");

  const std::string zero = dir.write("zero.png", png(0, 10));
  EXPECT_FALSE(readPictureInfo(zero, &info, &err));
  EXPECT_EQ(err, zero + ": the picture's header gives no size");

  const std::string noFrame = dir.write("x.jpg", "\xFF\xD8\xFF\xDA\x00\x02\xFF\xD9"s);
  EXPECT_FALSE(readPictureInfo(noFrame, &info, &err));
  EXPECT_EQ(err, noFrame + ": the JPEG data has no frame header");

  EXPECT_EQ(info.widthPx, 3);
  EXPECT_STREQ(info.type, "keep");
}

TEST(PictureInfoFile, AFolderIsNoPicture) {
  TempFolder dir;
  PictureInfo info;
  std::string err;
  EXPECT_FALSE(readPictureInfo(dir.path(), &info, &err));
  // Opening a folder may work; reading it does not. Windows refuses the opening.
#ifdef _WIN32
  EXPECT_EQ(err, "cannot open " + dir.path() + ": Permission denied");
#else
  EXPECT_TRUE(err == "cannot read " + dir.path() + ": Is a directory" ||
              err == "cannot open " + dir.path() + ": Is a directory")
      << err;
#endif
}

}  // namespace
}  // namespace tnw::sheet
