// What tarnwell-convert tells about each file: the table a batch ends with, and JSON lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tnw::app {

struct FileOutcome {
  enum Status { kSkipped, kConverted, kFailed, kInterrupted };
  Status status = kSkipped;  // never reached: the run was interrupted first
  std::string input;
  std::string output;
  std::string failure;  // why no workbook was written
  std::string type;     // as the file gave it
  int lines = 0;
  int errors = 0;
  double seconds = 0;
  std::vector<std::string> warnings;
};

// A table with a row per file: file, type, lines, error rows, seconds, and the workbook written
// or why none was.
std::string batchTable(const std::vector<FileOutcome>& outcomes);

// The columns a UTF-8 text takes on a terminal or console: one per character, two for the wide
// letters of East Asian scripts, none for combining marks.
size_t displayWidth(std::string_view utf8);

// {"key":"value",...} with the values escaped for JSON; the texts must be UTF-8.
std::string jsonObject(const std::vector<std::pair<std::string, std::string>>& fields);

}  // namespace tnw::app
