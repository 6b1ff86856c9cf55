#include "app/summary_export.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "archive/conversion.h"
#include "archive/inputs.h"
#include "archive/summary_workbook.h"
#include "pas/text.h"
#include "platform/platform.h"

namespace tnw::gui {

namespace {

// Each conversion hears the user's cancel; its texts line by line are not shown, the run's count
// of files is.
class FileCounter : public pas::ProgressReporter {
 public:
  explicit FileCounter(ProgressChannel& channel) : channel_(channel) {}
  void showProgress(std::string_view, int) override {}
  bool cancelRequested() override { return channel_.cancelRequested(); }

 private:
  ProgressChannel& channel_;
};

BuiltWorkbook summarize(const std::vector<std::string>& given, ProgressChannel& channel,
                        const GuiExportOptions& options) {
  BuiltWorkbook built;
  sheet::ExportResult& result = built.result;
  archive::Inputs inputs;
  for (const std::string& input : given) archive::addInput(input, &inputs);
  const size_t total = inputs.files.size() + inputs.problems.size();
  const sheet::ExportOptions exportOptions = conversionOptions(options);

  auto sink = std::make_shared<archive::SummarySink>(std::string());
  FileCounter counter(channel);
  size_t failed = 0;
  std::string err;
  auto add = [&](archive::InputFile& file) {
    if (file.status != "converted") ++failed;
    if (sink->add(file, &err)) return true;
    result.message = err;
    return false;
  };
  for (size_t i = 0; i < inputs.files.size(); ++i) {
    if (channel.cancelRequested()) return result.outcome = sheet::ExportResult::kCancelled, built;
    channel.showProgress(std::to_string(i * 100 / total), pas::ProgressReporter::kPercent);
    channel.showProgress(pas::withSeparators(i) + " of " + pas::withSeparators(total) + " files done",
                         pas::ProgressReporter::kStatus);
    const std::string& path = inputs.files[i];
    archive::InputFile file;
    file.path = path;
    archive::Conversion conversion;
    // A pipe or a device among the files would hold the run for as long as nothing is written to it.
    if (platform::isSpecialFile(path)) {
      file.status = "cannot read " + path + ": it is not a regular file";
    } else if (conversion.run(path, &counter, &err, exportOptions)) {
      file.status = "converted";
      file.conversion = &conversion;
    } else if (err.empty()) {
      return result.outcome = sheet::ExportResult::kCancelled, built;
    } else if (conversion.result().outcome == sheet::ExportResult::kLogoFailed) {
      result.outcome = sheet::ExportResult::kLogoFailed;
      result.message = err;
      return built;
    } else {
      file.status = err;
    }
    if (!add(file)) return built;
  }
  // As the converter lists them: after the files, what could not be searched or read.
  for (const archive::Inputs::Problem& problem : inputs.problems) {
    archive::InputFile file;
    file.path = problem.path;
    file.status = problem.message;
    if (!add(file)) return built;
  }
  channel.showProgress("100", pas::ProgressReporter::kPercent);
  channel.showProgress(pas::withSeparators(total) + " of " + pas::withSeparators(total) + " files done",
                       pas::ProgressReporter::kStatus);
  if (!sink->finish(&err)) return result.message = err, built;
  result.outcome = sheet::ExportResult::kCompleted;
  result.warnings = sink->notes();
  built.book = std::shared_ptr<sheet::MemoryWorkbook>(sink, &sink->workbook());
  if (failed > 0)
    built.note = pas::withSeparators(failed) + " of " + pas::withSeparators(total) +
                 (total == 1 ? " file" : " files") + " could not be converted; the sheet \"FILES\" says why for each.";
  return built;
}

}  // namespace

ExportJob summaryJob(std::vector<std::string> inputs) {
  ExportJob job;
  job.summary = true;
  job.path = platform::pathToUtf8(platform::pathFromUtf8(inputs.front()).parent_path() /
                                  platform::pathFromUtf8("Summary.pas"));
  job.build = [inputs = std::move(inputs)](ProgressChannel& channel, const GuiExportOptions& options) {
    return summarize(inputs, channel, options);
  };
  return job;
}

bool wantsSummary(const std::vector<std::string>& inputs) {
  std::error_code ec;
  return inputs.size() > 1 ||
         (inputs.size() == 1 && std::filesystem::is_directory(platform::pathFromUtf8(inputs.front()), ec));
}

}  // namespace tnw::gui
