// Texts at the output boundary. Lines are kept as the bytes the file holds (the ANSI code page
// of the system that wrote it, or UTF-8); the file format wants UTF-8. A text that is valid
// UTF-8 passes as it is, any other is read as Windows-1252, the code page PAS files come from.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tnw::sheet {

// Strict UTF-8: no overlong forms, no surrogates (U+D800..U+DFFF), nothing above U+10FFFF.
bool isValidUtf8(std::string_view bytes);

// Valid UTF-8 unchanged; anything else decoded byte by byte as Windows-1252. Its five
// undefined bytes 0x81, 0x8D, 0x8F, 0x90, 0x9D become U+0081 ... U+009D, as Windows does.
std::string toUtf8(std::string_view bytes);

// False when every byte is ASCII, so toUtf8 would give the bytes back: the cheap test for the
// millions of cells that need nothing.
bool needsConversion(std::string_view bytes);

// The number of code points of a UTF-8 text (its lead bytes).
size_t utf8CharCount(std::string_view utf8);

// The longest prefix of at most maxChars code points; never ends inside a code point.
std::string_view cutUtf8(std::string_view utf8, size_t maxChars);

// UTF-16 bytes (after the byte-order mark) to UTF-8. An unpaired surrogate, and an odd byte
// at the end, become U+FFFD.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);

}  // namespace tnw::sheet
