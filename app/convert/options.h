// The command line of tarnwell-convert.
#pragma once

#include <string>
#include <vector>

namespace tnw::app {

struct ConvertOptions {
  std::vector<std::string> inputs;
  std::string output;     // -o: the workbook of the single input
  std::string outputDir;  // -d: one workbook per input in this folder
  std::vector<std::string> lists;  // --from: files with more inputs, one per line ("-": stdin)
  std::string summary;             // --summary: one workbook across all inputs
  std::string database;            // --db: the database the inputs are loaded into
  bool prune = false;              // --db: forget files gone from the folders given
  std::string dbSchema;            // --db-schema: the PostgreSQL schema; empty: "tarnwell"
  std::string source;              // --source: where the paths come from; empty: the host name
  bool info = false;
  bool json = false;  // --info: one JSON object per input
  int jobs = 0;       // files converted at once; 0: one per core
  bool quiet = false;
  bool charts = true;  // pressure charts on the gauge sheets
  bool help = false;
  bool version = false;
};

// False for a command line that cannot be run; *err then says why in one line.
bool parseConvertOptions(const std::vector<std::string>& args, ConvertOptions* options, std::string* err);

// Where the workbook of an input goes: beside it, or in outputDir, named after it with the
// extension ".pas" (in any case) replaced by ".xlsx".
std::string outputPathFor(const std::string& input, const std::string& outputDir);

extern const char* const kConvertUsage;

}  // namespace tnw::app
