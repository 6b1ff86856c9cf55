// The heap libxlsxwriter's Windows build allocates from (cmake/xlsxwriter-win32.h says why):
// small blocks, once freed, are kept in lists of the thread that freed them and given out again
// to it without the C runtime's lock. A block may be freed on another thread than the one that
// took it: it then serves that thread. What a thread keeps goes back to the runtime when it ends.
#include <windows.h>

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "cmake/xlsxwriter-printf.h"  // tnw_format
#undef fprintf
#undef snprintf
#undef __builtin_snprintf

namespace {

// Before each block: its size class (0: not kept; then its size too). 16 bytes keep the block
// aligned as malloc's are.
constexpr size_t kHeader = 16;
constexpr unsigned kSmallClasses = 16;  // 16 to 256 bytes, 16 apart
constexpr unsigned kClasses = 22;       // then 512 to 8192 bytes, doubling
constexpr size_t kLargest = 8192;
constexpr size_t kKeptBytes = size_t{1} << 20;  // kept per class and thread at most

size_t classSize(unsigned c) { return c <= kSmallClasses ? c * 16 : size_t{256} << (c - kSmallClasses); }

unsigned classOf(size_t size) {
  if (size > kLargest) return 0;
  if (size <= 256) return size <= 16 ? 1 : static_cast<unsigned>((size + 15) / 16);
  unsigned c = kSmallClasses + 1;
  while (classSize(c) < size) ++c;
  return c;
}

struct Kept {
  void* heads[kClasses] = {};
  size_t counts[kClasses] = {};
  ~Kept() {
    for (void*& head : heads)
      while (head) {
        void* block = head;
        head = *static_cast<void**>(block);
        std::free(static_cast<char*>(block) - kHeader);
      }
  }
};

// Each thread's own T, made on first use (when `make`) and handed to `end` when the thread ends.
// Not a thread_local object: MinGW's may free its storage before running its destructor.
template <typename T, void (WINAPI* end)(void*)>
T* ofThisThread(bool make) {
  static const DWORD slot = FlsAlloc(end);
  if (slot == FLS_OUT_OF_INDEXES) return nullptr;
  auto* t = static_cast<T*>(FlsGetValue(slot));
  if (!t && make && (t = new (std::nothrow) T) != nullptr && !FlsSetValue(slot, t)) {
    delete t;
    t = nullptr;
  }
  return t;
}

void WINAPI release(void* lists) { delete static_cast<Kept*>(lists); }
Kept* keptHere() { return ofThisThread<Kept, release>(true); }

// Writes: what tnw_fprintf writes to one stream, gathered, and handed to the stream when another
// stream is written or used, when the buffer is full, and when the thread ends.
struct Pending {
  std::FILE* file = nullptr;
  size_t used = 0;
  char data[size_t{1} << 16];
};

void handOver(Pending& p) {
  // A failed write shows in the stream's error flag, which libxlsxwriter and the save look at.
  if (p.used != 0) std::fwrite(p.data, 1, p.used, p.file);
  p.used = 0;
  p.file = nullptr;
}

void WINAPI endPending(void* pending) {
  handOver(*static_cast<Pending*>(pending));
  delete static_cast<Pending*>(pending);
}

Pending* pendingHere(bool make) { return ofThisThread<Pending, endPending>(make); }

size_t* headerOf(void* block) { return reinterpret_cast<size_t*>(static_cast<char*>(block) - kHeader); }

}  // namespace

extern "C" {

void* tnw_xlsx_malloc(size_t size) {
  unsigned c = classOf(size);
  Kept* k = c != 0 ? keptHere() : nullptr;
  if (k && k->heads[c]) {
    void* block = k->heads[c];
    k->heads[c] = *static_cast<void**>(block);
    --k->counts[c];
    return block;
  }
  size_t room = c != 0 ? classSize(c) : size;
  if (room > std::numeric_limits<size_t>::max() - kHeader) return nullptr;
  auto* header = static_cast<size_t*>(std::malloc(kHeader + room));
  if (!header) return nullptr;
  header[0] = c;
  header[1] = room;
  return reinterpret_cast<char*>(header) + kHeader;
}

void* tnw_xlsx_calloc(size_t count, size_t size) {
  if (size != 0 && count > std::numeric_limits<size_t>::max() / size) return nullptr;
  void* block = tnw_xlsx_malloc(count * size);
  if (block) std::memset(block, 0, count * size);
  return block;
}

void tnw_xlsx_free(void* block) {
  if (!block) return;
  size_t c = headerOf(block)[0];
  Kept* k = c != 0 ? keptHere() : nullptr;
  if (!k || k->counts[c] >= kKeptBytes / classSize(static_cast<unsigned>(c))) {
    std::free(headerOf(block));
    return;
  }
  *static_cast<void**>(block) = k->heads[c];
  k->heads[c] = block;
  ++k->counts[c];
}

void* tnw_xlsx_realloc(void* block, size_t size) {
  if (!block) return tnw_xlsx_malloc(size);
  size_t room = headerOf(block)[1];
  if (size <= room && classOf(size) == headerOf(block)[0] && headerOf(block)[0] != 0) return block;
  void* moved = tnw_xlsx_malloc(size);
  if (!moved) return nullptr;  // the old block stays, as realloc leaves it
  std::memcpy(moved, block, size < room ? size : room);
  tnw_xlsx_free(block);
  return moved;
}

void tnw_xlsx_flush_pending(void) {
  if (Pending* p = pendingHere(false)) handOver(*p);
}

int tnw_xlsx_vfprintf(std::FILE* file, const char* format, va_list args) {
  // libxlsxwriter's complaints go to the console at once.
  Pending* p = file == stderr || file == stdout ? nullptr : pendingHere(true);
  if (!p) tnw_xlsx_flush_pending();
  va_list retry;
  va_copy(retry, args);
  int n = -1;
  if (p) {
    if (p->file != file) {
      handOver(*p);
      p->file = file;
    }
    n = tnw_format(p->data + p->used, sizeof p->data - p->used, format, args);
    if (n < 0 && p->used != 0) {  // no room left: hand over what is there and try again
      handOver(*p);
      p->file = file;
      va_list again;
      va_copy(again, retry);
      n = tnw_format(p->data, sizeof p->data, format, again);
      va_end(again);
    }
    if (n >= 0) p->used += static_cast<size_t>(n);
    else handOver(*p);
  }
  if (n < 0) n = std::vfprintf(file, format, retry);  // what the formatter does not know
  va_end(retry);
  return n;
}

}  // extern "C"
