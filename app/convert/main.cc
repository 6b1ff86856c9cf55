// tarnwell-convert: PAS files to .xlsx workbooks, without a desktop.
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "app/convert/options.h"
#include "app/convert/progress_bar.h"
#include "pas/line_source.h"
#include "pas/pas_converter.h"
#include "pas/platform.h"
#include "pas/type_detection.h"
#include "sheet/export_driver.h"
#include "sheet/memory_workbook.h"
#include "sheet/text_encoding.h"
#include "sheet/xlsx_writer.h"

namespace {

using namespace tnw;

constexpr int kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitInterrupted = 130;

void complain(const std::string& message) { std::fprintf(stderr, "tarnwell-convert: %s\n", message.c_str()); }

// Texts from the file are bytes in whatever the file used; the terminal wants UTF-8.
std::string shown(std::string_view bytes) { return sheet::toUtf8(bytes); }

bool printInfo(const std::string& input) {
  std::string err;
  auto source = pas::LineSource::open(input, &err);
  if (!source) return complain(err), false;
  pas::PasConverter converter(nullptr);
  converter.scanHeader(*source);
  if (source->failed()) return complain(source->error()), false;
  std::printf("File: %s\n", shown(std::filesystem::path(input).filename().string()).c_str());
  std::printf("Type: %s\n", shown(converter.typeText()).c_str());
  std::printf("Type name: %s\n", std::string(pas::typeLongName(converter.typeText())).c_str());
  std::printf("Version: %s\n", shown(converter.versionText()).c_str());
  std::printf("UWI: %s\n", shown(converter.uwi()).c_str());
  std::printf("Company: %s\n", shown(converter.company()).c_str());
  std::printf("Formation: %s\n", shown(converter.formation()).c_str());
  return true;
}

bool checkOutputFolder(const std::string& output) {
  std::filesystem::path folder = std::filesystem::path(output).parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    complain("cannot write " + output + ": the folder " + folder.string() + " does not exist");
    return false;
  }
  return true;
}

enum class Outcome { kConverted, kFailed, kInterrupted };

Outcome convertOne(const std::string& input, const std::string& output, const tnw::app::ConvertOptions& options) {
  std::string err;
  auto source = pas::LineSource::open(input, &err);
  if (!source) return complain(err), Outcome::kFailed;
  if (!checkOutputFolder(output)) return Outcome::kFailed;
  bool showBar = !options.quiet && pas::isTerminal(stderr);
  tnw::app::ProgressBar bar(stderr, std::filesystem::path(input).filename().string(), showBar);
  sheet::MemoryApplication application;
  sheet::ExportResult result = sheet::exportFile(application, *source, input, &bar);
  bar.finish();
  switch (result.outcome) {
    case sheet::ExportResult::kCompleted: break;
    case sheet::ExportResult::kCancelled: complain(input + ": interrupted, nothing written"); return Outcome::kInterrupted;
    case sheet::ExportResult::kLogoFailed: complain(result.message); return Outcome::kFailed;
    case sheet::ExportResult::kFailed: complain(input + ": " + result.message); return Outcome::kFailed;
  }
  sheet::SaveReport report;
  if (!sheet::saveXlsx(*application.workbooks().back(), output, &report, &err)) {
    complain(err);
    return Outcome::kFailed;
  }
  for (const std::string& warning : result.warnings) complain(input + ": warning: " + warning);
  for (const std::string& warning : report.warnings) complain(input + ": warning: " + warning);
  if (!options.quiet)
    std::fprintf(stderr, "%s -> %s (%d lines, %d %s)\n", input.c_str(), output.c_str(), result.lines, result.errors,
                 result.errors == 1 ? "line not recognised" : "lines not recognised");
  return Outcome::kConverted;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_TIME, "");  // the generated line shows the user's date and time format
  std::vector<std::string> args(argv + 1, argv + argc);
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
      if (i > 0) std::printf("\n");
      if (!printInfo(options.inputs[i])) status = kExitFailed;
    }
    return status;
  }
  tnw::app::installInterruptHandler();
  std::set<std::string> written;
  for (const std::string& input : options.inputs) {
    std::string output = options.output.empty() ? tnw::app::outputPathFor(input, options.outputDir) : options.output;
    std::error_code ec;
    std::string key = std::filesystem::weakly_canonical(output, ec).string();
    if (!written.insert(ec ? output : key).second) {
      complain(input + ": its workbook " + output + " would replace the one just written for another input");
      status = kExitFailed;
      continue;
    }
    Outcome outcome = convertOne(input, output, options);
    if (outcome == Outcome::kInterrupted) return kExitInterrupted;
    if (outcome == Outcome::kFailed) status = kExitFailed;
  }
  return status;
}
