// Reads a PAS file one line at a time, the way the files were written: a line ends at LF, CRLF
// or a lone CR; a UTF-8 byte-order mark at the start is skipped and a file with a UTF-16
// byte-order mark is read as UTF-8. Lines already read can be pushed back to be read again, and
// the source can start over from the top.
//
// A Ctrl-Z (0x1A) was the end-of-file mark of old editors: where only blanks, line ends and
// more of them follow, it ends the file. Where real text follows, the file goes on past it
// (text mode would have dropped the rest without a word): the mark is left out of its line and
// the line it stood on is kept for the user to be told.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tnw::pas {

class LineSource {
 public:
  // Opens a file; on failure returns null and says why in *err, naming the path.
  static std::unique_ptr<LineSource> open(const std::string& path, std::string* err);
  // A source over bytes in memory (used by tests and by callers that have the file already).
  static std::unique_ptr<LineSource> fromBytes(std::string bytes);

  virtual ~LineSource();

  // The next line without its line end; a pushed-back line first. False only at the end.
  bool readLine(std::string& out);
  // Reads the next line and keeps a copy to be returned again by the next readLine.
  bool pushBackNext(std::string& out);
  // Back to the first line. Pushed-back lines stay.
  void rewind();
  void close();

  // True when reading stopped because the file could not be read any further.
  bool failed() const { return failed_; }
  const std::string& error() const { return error_; }
  // The line (counted from 1, as the lines were read since the top) of the first end-of-file
  // mark that had text after it; 0 when there was none in what has been read.
  int32_t endMarkLine() const { return endMarkLine_; }

 protected:
  LineSource() = default;
  // Fills buf with up to n raw bytes; 0 at the end. Sets failed_/error_ on a read error.
  virtual size_t readRaw(char* buf, size_t n) = 0;
  virtual void seekStart() = 0;
  virtual void closeRaw() = 0;

  bool failed_ = false;
  std::string error_;

 private:
  bool fill();
  void restart();
  bool onlyBlanksFollow();

  std::deque<std::string> pushedBack_;
  std::vector<char> buffer_;
  size_t pos_ = 0, end_ = 0;
  bool atStart_ = true;
  bool finished_ = false;
  bool pendingCr_ = false;  // the last line ended at a CR that may be followed by its LF
  int32_t linesRead_ = 0;   // ended lines from the file, pushed-back ones not counted again
  int32_t endMarkLine_ = 0;
};

}  // namespace tnw::pas
