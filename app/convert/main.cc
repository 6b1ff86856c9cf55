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

void complain(const std::string& message) { std::fprintf(stderr, "tarnwell-convert: %s\n", message.c_str()); }

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
    if (json) std::printf("%s\n", app::jsonObject({{"file", file}, {"error", err}}).c_str());
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
    std::printf("%s\n", app::jsonObject(keyed).c_str());
  } else {
    for (const auto& [name, value] : facts) std::printf("%s: %s\n", name.c_str(), value.c_str());
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
  // Ctrl-C while saving stops the save too: a workbook the user gave up on is not written.
  sheet::SaveControl control{.cancel = &app::interruptFlag()};
  if (!sheet::saveXlsx(book, job.output, &report, &err, threads, &control))
    return app::interrupted() ? finish(FileOutcome::kInterrupted, "interrupted, nothing written")
                              : finish(FileOutcome::kFailed, err);
  out.warnings.insert(out.warnings.end(), report.warnings.begin(), report.warnings.end());
  return finish(FileOutcome::kConverted);
}

// `chatty`: one line for a converted file too; a batch says it in its table instead.
void printOutcome(const FileOutcome& f, bool chatty) {
  for (const std::string& warning : f.warnings) complain(f.input + ": warning: " + warning);
  if (f.status == FileOutcome::kConverted) {
    if (chatty)
      std::fprintf(stderr, "%s -> %s (%d lines, %d %s)\n", f.input.c_str(), f.output.c_str(), f.lines, f.errors,
                   f.errors == 1 ? "line not recognised" : "lines not recognised");
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

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_TIME, "");  // the generated line shows the user's date and time format
  tnw::platform::prepareConsole();
  std::vector<std::string> args = tnw::platform::commandLineArguments(argc, argv);
  if (!args.empty()) args.erase(args.begin());
  tnw::app::ConvertOptions options;
  std::string err;
  if (!tnw::app::parseConvertOptions(args, &options, &err)) {
    complain(err);
    std::fprintf(stderr, "Try 'tarnwell-convert --help' for more information.\n");
    return kExitUsage;
  }
  if (options.help) return std::fputs(tnw::app::kConvertUsage, stdout), kExitOk;
  if (options.version) return std::printf("tarnwell-convert %s\n", TARNWELL_VERSION), kExitOk;

  int status = kExitOk;
  if (options.info) {
    for (size_t i = 0; i < options.inputs.size(); ++i) {
      if (i > 0 && !options.json) std::printf("\n");
      if (!printInfo(options.inputs[i], options.json)) status = kExitFailed;
    }
    return status;
  }
  tnw::app::installInterruptHandler();
  std::vector<Job> work;
  std::vector<FileOutcome> refused;
  std::set<std::string> outputs;
  for (const std::string& input : options.inputs) {
    std::string output = options.output.empty() ? tnw::app::outputPathFor(input, options.outputDir) : options.output;
    std::error_code ec;
    std::string key = tnw::platform::pathToUtf8(std::filesystem::weakly_canonical(tnw::platform::pathFromUtf8(output), ec));
    if (!outputs.insert(ec ? output : key).second) {
      FileOutcome f;
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
  if (options.inputs.size() > 1 && !options.quiet) std::fputs(tnw::app::batchTable(outcomes).c_str(), stdout);
  for (const FileOutcome& f : outcomes) {
    if (f.status == FileOutcome::kInterrupted || tnw::app::interrupted()) return kExitInterrupted;
    if (f.status != FileOutcome::kConverted) status = kExitFailed;
  }
  return status;
}
