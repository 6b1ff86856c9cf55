// The large parts of a workbook compressed on several threads. A part is cut into blocks; each
// is compressed on its own and ended on a byte boundary (a sync flush), so the blocks joined in
// order are one raw deflate stream, as one thread would have made it to within a few hundred
// bytes a block (pigz's method). The zip stays a plain deflate zip.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

namespace tnw::sheet {

// What a part compressed here held: its length, its CRC-32 and its two ends, by which the save
// checks that the part came out whole without reading it back.
struct DeflatedPart {
  static constexpr size_t kEnds = 256;  // bytes kept of each end
  uint64_t size = 0;
  uint32_t crc = 0;
  std::string head, tail;
};

struct DeflateOptions {
  unsigned threads = 0;  // 0: one per core
  const std::atomic<bool>* cancel = nullptr;  // checked between blocks
  size_t blockSize = size_t{1} << 20;
  std::map<std::string, DeflatedPart>* parts = nullptr;  // filled with the parts compressed, by name
};

#ifdef TARNWELL_DEFLATE_HOOK  // with libdeflate, which the builds of scripts/ bring
// Reads `file` from its start to its end and hands its raw deflate stream to `write`, in order,
// and says in *part what it read. False when reading, compressing or `write` failed, or when the
// cancel flag was set.
bool deflateFile(std::FILE* file, const std::function<bool(const void* data, size_t size)>& write, DeflatedPart* part,
                 const DeflateOptions& options);
#endif

// While it lives, the workbooks closed on this thread compress their large parts with
// deflateFile and these options (where libxlsxwriter was built to ask; else nothing changes).
class DeflateScope {
 public:
  explicit DeflateScope(const DeflateOptions& options);
  ~DeflateScope();
  DeflateScope(const DeflateScope&) = delete;
  DeflateScope& operator=(const DeflateScope&) = delete;

 private:
  const DeflateOptions* outer_;
};

}  // namespace tnw::sheet
