// The natural size of a picture file, read from its header: what the spreadsheet learns by
// inserting a picture (Pictures.Insert, then Width and Height) and what the writer needs to
// place it. GIF, PNG, JPEG and BMP, the formats a logo comes in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tnw::sheet {

struct PictureInfo {
  int32_t widthPx = 0, heightPx = 0;
  const char* type = "";  // "gif", "png", "jpeg", "bmp"
};

// Reads only as much of the file as the header takes (for a JPEG: up to its frame header).
// On failure *err names the path and why, e.g. "logo.gif: not a GIF, PNG, JPEG or BMP picture".
bool readPictureInfo(const std::string& path, PictureInfo* out, std::string* err);

// The same for a picture in memory.
bool readPictureInfo(std::string_view bytes, PictureInfo* out);

}  // namespace tnw::sheet
