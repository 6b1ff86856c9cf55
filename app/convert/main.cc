// tarnwell-convert: PAS files to .xlsx workbooks, without a desktop.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
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
#include "archive/conversion.h"
#include "archive/inputs.h"
#include "archive/sha256.h"
#include "archive/sink.h"
#include "archive/sqlite_store.h"
#ifdef TARNWELL_POSTGRES
#include "archive/postgres_store.h"
#endif
#include "archive/summary_workbook.h"
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
  if (!converter.looksLikePas()) complain(input + ": warning: " + std::string(pas::kNotPasNote));
  if (json) {
    const char* keys[] = {"file", "type", "typeName", "version", "uwi", "company", "formation"};
    app::JsonFields keyed;
    for (size_t i = 0; i < facts.size(); ++i) keyed.emplace_back(keys[i], facts[i].second);
    keyed.emplace_back("looksLikePas", converter.looksLikePas());
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
  std::string output;  // its own workbook; empty when it gets none
};

// What the run does besides each file's own workbook.
struct Consumers {
  std::vector<std::unique_ptr<archive::Sink>> sinks;
  bool needsHash = false;  // a sink keys files by their content
  bool any() const { return !sinks.empty(); }
};

// One input from its path to its workbook and its conversion for the sinks. Messages for the
// user are collected, not printed, so that files converted at once do not mix their lines.
// `threads`: how many sheets its save may write at once.
struct Converted {
  FileOutcome outcome;
  archive::InputFile file;
  std::unique_ptr<archive::Conversion> conversion;
};

void convertOne(const Job& job, const Consumers& consumers, bool charts, int threads, pas::ProgressReporter& progress,
                Converted* done) {
  auto started = std::chrono::steady_clock::now();
  FileOutcome& out = done->outcome;
  out.input = job.input;
  out.output = job.output;
  done->file.path = job.input;
  auto finish = [&](FileOutcome::Status status, std::string failure = {}) {
    out.status = status;
    out.failure = std::move(failure);
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    done->file.status = status == FileOutcome::kConverted   ? "converted"
                        : status == FileOutcome::kUnchanged ? "unchanged"
                                                            : out.failure;
    if (status != FileOutcome::kConverted) done->conversion.reset();
    done->file.conversion = done->conversion.get();
  };
  std::string err;
  if (!job.output.empty()) {
    if (std::string missing = missingFolder(job.output); !missing.empty()) return finish(FileOutcome::kFailed, missing);
    std::error_code same;
    // the workbook would replace its own file
    if (std::filesystem::equivalent(platform::pathFromUtf8(job.input), platform::pathFromUtf8(job.output), same))
      return finish(FileOutcome::kFailed, "cannot write " + job.output + ": it is the input file itself");
  }
  if (consumers.needsHash) {
    // Refuses what the conversion would refuse (a folder, a pipe) before reading it whole.
    if (auto probe = pas::LineSource::open(job.input, &err); !probe) return finish(FileOutcome::kFailed, err);
    if (!archive::hashFile(job.input, &done->file.sha256, &done->file.bytes, &err))
      return finish(FileOutcome::kFailed, err);
    bool wanted = !job.output.empty();
    for (const auto& sink : consumers.sinks) wanted = wanted || sink->wants(job.input, done->file.sha256);
    if (!wanted) return finish(FileOutcome::kUnchanged);
  }
  done->conversion = std::make_unique<archive::Conversion>();
  archive::Conversion& conversion = *done->conversion;
  bool converted = conversion.run(job.input, &progress, &err);
  const sheet::ExportResult& result = conversion.result();
  out.type = result.typeText;
  out.lines = result.lines;
  out.errors = result.errors;
  out.warnings = result.warnings;
  out.endMarkLine = result.endMarkLine;
  out.looksLikePas = result.looksLikePas;
  if (converted) {
    if (!result.looksLikePas) out.warnings.insert(out.warnings.begin(), std::string(pas::kNotPasNote));
    if (result.endMarkLine > 0) out.warnings.push_back(pas::endMarkNote(result.endMarkLine, result.lines));
  }
  if (!converted) {
    if (err.empty()) return finish(FileOutcome::kInterrupted, "interrupted, nothing written");
    return finish(FileOutcome::kFailed, err);
  }
  if (!job.output.empty()) {
    sheet::MemoryWorkbook& book = *conversion.workbook();
    if (charts) sheet::addPressureCharts(book, threads);
    sheet::SaveReport report;
    // Ctrl-C while saving stops the save too: a workbook the user gave up on is not written.
    sheet::SaveControl control{.cancel = &app::interruptFlag()};
    if (!sheet::saveXlsx(book, job.output, &report, &err, threads, &control))
      return app::interrupted() ? finish(FileOutcome::kInterrupted, "interrupted, nothing written")
                                : finish(FileOutcome::kFailed, err);
    out.warnings.insert(out.warnings.end(), report.warnings.begin(), report.warnings.end());
  }
  finish(FileOutcome::kConverted);
}

// `chatty`: one line for a converted file too; a batch says it in its table instead.
void printOutcome(const FileOutcome& f, bool chatty) {
  for (const std::string& warning : f.warnings) complain(f.input + ": warning: " + warning);
  if (f.status == FileOutcome::kConverted) {
    if (chatty)
      say(stderr, f.input + " -> " + (f.output.empty() ? "converted" : f.output) + " (" + std::to_string(f.lines) +
                      " lines, " + std::to_string(f.errors) +
                      (f.errors == 1 ? " line not recognised)\n" : " lines not recognised)\n"));
  } else if (f.status == FileOutcome::kUnchanged) {
    if (chatty) say(stderr, f.input + ": unchanged since it was loaded\n");
  } else if (f.status == FileOutcome::kInterrupted) {
    complain(f.input + ": " + f.failure);
  } else {
    complain(f.failure);
  }
}

// Converts every job with at most `jobs` threads: as many files at once, and what is left of
// them for writing the sheets of each file's workbook. The outcomes are taken in input order on
// this thread, which alone feeds the sinks; files converted ahead of their turn wait in a small
// window, so a run over an archive holds a few conversions at a time, not all of them. Files
// still waiting when the user interrupts, or a sink fails, are skipped.
std::vector<FileOutcome> convertAll(const std::vector<Job>& work, Consumers& consumers, int jobs, bool charts,
                                    bool quiet, std::string* sinkFailure) {
  std::vector<FileOutcome> outcomes(work.size());
  for (size_t i = 0; i < work.size(); ++i) {
    outcomes[i].input = work[i].input;
    outcomes[i].output = work[i].output;
  }
  size_t atOnce = std::max<size_t>(1, std::min<size_t>(static_cast<size_t>(jobs), work.size()));
  int perFile = std::max(1, jobs / static_cast<int>(atOnce));
  size_t window = 2 * atOnce;
  bool terminal = !quiet && platform::isTerminal(stderr);
  bool single = work.size() == 1;
  app::RunProgress runBar(stderr, work.size(), terminal && !single);

  std::vector<std::unique_ptr<Converted>> slots(work.size());
  std::mutex mutex;
  std::condition_variable changed;
  size_t next = 0, taken = 0, running = atOnce;
  bool stop = false;
  auto worker = [&] {
    struct Leaving {
      std::mutex& mutex;
      std::condition_variable& changed;
      size_t& running;
      ~Leaving() {
        std::lock_guard<std::mutex> lock(mutex);
        --running;
        changed.notify_all();
      }
    } leaving{mutex, changed, running};
    for (;;) {
      size_t i;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return stop || next >= work.size() || next < taken + window; });
        if (stop || next >= work.size() || app::interrupted()) return;
        i = next++;
      }
      auto done = std::make_unique<Converted>();
      app::ProgressBar bar(stderr, platform::fileName(work[i].input), terminal && single);
      convertOne(work[i], consumers, charts, perFile, bar, done.get());
      bar.finish();
      std::lock_guard<std::mutex> lock(mutex);
      slots[i] = std::move(done);
      changed.notify_all();
    }
  };
  std::vector<std::thread> threads;
  for (size_t t = 0; t < atOnce; ++t) threads.emplace_back(worker);
  for (size_t i = 0; i < work.size(); ++i) {
    std::unique_ptr<Converted> done;
    {
      std::unique_lock<std::mutex> lock(mutex);
      // Workers that saw an interrupt leave the slots after theirs empty: once they are all
      // gone, an empty slot stays empty.
      changed.wait(lock, [&] { return slots[i] != nullptr || running == 0; });
      if (!slots[i]) break;
      done = std::move(slots[i]);
      taken = i + 1;
      changed.notify_all();
    }
    outcomes[i] = done->outcome;
    runBar.clear();
    printOutcome(outcomes[i], !quiet && single);
    for (const auto& sink : consumers.sinks) {
      if (done->outcome.status == FileOutcome::kInterrupted) break;
      if (!sink->add(done->file, sinkFailure)) {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
        changed.notify_all();
        break;
      }
    }
    if (stop) break;
    runBar.fileDone();
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    stop = true;
    changed.notify_all();
  }
  for (std::thread& t : threads) t.join();
  runBar.clear();
  return outcomes;
}

// The sinks the command line asks for.
bool makeConsumers(const app::ConvertOptions& options, const archive::Inputs& inputs, Consumers* consumers,
                   std::string* err) {
  if (!options.summary.empty()) {
    // Found before hours of converting, not when the workbook is saved.
    if (std::string missing = missingFolder(options.summary); !missing.empty()) return *err = missing, false;
    std::error_code none;
    for (const std::string& input : inputs.files)
      if (std::filesystem::equivalent(platform::pathFromUtf8(input), platform::pathFromUtf8(options.summary), none))
        return *err = "cannot write " + options.summary + ": it is one of the inputs", false;
    consumers->sinks.push_back(std::make_unique<archive::SummarySink>(options.summary));
  }
  if (!options.database.empty()) {
    archive::StoreOptions store;
    store.folders = inputs.folders;
    store.prune = options.prune;
    store.source = options.source;
    std::unique_ptr<archive::Sink> sink;
    if (archive::isPostgresTarget(options.database)) {
#ifdef TARNWELL_POSTGRES
      sink = archive::PostgresSink::open(options.database,
                                         options.dbSchema.empty() ? archive::kDefaultPostgresSchema : options.dbSchema,
                                         std::move(store), err);
#endif
    } else {
      sink = archive::SqliteSink::open(options.database, std::move(store), err);
    }
    if (!sink) return false;
    consumers->sinks.push_back(std::move(sink));
    consumers->needsHash = true;  // an unchanged file is known by its content
  }
  return true;
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
#ifndef TARNWELL_POSTGRES
  if (archive::isPostgresTarget(options.database))
    return complain("this tarnwell-convert cannot load into PostgreSQL (it is built without it): run the loaders "
                    "on Linux, or give --db an SQLite file"),
           kExitUsage;
#endif
  std::vector<FileOutcome> refused;
  const std::vector<std::string> expanded = expandInputs(options.inputs, &refused);
  if (!options.output.empty() && expanded.size() > 1) {
    complain("-o names the workbook of one input, and " + options.inputs[0] + " names " +
             std::to_string(expanded.size()) + " files; use -d for several");
    return kExitUsage;
  }
  for (const FileOutcome& f : refused) complain(f.failure);

  int status = refused.empty() ? kExitOk : kExitFailed;
  if (options.info) {
    for (const FileOutcome& f : refused)
      if (options.json) say(stdout, app::jsonObject({{"file", f.input}, {"error", f.failure}}) + "\n");
    for (size_t i = 0; i < expanded.size(); ++i) {
      if (i > 0 && !options.json) say(stdout, "\n");
      if (!printInfo(expanded[i], options.json)) status = kExitFailed;
    }
    return status;
  }
  app::installInterruptHandler();
  archive::Inputs inputs;
  for (const std::string& given : expanded) archive::addInput(given, &inputs);
  for (const std::string& list : options.lists) {
    std::vector<std::string> listed;
    if (!archive::readInputList(list, &listed, &err)) {
      complain(err);
      return kExitFailed;
    }
    for (const std::string& given : listed) archive::addInput(given, &inputs);
  }
  if (inputs.files.empty() && inputs.problems.empty() && refused.empty()) {
    complain("no input file given: the lists hold no paths");
    return kExitFailed;
  }
  if (!options.output.empty() && inputs.files.size() > 1) {
    complain("-o names the workbook of one input, and " + options.inputs[0] + " holds " +
             std::to_string(inputs.files.size()) + " files; use -d for several");
    return kExitUsage;
  }
  bool ownWorkbooks = (options.summary.empty() && options.database.empty()) || !options.outputDir.empty();
  Consumers consumers;
  if (!makeConsumers(options, inputs, &consumers, &err)) {
    complain(err);
    return kExitFailed;
  }
  std::vector<Job> work;
  for (const archive::Inputs::Problem& problem : inputs.problems) {
    FileOutcome f;
    f.input = problem.path;
    f.status = FileOutcome::kFailed;
    f.failure = problem.message;
    complain(f.failure);
    refused.push_back(f);
  }
  std::set<std::string> outputs;
  for (const std::string& input : inputs.files) {
    std::string output;
    if (ownWorkbooks) output = options.output.empty() ? app::outputPathFor(input, options.outputDir) : options.output;
    std::error_code ec;
    std::string key = platform::pathToUtf8(std::filesystem::weakly_canonical(platform::pathFromUtf8(output), ec));
    if (!output.empty() && !outputs.insert(ec ? output : key).second) {
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
  std::string sinkFailure;
  std::vector<FileOutcome> outcomes = convertAll(work, consumers, jobs, options.charts, options.quiet, &sinkFailure);
  bool interrupted = app::interrupted();
  for (const auto& sink : consumers.sinks) {
    if (!sinkFailure.empty() || interrupted) break;
    // Inputs refused before their turn are inputs too: the sinks list them with the reason.
    bool added = true;
    for (const FileOutcome& f : refused) {
      archive::InputFile file;
      file.path = f.input;
      file.status = f.failure;
      if (!(added = sink->add(file, &sinkFailure))) break;
    }
    if (!added || !sink->finish(&sinkFailure)) break;
  }
  outcomes.insert(outcomes.end(), refused.begin(), refused.end());
  size_t given = work.size() + refused.size();
  if (given > 1 && !options.quiet) say(stdout, app::batchTable(outcomes, given > 50));
  for (const auto& sink : consumers.sinks) {
    if (std::string summary = sink->summary(); !options.quiet && !summary.empty()) complain(summary);
    for (const std::string& note : sink->notes()) complain(note);
  }
  if (!sinkFailure.empty()) {
    complain(sinkFailure);
    status = kExitFailed;
  }
  for (const FileOutcome& f : outcomes) {
    if (f.status == FileOutcome::kInterrupted || interrupted) return kExitInterrupted;
    if (f.status != FileOutcome::kConverted && f.status != FileOutcome::kUnchanged) status = kExitFailed;
  }
  return status;
}
