// What takes the converted files of a run besides their own workbooks: the summary workbook,
// the database. The converter hands every input over, in the order the inputs were given, on
// one thread, so a sink needs no locking of its own.
#pragma once

#include <cstdint>
#include <string>

#include "archive/conversion.h"

namespace tnw::archive {

struct InputFile {
  std::string path;     // as the run found it (a path given, or found in a folder given)
  std::string status;   // "converted", "unchanged", or why it was not converted, in the converter's words
  std::string sha256;   // of the file's bytes; empty when it could not be read
  int64_t bytes = 0;
  const Conversion* conversion = nullptr;  // the conversion, for a converted file only
};

class Sink {
 public:
  virtual ~Sink() = default;
  // Asked before a file is read, from any thread: false when this sink has the file already
  // as it is, so it need not be converted for it. Must be safe to call concurrently.
  virtual bool wants(const std::string& path, const std::string& sha256) const = 0;
  // Every input once, in input order. False stops the run: *err says why, naming the sink's
  // own file.
  virtual bool add(const InputFile& file, std::string* err) = 0;
  // After the last input. False: *err says why.
  virtual bool finish(std::string* err) = 0;
  // A line saying what the run did to the sink's own file, left out by --quiet.
  virtual std::string summary() const { return {}; }
  // Lines for the user after the run (what was skipped, limits met), each complete.
  virtual std::vector<std::string> notes() const { return {}; }
};

}  // namespace tnw::archive
