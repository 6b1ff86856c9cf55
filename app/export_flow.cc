#include "app/export_flow.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "app/export_folder.h"
#include "app/vector_state.h"
#include "sheet/charts.h"
#include "sheet/memory_workbook.h"
#include "sheet/xlsx_writer.h"

namespace tnw::gui {

void convertAndSave(pas::LineSource& source, const std::string& path, const std::string& folder, bool asTemplate,
                    const GuiExportOptions& options, ProgressChannel& channel, WorkerOutcome* out) {
  clearUpperVectorState();
  try {
    sheet::MemoryApplication application;
    sheet::ExportOptions exportOptions;
    exportOptions.logoPath = options.logoPath;
    exportOptions.logoHash = options.logoHash;
    exportOptions.generatedAt = options.generatedAt;
    out->result = sheet::exportFile(application, source, path, &channel, exportOptions);
    if (out->result.outcome != sheet::ExportResult::kCompleted) return;
    out->warnings = out->result.warnings;
    if (channel.cancelRequested()) return void(out->cancelledLate = true);
    channel.showProgress("Saving the workbook...", pas::ProgressReporter::kStatus);
    std::string err;
    if (!reserveWorkbookPath(folder, path, asTemplate ? ".xltx" : ".xlsx", &out->workbook, &err)) {
      out->workbook.clear();
      out->saveError = err;
      return;
    }
    sheet::MemoryWorkbook& book = *application.workbooks().back();
    if (options.charts) sheet::addPressureCharts(book);
    sheet::SaveReport report;
    // A cancel that came while the charts were laid out spares the user the whole save.
    bool saved = !channel.cancelRequested() &&
                 (asTemplate ? sheet::saveXltx(book, out->workbook, &report, &err)
                             : sheet::saveXlsx(book, out->workbook, &report, &err));
    std::error_code ec;
    if (!saved || channel.cancelRequested()) {
      std::filesystem::remove(out->workbook, ec);
      out->workbook.clear();
      if (saved || channel.cancelRequested()) return void(out->cancelledLate = true);
      out->saveError = err;
      return;
    }
    out->warnings.insert(out->warnings.end(), report.warnings.begin(), report.warnings.end());
    recordExport(folder, out->workbook, &err);  // unlisted, it is merely never cleaned up
  } catch (const std::exception& error) {
    out->result.outcome = sheet::ExportResult::kFailed;
    out->result.message = error.what();
    if (!out->workbook.empty()) {
      std::error_code ec;
      std::filesystem::remove(out->workbook, ec);
      out->workbook.clear();
    }
  }
}

}  // namespace tnw::gui
