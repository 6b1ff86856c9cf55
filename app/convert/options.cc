#include "app/convert/options.h"

#include <filesystem>

#include "archive/store.h"
#include "platform/platform.h"

namespace tnw::app {

const char* const kConvertUsage =
    "Usage: tarnwell-convert [OPTION]... FILE.pas...\n"
    "Convert PAS well-test files (ERCB Pressure ASCII Standard) to .xlsx workbooks.\n"
    "An input may be a folder: every *.pas file under it is taken, in name order.\n"
    "\n"
    "Each FILE.pas becomes FILE.xlsx beside it, unless told otherwise:\n"
    "  -o, --output OUT.xlsx   write the workbook of the one input FILE to OUT.xlsx\n"
    "  -d, --output-dir DIR    write one workbook per input into the folder DIR\n"
    "  -j, --jobs N            use N threads: N files at once, or one file's sheets\n"
    "                          written N at once (default: one per core)\n"
    "      --from LIST         read more inputs from the file LIST, one path per line\n"
    "                          ('-' reads them from standard input)\n"
    "      --summary OUT.xlsx  write one workbook across all inputs instead of one\n"
    "                          per input (add -d DIR to get those as well)\n"
    "      --db ARCHIVE.sqlite load every input into an SQLite database, created if\n"
    "                          missing; unchanged files are skipped (add -d DIR to\n"
    "                          get the workbooks as well)\n"
    "      --db postgresql://[USER@]HOST[:PORT]/DBNAME  (or postgresql:KEY=VALUE...)\n"
    "                          load them into a PostgreSQL database instead, which\n"
    "                          several loaders may fill at once (Linux only)\n"
    "      --db-schema NAME    with a PostgreSQL --db: the schema (default: tarnwell)\n"
    "      --source NAME       with --db: where the paths come from (default: this\n"
    "                          machine's host name); files are held by source and path\n"
    "      --prune             with --db: remove files that no longer exist under\n"
    "                          the folders given\n"
    "      --info              print the file's header facts instead of converting:\n"
    "                          File, Type, Type name, Version, UWI, Company,\n"
    "                          Formation\n"
    "      --json              with --info: one JSON object per input and line\n"
    "      --no-charts         leave out the pressure charts of the gauge sheets\n"
    "  -q, --quiet             no progress bar and no summary lines\n"
    "  -h, --help, /?          show this help and exit\n"
    "      --version           show the version and exit\n"
    "\n"
    "With several inputs the run ends with a table: file, type, lines, error rows,\n"
    "seconds, and the workbook written or why none was; past 50 inputs the table\n"
    "lists only the files that failed, and one line sums up the rest.\n"
    "\n"
    "On Windows a name with * or ? stands for the files of its folder that match\n"
    "it, in name order: *.pas, data\\well?.pas.\n"
    "\n"
    "Every line of the file ends up in the workbook: values on the sheet of their\n"
    "section, data tables as rows, comments and lines that could not be read on\n"
    "TEST INFORMATION.\n"
    "An existing workbook is replaced only once the new one is complete.\n"
    "\n"
    "Exit status: 0 when every input was converted, 1 when at least one failed or a\n"
    "name with wildcards matched no file, 2 for a wrong command line.\n";

namespace {

bool takeValue(const std::vector<std::string>& args, size_t& i, const std::string& name, std::string* value,
               std::string* err) {
  if (i + 1 >= args.size()) {
    *err = "option '" + name + "' needs a value";
    return false;
  }
  *value = args[++i];
  return true;
}

bool parseJobs(const std::string& value, int* jobs) {
  if (value.empty() || value.size() > 3 || value.find_first_not_of("0123456789") != std::string::npos) return false;
  int n = std::stoi(value);
  if (n < 1 || n > 256) return false;
  *jobs = n;
  return true;
}

}  // namespace

bool parseConvertOptions(const std::vector<std::string>& args, ConvertOptions* options, std::string* err) {
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!optionsEnded && arg == "/?") {  // what Windows users type for help
      options->help = true;
    } else if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      options->inputs.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-o" || arg == "--output") {
      if (!takeValue(args, i, arg, &options->output, err)) return false;
    } else if (arg.rfind("--output=", 0) == 0) {
      options->output = arg.substr(9);
    } else if (arg == "-d" || arg == "--output-dir") {
      if (!takeValue(args, i, arg, &options->outputDir, err)) return false;
    } else if (arg.rfind("--output-dir=", 0) == 0) {
      options->outputDir = arg.substr(13);
    } else if (arg == "-j" || arg == "--jobs" || arg.rfind("--jobs=", 0) == 0 || (arg.rfind("-j", 0) == 0 && arg.size() > 2)) {
      std::string value;
      if (arg == "-j" || arg == "--jobs") {
        if (!takeValue(args, i, arg, &value, err)) return false;
      } else {
        value = arg.substr(arg[1] == 'j' ? 2 : 7);
      }
      if (!parseJobs(value, &options->jobs)) return *err = "'" + value + "' is no number of jobs (1 to 256)", false;
    } else if (arg == "--from" || arg == "--summary" || arg == "--db" || arg == "--db-schema" || arg == "--source") {
      std::string value;
      if (!takeValue(args, i, arg, &value, err)) return false;
      if (arg == "--from") options->lists.push_back(value);
      else (arg == "--summary" ? options->summary
            : arg == "--db"    ? options->database
            : arg == "--source" ? options->source
                                : options->dbSchema) = value;
    } else if (arg.rfind("--from=", 0) == 0) {
      options->lists.push_back(arg.substr(7));
    } else if (arg.rfind("--summary=", 0) == 0) {
      options->summary = arg.substr(10);
    } else if (arg.rfind("--db=", 0) == 0) {
      options->database = arg.substr(5);
    } else if (arg.rfind("--db-schema=", 0) == 0) {
      options->dbSchema = arg.substr(12);
    } else if (arg.rfind("--source=", 0) == 0) {
      options->source = arg.substr(9);
    } else if (arg == "--prune") {
      options->prune = true;
    } else if (arg == "--no-charts") {
      options->charts = false;
    } else if (arg == "--json") {
      options->json = true;
    } else if (arg == "--info") {
      options->info = true;
    } else if (arg == "-q" || arg == "--quiet") {
      options->quiet = true;
    } else if (arg == "-h" || arg == "--help") {
      options->help = true;
    } else if (arg == "--version") {
      options->version = true;
    } else {
      *err = "unknown option '" + arg + "'";
      return false;
    }
  }
  if (options->help || options->version) return true;
  if (options->inputs.empty() && options->lists.empty()) return *err = "no input file given", false;
  if ((!options->summary.empty() || !options->database.empty()) && !options->output.empty())
    return *err = "-o names the workbook of one input; with --summary or --db use -d for workbooks", false;
  if (options->prune && options->database.empty()) return *err = "--prune goes with --db", false;
  if (!options->source.empty() && options->database.empty()) return *err = "--source goes with --db", false;
  if (!options->dbSchema.empty() && !archive::isPostgresTarget(options->database))
    return *err = "--db-schema goes with a PostgreSQL --db", false;
  if (options->info && (!options->summary.empty() || !options->database.empty()))
    return *err = "--info writes nothing; --summary and --db do not go with it", false;
  if (!options->output.empty() && !options->outputDir.empty()) return *err = "-o and -d cannot be used together", false;
  if (!options->output.empty() && options->inputs.size() != 1)
    return *err = "-o names the workbook of one input; use -d for several", false;
  if (options->info && (!options->output.empty() || !options->outputDir.empty()))
    return *err = "--info writes no workbook; -o and -d do not go with it", false;
  if (options->json && !options->info) return *err = "--json goes with --info", false;
  return true;
}

std::string outputPathFor(const std::string& input, const std::string& outputDir) {
  std::filesystem::path in = platform::pathFromUtf8(input);
  std::filesystem::path name = in.filename();
  std::string ext = platform::pathToUtf8(name.extension());
  bool isPas = ext.size() == 4 && (ext[1] == 'p' || ext[1] == 'P') && (ext[2] == 'a' || ext[2] == 'A') &&
               (ext[3] == 's' || ext[3] == 'S');
  std::string base = platform::pathToUtf8(isPas ? name.stem() : name);
  std::filesystem::path folder = outputDir.empty() ? in.parent_path() : platform::pathFromUtf8(outputDir);
  return platform::pathToUtf8(folder / platform::pathFromUtf8(base + ".xlsx"));
}

}  // namespace tnw::app
