#include "sheet/parallel_deflate.h"

#include <zlib.h>  // crc32_combine

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "sheet/work_threads.h"

#ifdef TARNWELL_DEFLATE_HOOK
#include <libdeflate.h>

// Added to libxlsxwriter by patches/libxlsxwriter/parallel-deflate.patch.
extern "C" {
typedef int (*lxw_deflate_write)(void* zip, const void* data, unsigned int size);
typedef int (*lxw_deflate_fn)(FILE* file, const char* name, lxw_deflate_write write, void* zip,
                              unsigned long* crc32, unsigned long long* size);
void lxw_set_deflate_hook(lxw_deflate_fn fn, unsigned long long min_size);
}
#endif

namespace tnw::sheet {

namespace {

thread_local const DeflateOptions* current = nullptr;

#ifdef TARNWELL_DEFLATE_HOOK
// libdeflate, built from Debian's source with patches/libdeflate: twice as fast as zlib's level 6
// on the cells of a sheet, and smaller. It takes no dictionary: each block starts afresh, which
// costs a block of a megabyte a few hundred bytes.
constexpr int kLevel = 4;

struct Compressor {
  libdeflate_compressor* c = libdeflate_alloc_compressor(kLevel);
  ~Compressor() { libdeflate_free_compressor(c); }
};

struct Block {
  std::vector<unsigned char> in, out;
  bool last = false;
  uint32_t crc = 0;
  bool ok = false, done = false;
};

bool compress(Block& b, Compressor& compressor) {
  if (!compressor.c) return false;
  b.out.resize(libdeflate_deflate_compress_bound(compressor.c, b.in.size()) + 16);
  size_t n = b.last ? libdeflate_deflate_compress(compressor.c, b.in.data(), b.in.size(), b.out.data(), b.out.size())
                    : libdeflate_deflate_compress_open(compressor.c, b.in.data(), b.in.size(), b.out.data(), b.out.size());
  b.out.resize(n);
  b.crc = libdeflate_crc32(0, b.in.data(), b.in.size());
  return n > 0;
}

int deflateForLibxlsxwriter(FILE* file, const char* name, lxw_deflate_write write, void* zip, unsigned long* crc,
                            unsigned long long* size) {
  const DeflateOptions options = current ? *current : DeflateOptions{};
  DeflatedPart part;
  bool ok = deflateFile(
      file,
      [&](const void* data, size_t n) {
        for (size_t at = 0; at < n;) {
          auto chunk = static_cast<unsigned int>(std::min<size_t>(n - at, UINT_MAX / 2));
          if (write(zip, static_cast<const char*>(data) + at, chunk) != 0) return false;
          at += chunk;
        }
        return true;
      },
      &part, options);
  *crc = part.crc;
  *size = part.size;
  if (ok && options.parts) (*options.parts)[name] = std::move(part);
  return ok ? 0 : 1;
}
#endif

}  // namespace

#ifdef TARNWELL_DEFLATE_HOOK
bool deflateFile(std::FILE* file, const std::function<bool(const void* data, size_t size)>& write, DeflatedPart* part,
                 const DeflateOptions& options) {
  const unsigned threads = std::min(threadsOrCores(static_cast<int>(options.threads)), 16u);
  const size_t window = 2 * threads;  // blocks read ahead of the one written
  std::vector<Block> ring(window);
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<size_t> queue;
  bool stopping = false;
  auto work = [&] {
    Compressor compressor;
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return stopping || !queue.empty(); });
      if (queue.empty()) return;
      Block& b = ring[queue.front()];
      queue.pop_front();
      lock.unlock();
      bool ok = compress(b, compressor);
      lock.lock();
      b.ok = ok;
      b.done = true;
      changed.notify_all();
    }
  };
  std::vector<std::thread> workers;
  for (unsigned t = 0; t < threads; ++t) {
    try {
      workers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // the workers there are do the work; with none, this thread does it
    }
  }
  std::optional<Compressor> here;  // this thread's, when no worker could be started

  *part = {};
  std::rewind(file);
  uint64_t read = 0, written = 0;
  bool end = false, ok = true;
  while (ok && (!end || written < read)) {
    for (; !end && read - written < window; ++read) {
      Block& b = ring[read % window];
      b.in.resize(options.blockSize);
      size_t got = std::fread(b.in.data(), 1, options.blockSize, file);
      b.in.resize(got);
      end = b.last = got < options.blockSize;
      if (end && std::ferror(file)) ok = false;
      const char* text = reinterpret_cast<const char*>(b.in.data());
      const size_t ends = DeflatedPart::kEnds;
      if (part->head.size() < ends) part->head.append(text, std::min(got, ends - part->head.size()));
      part->tail.append(text + got - std::min(got, ends), std::min(got, ends));
      if (part->tail.size() > ends) part->tail.erase(0, part->tail.size() - ends);
      if (workers.empty()) {
        if (!here) here.emplace();
        b.ok = compress(b, *here);
        b.done = true;
        continue;
      }
      std::lock_guard<std::mutex> lock(mutex);
      b.done = false;
      queue.push_back(read % window);
      changed.notify_all();
    }
    Block& next = ring[written % window];
    {
      std::unique_lock<std::mutex> lock(mutex);
      changed.wait(lock, [&] { return next.done; });
    }
    part->crc = static_cast<uint32_t>(crc32_combine(part->crc, next.crc, static_cast<z_off_t>(next.in.size())));
    part->size += next.in.size();
    ok = ok && next.ok && write(next.out.data(), next.out.size()) &&
         !(options.cancel && options.cancel->load(std::memory_order_relaxed));
    ++written;
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    stopping = true;
    queue.clear();
    changed.notify_all();
  }
  for (std::thread& worker : workers) worker.join();
  return ok;
}
#endif

DeflateScope::DeflateScope(const DeflateOptions& options) : outer_(current) {
#ifdef TARNWELL_DEFLATE_HOOK
  // Parts under a megabyte gain nothing from threads: libxlsxwriter compresses them as before.
  static const bool installed = (lxw_set_deflate_hook(deflateForLibxlsxwriter, 1u << 20), true);
  (void)installed;
#endif
  current = &options;
}

DeflateScope::~DeflateScope() { current = outer_; }

}  // namespace tnw::sheet
