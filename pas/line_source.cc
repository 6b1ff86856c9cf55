#include "pas/line_source.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/platform.h"
#include "sheet/text_encoding.h"

namespace tnw::pas {

namespace {

constexpr size_t kBufferSize = 1 << 16;
constexpr char kCtrlZ = 0x1A;

class MemorySource : public LineSource {
 public:
  explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}

 protected:
  size_t readRaw(char* buf, size_t n) override {
    size_t take = std::min(n, bytes_.size() - at_);
    std::memcpy(buf, bytes_.data() + at_, take);
    at_ += take;
    return take;
  }
  void seekStart() override { at_ = 0; }
  void closeRaw() override {}

 private:
  std::string bytes_;
  size_t at_ = 0;
};

class FileSource : public LineSource {
 public:
  FileSource(std::FILE* file, std::string path) : file_(file), path_(std::move(path)) {}
  ~FileSource() override { closeRaw(); }

 protected:
  size_t readRaw(char* buf, size_t n) override {
    if (!file_) return 0;
    size_t got = std::fread(buf, 1, n, file_);
    if (got == 0 && std::ferror(file_) && !failed_) {
      failed_ = true;
      error_ = "cannot read " + path_ + ": " + std::strerror(errno);
    }
    return got;
  }
  void seekStart() override {
    if (file_) {
      std::clearerr(file_);
      std::fseek(file_, 0, SEEK_SET);
    }
  }
  void closeRaw() override {
    if (file_) std::fclose(file_);
    file_ = nullptr;
  }

 private:
  std::FILE* file_;
  std::string path_;
};

bool hasUtf16Mark(const char* b, size_t n, bool* bigEndian) {
  if (n < 2) return false;
  auto u0 = static_cast<unsigned char>(b[0]), u1 = static_cast<unsigned char>(b[1]);
  if (u0 == 0xFF && u1 == 0xFE) return *bigEndian = false, true;
  if (u0 == 0xFE && u1 == 0xFF) return *bigEndian = true, true;
  return false;
}

}  // namespace

std::unique_ptr<LineSource> LineSource::open(const std::string& path, std::string* err) {
  std::error_code ec;
  if (std::filesystem::is_directory(platform::pathFromUtf8(path), ec)) {
    *err = "cannot read " + path + ": it is a directory";
    return nullptr;
  }
  std::FILE* file = platform::openFile(path, "rb");
  if (!file) {
    *err = "cannot open " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  // A pipe (a shell's "<(...)", /dev/stdin fed by another program) cannot go back to its start,
  // yet the file is read more than once: the header scan, the count and the conversion.
  bool pipe = platform::isPipe(path);
  char head[2];
  size_t got = std::fread(head, 1, sizeof head, file);
  bool bigEndian = false;
  bool utf16 = hasUtf16Mark(head, got, &bigEndian);
  if (!utf16 && !pipe) {
    std::rewind(file);
    return std::unique_ptr<LineSource>(new FileSource(file, path));
  }
  // UTF-16 files are rare and small, and so is what comes through a pipe; read them whole and
  // go on in UTF-8. The bytes taken to look for a byte-order mark belong to a piped file.
  std::string bytes = utf16 ? std::string() : std::string(head, got);
  char chunk[kBufferSize];
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  bool readFailed = std::ferror(file);
  std::fclose(file);
  if (readFailed) {
    *err = "cannot read " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  return fromBytes(utf16 ? sheet::utf16ToUtf8(bytes, bigEndian) : std::move(bytes));
}

std::unique_ptr<LineSource> LineSource::fromBytes(std::string bytes) {
  return std::unique_ptr<LineSource>(new MemorySource(std::move(bytes)));
}

LineSource::~LineSource() = default;

bool LineSource::fill() {
  if (finished_) return false;
  if (buffer_.empty()) buffer_.resize(kBufferSize);
  end_ = readRaw(buffer_.data(), buffer_.size());
  pos_ = 0;
  if (atStart_) {
    atStart_ = false;
    if (end_ >= 3 && std::memcmp(buffer_.data(), "\xEF\xBB\xBF", 3) == 0) pos_ = 3;
  }
  if (end_ == 0) finished_ = true;
  return end_ > pos_ || !finished_;
}

bool LineSource::readLine(std::string& out) {
  if (!pushedBack_.empty()) {
    out = std::move(pushedBack_.front());
    pushedBack_.pop_front();
    return true;
  }
  out.clear();
  bool any = false;
  for (;;) {
    if (pos_ == end_ && !fill()) return any;
    if (pos_ == end_) continue;
    if (pendingCr_) {
      // A mark left out between a CR and its LF does not split the line end in two.
      pendingCr_ = buffer_[pos_] == kCtrlZ;
      if (buffer_[pos_] == '\n') {
        ++pos_;
        continue;
      }
    }
    const char* begin = buffer_.data() + pos_;
    const char* stop = buffer_.data() + end_;
    const char* p = begin;
    while (p != stop && (static_cast<unsigned char>(*p) > kCtrlZ || (*p != '\n' && *p != '\r' && *p != kCtrlZ))) ++p;
    out.append(begin, p);
    any = true;
    pos_ = static_cast<size_t>(p - buffer_.data());
    if (p == stop) continue;
    ++pos_;
    if (*p == kCtrlZ) {
      if (onlyBlanksFollow()) {  // the end of the file, as text mode read it
        finished_ = true;
        pos_ = end_ = 0;
        return !out.empty();
      }
      if (endMarkLine_ == 0) endMarkLine_ = linesRead_ + 1;
      continue;  // the mark is left out; its line goes on
    }
    if (*p == '\r') {
      pendingCr_ = true;
    }
    ++linesRead_;  // only a line with an end can have another after it
    return true;
  }
}

namespace {

bool isBlankOrMark(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == kCtrlZ; }

}  // namespace

// Looks on from pos_ without consuming anything: what is read to decide stays in the buffer,
// which grows when a long run of blanks fills it.
bool LineSource::onlyBlanksFollow() {
  size_t at = pos_;
  for (;;) {
    for (; at < end_; ++at)
      if (!isBlankOrMark(buffer_[at])) return false;
    if (finished_) return true;
    if (pos_ > 0) {
      std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
      end_ -= pos_;
      at -= pos_;
      pos_ = 0;
    }
    if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
    size_t got = readRaw(buffer_.data() + end_, buffer_.size() - end_);
    if (got == 0) return finished_ = true;
    end_ += got;
  }
}

bool LineSource::pushBackNext(std::string& out) {
  if (!readLine(out)) return false;
  pushedBack_.push_back(out);
  return true;
}

void LineSource::restart() {
  seekStart();
  pos_ = end_ = 0;
  atStart_ = true;
  finished_ = false;
  pendingCr_ = false;
  linesRead_ = 0;
  endMarkLine_ = 0;
}

void LineSource::rewind() { restart(); }

void LineSource::close() {
  closeRaw();
  finished_ = true;
  pos_ = end_ = 0;
}

}  // namespace tnw::pas
