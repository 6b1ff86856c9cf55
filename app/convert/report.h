// What tarnwell-convert tells about each file: the table a batch ends with, and JSON lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
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
  int endMarkLine = 0;        // an end-of-file mark the reading went on past; 0: none
  bool looksLikePas = true;   // some line belonged to a section every PAS file has
};

// A table with a row per file: file, type, lines, error rows, seconds, and the workbook written
// or why none was, with what the user must know about how the file was read after it.
// `failuresOnly`: rows for the files that were not converted only, for runs over more files
// than anyone reads in a table; the last lines sum up all of them.
std::string batchTable(const std::vector<FileOutcome>& outcomes, bool failuresOnly = false);

// The columns a UTF-8 text takes on a terminal or console: one per character, two for the wide
// letters of East Asian scripts, none for combining marks.
size_t displayWidth(std::string_view utf8);

// A value of a JSON object: a text (UTF-8) or true/false.
using JsonValue = std::variant<std::string, bool>;
using JsonFields = std::vector<std::pair<std::string, JsonValue>>;

// {"key":"value","flag":true,...} with the texts escaped for JSON.
std::string jsonObject(const JsonFields& fields);

}  // namespace tnw::app
