#include "sheet/xlsx_template.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/platform.h"

namespace tnw::sheet {

namespace {

constexpr std::string_view kContentTypesPart = "[Content_Types].xml";
constexpr uint32_t kLocalSignature = 0x04034b50, kCentralSignature = 0x02014b50, kEndSignature = 0x06054b50;
constexpr uint16_t kDataDescriptorFlag = 1 << 3;

uint32_t little(const unsigned char* bytes, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

void putLittle(unsigned char* bytes, uint32_t value, int count) {
  for (int i = 0; i < count; ++i, value >>= 8) bytes[i] = static_cast<unsigned char>(value & 0xFF);
}

// One entry of the archive's central directory, kept as its raw record so that everything we
// do not change (times, attributes, extra fields) is written back as it was.
struct Entry {
  std::vector<unsigned char> record;
  std::string name;
  uint32_t offset = 0;     // of its local header, in the file as read
  uint32_t end = 0;        // where its bytes end: the next local header or the directory
  uint32_t newOffset = 0;  // in the file as written
};

class Rewriter {
 public:
  Rewriter(const std::string& from, std::FILE* to) : in_(platform::pathFromUtf8(from), std::ios::binary), out_(to) {}
  bool run(std::string* problem);

 private:
  bool readAt(uint64_t at, size_t count, std::vector<unsigned char>* bytes);
  bool readDirectory(std::string* problem);
  bool copySpan(const Entry& entry);
  bool rewriteContentTypes(Entry* entry, std::string* problem);
  bool write(const void* bytes, size_t count);

  std::ifstream in_;
  std::FILE* out_;
  std::vector<Entry> entries_;
  std::vector<unsigned char> end_;  // the end record and the archive comment
  uint64_t written_ = 0;
};

bool Rewriter::readAt(uint64_t at, size_t count, std::vector<unsigned char>* bytes) {
  bytes->resize(count);
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(at));
  in_.read(reinterpret_cast<char*>(bytes->data()), static_cast<std::streamsize>(count));
  return static_cast<size_t>(in_.gcount()) == count;
}

bool Rewriter::write(const void* bytes, size_t count) {
  if (std::fwrite(bytes, 1, count, out_) != count) return false;
  written_ += count;
  return true;
}

bool Rewriter::readDirectory(std::string* problem) {
  *problem = "it is not a zip archive we can read";
  in_.seekg(0, std::ios::end);
  const auto length = static_cast<uint64_t>(std::max<std::streamoff>(0, in_.tellg()));
  const size_t tailLength = static_cast<size_t>(std::min<uint64_t>(length, 22 + 0xFFFF));
  std::vector<unsigned char> tail, directory;
  if (length < 22 || !readAt(length - tailLength, tailLength, &tail)) return false;
  size_t at = tail.size() - 22;
  while (little(&tail[at], 4) != kEndSignature)
    if (at-- == 0) return false;
  end_.assign(tail.begin() + static_cast<long>(at), tail.end());
  const uint32_t count = little(&end_[10], 2), size = little(&end_[12], 4), start = little(&end_[16], 4);
  // Archives over 4 GB or spread over disks carry their real numbers elsewhere (zip64).
  if (little(&end_[4], 2) != 0 || little(&end_[6], 2) != 0 || count == 0xFFFF || start == 0xFFFFFFFF) {
    *problem = "it is a zip64 or multi-part archive";
    return false;
  }
  if (!readAt(start, size, &directory)) return false;
  for (size_t pos = 0, n = 0; n < count; ++n) {
    if (pos + 46 > directory.size() || little(&directory[pos], 4) != kCentralSignature) return false;
    const unsigned char* p = &directory[pos];
    const size_t recordLength = 46 + little(p + 28, 2) + little(p + 30, 2) + little(p + 32, 2);
    if (pos + recordLength > directory.size()) return false;
    Entry entry;
    entry.record.assign(p, p + recordLength);
    entry.name.assign(reinterpret_cast<const char*>(p + 46), little(p + 28, 2));
    entry.offset = little(p + 42, 4);
    if (entry.offset >= start || little(p + 20, 4) == 0xFFFFFFFF) return false;
    entries_.push_back(std::move(entry));
    pos += recordLength;
  }
  // Each entry's bytes run up to the next one's local header, or to the directory.
  std::vector<Entry*> byOffset;
  for (Entry& entry : entries_) byOffset.push_back(&entry);
  std::sort(byOffset.begin(), byOffset.end(), [](const Entry* a, const Entry* b) { return a->offset < b->offset; });
  for (size_t i = 0; i < byOffset.size(); ++i) {
    byOffset[i]->end = i + 1 < byOffset.size() ? byOffset[i + 1]->offset : start;
    if (i > 0 && byOffset[i]->offset == byOffset[i - 1]->offset) return false;
  }
  problem->clear();
  return true;
}

bool Rewriter::copySpan(const Entry& entry) {
  std::vector<unsigned char> buffer(1 << 16);
  in_.clear();
  in_.seekg(entry.offset);
  for (uint32_t left = entry.end - entry.offset; left > 0;) {
    const auto chunk = static_cast<std::streamsize>(std::min<size_t>(left, buffer.size()));
    if (!in_.read(reinterpret_cast<char*>(buffer.data()), chunk) || !write(buffer.data(), static_cast<size_t>(chunk)))
      return false;
    left -= static_cast<uint32_t>(chunk);
  }
  return true;
}

bool inflateAll(const std::vector<unsigned char>& packed, uint32_t size, std::string* out) {
  out->resize(size);
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
  z.next_in = const_cast<unsigned char*>(packed.data());
  z.avail_in = static_cast<uInt>(packed.size());
  z.next_out = reinterpret_cast<unsigned char*>(out->data());
  z.avail_out = size;
  const int status = inflate(&z, Z_FINISH);
  const bool whole = status == Z_STREAM_END && z.total_out == size;
  inflateEnd(&z);
  return whole;
}

bool deflateAll(const std::string& text, std::vector<unsigned char>* packed) {
  z_stream z{};
  if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  packed->resize(deflateBound(&z, static_cast<uLong>(text.size())));
  z.next_in = reinterpret_cast<unsigned char*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = packed->data();
  z.avail_out = static_cast<uInt>(packed->size());
  const bool done = deflate(&z, Z_FINISH) == Z_STREAM_END;
  packed->resize(z.total_out);
  deflateEnd(&z);
  return done;
}

bool Rewriter::rewriteContentTypes(Entry* entry, std::string* problem) {
  unsigned char* central = entry->record.data();
  const uint32_t method = little(central + 10, 2), crc = little(central + 16, 4);
  const uint32_t packedSize = little(central + 20, 4), size = little(central + 24, 4);
  std::vector<unsigned char> local, packed;
  if (!readAt(entry->offset, 30, &local) || little(local.data(), 4) != kLocalSignature ||
      (method != 0 && method != Z_DEFLATED))
    return *problem = "its part " + std::string(kContentTypesPart) + " cannot be read", false;
  const uint64_t data = entry->offset + 30 + little(&local[26], 2) + little(&local[28], 2);
  std::string xml, changed;
  bool read = readAt(data, packedSize, &packed);
  if (read && method == 0) xml.assign(packed.begin(), packed.end());
  else if (read) read = inflateAll(packed, size, &xml);
  if (!read || xml.size() != size || crc32(0, reinterpret_cast<const Bytef*>(xml.data()), size) != crc)
    return *problem = "its part " + std::string(kContentTypesPart) + " cannot be read", false;
  if (!detail::templateContentTypes(xml, &changed))
    return *problem = "its part " + std::string(kContentTypesPart) + " declares no workbook", false;
  if (!deflateAll(changed, &packed)) return *problem = "cannot compress the new content types", false;

  const uint32_t newCrc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(changed.data()),
                                                      static_cast<uInt>(changed.size())));
  // The fields from the flags on stand 6 bytes into a local header and 8 into a central record.
  for (unsigned char* fields : {local.data() + 6, central + 8}) {
    putLittle(fields, little(fields, 2) & ~kDataDescriptorFlag, 2);  // the sizes now stand in the header
    putLittle(fields + 2, Z_DEFLATED, 2);
    putLittle(fields + 8, newCrc, 4);
    putLittle(fields + 12, static_cast<uint32_t>(packed.size()), 4);
    putLittle(fields + 16, static_cast<uint32_t>(changed.size()), 4);
  }
  std::vector<unsigned char> name;
  if (!readAt(entry->offset + 30, little(&local[26], 2) + little(&local[28], 2), &name)) return false;
  return write(local.data(), local.size()) && write(name.data(), name.size()) && write(packed.data(), packed.size());
}

bool Rewriter::run(std::string* problem) {
  if (!in_) return *problem = std::strerror(errno), false;
  if (!readDirectory(problem)) return false;
  std::vector<Entry*> byOffset;
  for (Entry& entry : entries_) byOffset.push_back(&entry);
  std::sort(byOffset.begin(), byOffset.end(), [](const Entry* a, const Entry* b) { return a->offset < b->offset; });
  bool found = false;
  for (Entry* entry : byOffset) {
    entry->newOffset = static_cast<uint32_t>(written_);
    if (entry->name == kContentTypesPart && !found) {
      found = true;
      if (!rewriteContentTypes(entry, problem)) return problem->empty() ? (*problem = "cannot write", false) : false;
    } else if (!copySpan(*entry)) {
      return *problem = "cannot copy its part " + entry->name, false;
    }
    if (written_ > 0xFFFFFFFF) return *problem = "it grows past 4 GB", false;
  }
  if (!found) return *problem = "it has no " + std::string(kContentTypesPart), false;
  const uint64_t directoryStart = written_;
  for (Entry& entry : entries_) {
    putLittle(&entry.record[42], entry.newOffset, 4);
    if (!write(entry.record.data(), entry.record.size())) return *problem = "cannot write", false;
  }
  putLittle(&end_[12], static_cast<uint32_t>(written_ - directoryStart), 4);
  putLittle(&end_[16], static_cast<uint32_t>(directoryStart), 4);
  if (!write(end_.data(), end_.size())) return *problem = "cannot write", false;
  return true;
}

}  // namespace

namespace detail {

bool templateContentTypes(std::string_view xml, std::string* out) {
  // Quoted, so that a longer type that merely begins the same way is never taken for it.
  const std::string from = "\"" + std::string(kWorkbookContentType) + "\"";
  const size_t at = xml.find(from);
  if (at == std::string_view::npos || xml.find(from, at + 1) != std::string_view::npos) return false;
  *out = std::string(xml.substr(0, at)) + "\"" + std::string(kTemplateContentType) + "\"" +
         std::string(xml.substr(at + from.size()));
  return true;
}

}  // namespace detail

bool markPackageAsTemplate(const std::string& path, std::string* problem) {
  const std::string temp = path + ".xltx";
  std::string why;
  // Exclusive, so that no one else's file of that name is taken over.
  platform::NewFile made = platform::createNewFile(temp, &why);
  if (made != platform::NewFile::kCreated) {
    if (made == platform::NewFile::kExists) why = "a file of that name is in the way";
    return *problem = "cannot create " + temp + ": " + why, false;
  }
  std::FILE* out = platform::openFile(temp, "wb");
  bool ok = out != nullptr;
  if (ok) {
    ok = Rewriter(path, out).run(&why);
    const int saved = errno;
    ok = (std::fclose(out) == 0) && ok;
    if (!ok && why.empty()) why = std::strerror(saved ? saved : EIO);
  } else {
    why = std::strerror(errno);
  }
  if (ok) ok = platform::replaceFile(temp, path, &why);
  if (!ok) {
    std::error_code ignored;
    std::filesystem::remove(platform::pathFromUtf8(temp), ignored);
    *problem = "cannot make it a template: " + why;
  }
  return ok;
}

}  // namespace tnw::sheet
