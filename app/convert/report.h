// What tarnwell-convert tells about each file: the table a batch ends with, and JSON lines.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tnw::app {

struct FileOutcome {
  enum Status { kSkipped, kConverted, kUnchanged, kFailed, kInterrupted };
  Status status = kSkipped;  // never reached: the run was interrupted first
  std::string input;
  std::string output;   // the workbook of its own; empty when it gets none
  std::string failure;  // why no workbook was written
  std::string type;     // as the file gave it
  int lines = 0;
  int errors = 0;
  double seconds = 0;
  std::vector<std::string> warnings;
};

// A table with a row per file: file, type, lines, error rows, seconds, and the workbook written
// or why none was. `failuresOnly`: rows for the files that were not converted only, for runs
// over more files than anyone reads in a table; the last lines sum up all of them.
std::string batchTable(const std::vector<FileOutcome>& outcomes, bool failuresOnly = false);

// {"key":"value",...} with the values escaped for JSON; the texts must be UTF-8.
std::string jsonObject(const std::vector<std::pair<std::string, std::string>>& fields);

}  // namespace tnw::app
