// tarnwell-convert: PAS files to .xlsx workbooks, without a desktop.
#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/convert/options.h"
#include "app/convert/progress_bar.h"
#include "app/convert/report.h"
#include "pas/line_source.h"
#include "pas/pas_converter.h"
#include "pas/type_detection.h"
#include "platform/platform.h"
#include "sheet/charts.h"
#include "sheet/export_driver.h"
#include "sheet/memory_workbook.h"
#include "sheet/text_encoding.h"
#include "sheet/xlsx_writer.h"

namespace {

using namespace tnw;
using app::FileOutcome;

constexpr int kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitInterrupted = 130;

// Every line the program prints goes through here: a Windows console takes it as UTF-16.
void say(std::FILE* stream, const std::string& text) { platform::writeText(stream, text); }
void complain(const std::string& message) { say(stderr, "tarnwell-convert: " + message + "\n"); }

// Texts from the file are bytes in whatever the file used; the terminal wants UTF-8.
std::string shown(std::string_view bytes) { return sheet::toUtf8(bytes); }

bool printInfo(const std::string& input, bool json) {
  std::string err;
  auto source = pas::LineSource::open(input, &err);
  pas::PasConverter converter(nullptr);
  if (source) converter.scanHeader(*source);
  if (source && source->failed()) err = source->error();
  std::string file = shown(platform::fileName(input));
  if (!err.empty()) {
    complain(err);
    if (json) say(stdout, app::jsonObject({{"file", file}, {"error", err}}) + "\n");
    return false;
  }
  std::vector<std::pair<std::string, std::string>> facts = {
      {"File", file},
      {"Type", shown(converter.typeText())},
      {"Type name", std::string(pas::typeLongName(converter.typeText()))},
      {"Version", shown(converter.versionText())},
      {"UWI", shown(converter.uwi())},
      {"Company", shown(converter.company())},
      {"Formation", shown(converter.formation())},
  };
  if (json) {
    const char* keys[] = {"file", "type", "typeName", "version", "uwi", "company", "formation"};
    std::vector<std::pair<std::string, std::string>> keyed;
    for (size_t i = 0; i < facts.size(); ++i) keyed.emplace_back(keys[i], facts[i].second);
    // The regulator's verification stands at the end of the file, past what the scan reads.
    converter.scanFileVerification(*source);
    const pas::FileVerification& v = converter.fileVerification();
    auto addGiven = [&](const char* key, const std::optional<std::string>& value) {
      if (value) keyed.emplace_back(key, shown(*value));
    };
    addGiven("trackingId", v.trackingId);
    addGiven("submissionDate", v.submissionDate);
    addGiven("submitter", v.submitter);
    addGiven("licensee", v.licensee);
    say(stdout, app::jsonObject(keyed) + "\n");
  } else {
    for (const auto& [name, value] : facts) say(stdout, name + ": " + value + "\n");
  }
  return true;
}

std::string missingFolder(const std::string& output) {
  std::filesystem::path folder = platform::pathFromUtf8(output).parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) return {};
  if (std::filesystem::exists(folder, ec))
    return "cannot write " + output + ": " + platform::pathToUtf8(folder) + " is not a folder";
  return "cannot write " + output + ": the folder " + platform::pathToUtf8(folder) + " does not exist";
}

struct Job {
  std::string input;
  std::string output;
};

// One file from its path to its workbook. Messages for the user are collected, not printed, so
// that files converted at once do not mix their lines.
// `threads`: how many sheets its save may write at once.
FileOutcome convertOne(const Job& job, bool charts, int threads, pas::ProgressReporter& progress) {
  auto started = std::chrono::steady_clock::now();
  FileOutcome out;
  out.input = job.input;
  out.output = job.output;
  auto finish = [&](FileOutcome::Status status, std::string failure = {}) {
    out.status = status;
    out.failure = std::move(failure);
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return out;
  };
  std::string err;
  auto source = pas::LineSource::open(job.input, &err);
  if (!source) return finish(FileOutcome::kFailed, err);
  if (std::string missing = missingFolder(job.output); !missing.empty()) return finish(FileOutcome::kFailed, missing);
  std::error_code same;
  // the workbook would replace its own file
  if (std::filesystem::equivalent(platform::pathFromUtf8(job.input), platform::pathFromUtf8(job.output), same))
    return finish(FileOutcome::kFailed, "cannot write " + job.output + ": it is the input file itself");
  sheet::MemoryApplication application;
  sheet::ExportResult result = sheet::exportFile(application, *source, job.input, &progress);
  out.type = result.typeText;
  out.lines = result.lines;
  out.errors = result.errors;
  out.warnings = result.warnings;
  switch (result.outcome) {
    case sheet::ExportResult::kCompleted: break;
    case sheet::ExportResult::kCancelled: return finish(FileOutcome::kInterrupted, "interrupted, nothing written");
    case sheet::ExportResult::kLogoFailed: return finish(FileOutcome::kFailed, result.message);
    case sheet::ExportResult::kFailed: return finish(FileOutcome::kFailed, job.input + ": " + result.message);
  }
  sheet::MemoryWorkbook& book = *application.workbooks().back();
  if (charts) sheet::addPressureCharts(book);
  sheet::SaveReport report;
  if (!sheet::saveXlsx(book, job.output, &report, &err, threads))
    return finish(FileOutcome::kFailed, err);
  out.warnings.insert(out.warnings.end(), report.warnings.begin(), report.warnings.end());
  return finish(FileOutcome::kConverted);
}

// `chatty`: one line for a converted file too; a batch says it in its table instead.
void printOutcome(const FileOutcome& f, bool chatty) {
  for (const std::string& warning : f.warnings) complain(f.input + ": warning: " + warning);
  if (f.status == FileOutcome::kConverted) {
    if (chatty)
      say(stderr, f.input + " -> " + f.output + " (" + std::to_string(f.lines) + " lines, " + std::to_string(f.errors) +
                      (f.errors == 1 ? " line not recognised)\n" : " lines not recognised)\n"));
  } else if (f.status == FileOutcome::kInterrupted) {
    complain(f.input + ": " + f.failure);
  } else {
    complain(f.failure);
  }
}

// Converts every job with at most `jobs` threads: as many files at once, and what is left of
// them for writing the sheets of each file's workbook. Files still waiting when the user
// interrupts are skipped.
std::vector<FileOutcome> convertAll(const std::vector<Job>& work, int jobs, bool charts, bool quiet) {
  std::vector<FileOutcome> outcomes(work.size());
  for (size_t i = 0; i < work.size(); ++i) {
    outcomes[i].input = work[i].input;
    outcomes[i].output = work[i].output;
  }
  if (work.empty()) return outcomes;  // every name matched nothing
  if (work.size() == 1 || jobs == 1) {
    for (size_t i = 0; i < work.size() && !app::interrupted(); ++i) {
      bool showBar = !quiet && platform::isTerminal(stderr);
      app::ProgressBar bar(stderr, platform::fileName(work[i].input), showBar);
      outcomes[i] = convertOne(work[i], charts, jobs, bar);
      bar.finish();
      printOutcome(outcomes[i], !quiet && work.size() == 1);
    }
    return outcomes;
  }
  int atOnce = static_cast<int>(std::min<size_t>(static_cast<size_t>(jobs), work.size()));
  int perFile = std::max(1, jobs / atOnce);
  std::atomic<size_t> next{0};
  std::mutex printing;
  auto worker = [&] {
    for (size_t i; (i = next++) < work.size() && !app::interrupted();) {
      app::ProgressBar silent(stderr, {}, false);  // no bar when several files share the terminal
      outcomes[i] = convertOne(work[i], charts, perFile, silent);
      std::lock_guard<std::mutex> lock(printing);
      printOutcome(outcomes[i], false);
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < atOnce; ++t) threads.emplace_back(worker);
  for (std::thread& t : threads) t.join();
  return outcomes;
}

// The inputs with their wildcards expanded (Windows); a pattern that matches nothing is a file
// that failed, as a missing file is.
std::vector<std::string> expandInputs(const std::vector<std::string>& arguments, std::vector<FileOutcome>* unmatched) {
  std::vector<std::string> inputs;
  for (const std::string& argument : arguments) {
    std::string problem;
    if (platform::expandWildcards(argument, &inputs, &problem)) continue;
    FileOutcome f;
    f.status = FileOutcome::kFailed;
    f.input = argument;
    f.failure = problem;
    unmatched->push_back(f);
  }
  return inputs;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tnw;
  std::setlocale(LC_TIME, "");  // the generated line shows the user's date and time format
  std::vector<std::string> args = platform::commandLineArguments(argc, argv);
  if (!args.empty()) args.erase(args.begin());
  app::ConvertOptions options;
  std::string err;
  if (!app::parseConvertOptions(args, &options, &err)) {
    complain(err);
    say(stderr, "Try 'tarnwell-convert --help' for more information.\n");
    return kExitUsage;
  }
  if (options.help) return say(stdout, app::kConvertUsage), kExitOk;
  if (options.version) return say(stdout, "tarnwell-convert " TARNWELL_VERSION "\n"), kExitOk;
  std::vector<FileOutcome> refused;
  const std::vector<std::string> inputs = expandInputs(options.inputs, &refused);
  if (!options.output.empty() && inputs.size() > 1) {
    complain("-o names the workbook of one input, and " + options.inputs[0] + " names " +
             std::to_string(inputs.size()) + " files; use -d for several");
    return kExitUsage;
  }
  for (const FileOutcome& f : refused) complain(f.failure);

  int status = refused.empty() ? kExitOk : kExitFailed;
  if (options.info) {
    for (const FileOutcome& f : refused)
      if (options.json) say(stdout, app::jsonObject({{"file", f.input}, {"error", f.failure}}) + "\n");
    for (size_t i = 0; i < inputs.size(); ++i) {
      if (i > 0 && !options.json) say(stdout, "\n");
      if (!printInfo(inputs[i], options.json)) status = kExitFailed;
    }
    return status;
  }
  app::installInterruptHandler();
  std::vector<Job> work;
  std::set<std::string> outputs;
  for (const std::string& input : inputs) {
    std::string output = options.output.empty() ? app::outputPathFor(input, options.outputDir) : options.output;
    std::error_code ec;
    std::string key = platform::pathToUtf8(std::filesystem::weakly_canonical(platform::pathFromUtf8(output), ec));
    if (!outputs.insert(ec ? output : key).second) {
      FileOutcome f;
      f.status = FileOutcome::kFailed;  // not "interrupted before its turn"
      f.input = input;
      f.output = output;
      f.failure = input + ": its workbook " + output + " would replace the one written for another input";
      complain(f.failure);
      refused.push_back(f);
      continue;
    }
    work.push_back({input, output});
  }
  int jobs = options.jobs > 0 ? options.jobs : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::vector<FileOutcome> outcomes = convertAll(work, jobs, options.charts, options.quiet);
  outcomes.insert(outcomes.end(), refused.begin(), refused.end());
  if (outcomes.size() > 1 && !options.quiet) say(stdout, app::batchTable(outcomes));
  for (const FileOutcome& f : outcomes) {
    if (f.status == FileOutcome::kInterrupted || app::interrupted()) return kExitInterrupted;
    if (f.status != FileOutcome::kConverted) status = kExitFailed;
  }
  return status;
}
