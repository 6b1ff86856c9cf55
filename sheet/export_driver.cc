#include "sheet/export_driver.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "pas/date_time.h"
#include "pas/pas_converter.h"
#include "pas/super_fast_hash.h"
#include "pas/text.h"
#include "platform/platform.h"

namespace tnw::sheet {

std::string defaultLogoPath() {
  std::string beside = platform::executableDirectory();
  std::error_code ec;
  std::filesystem::path path = platform::pathFromUtf8(beside) / kLogoFileName;
  if (!beside.empty() && std::filesystem::exists(path, ec)) return platform::pathToUtf8(path);
#ifdef TARNWELL_DATA_DIR
  return std::string(TARNWELL_DATA_DIR) + "/" + kLogoFileName;
#else
  return platform::pathToUtf8(path);  // where everything lies in one folder, it can be only there
#endif
}

bool checkLogoFile(const std::string& path, uint32_t expectedHash) {
  std::ifstream in(platform::pathFromUtf8(path), std::ios::binary);
  if (!in) return false;
  std::error_code ec;
  uintmax_t size = std::filesystem::file_size(platform::pathFromUtf8(path), ec);
  if (ec || size > (64u << 20)) return false;  // a logo is small; anything else is not ours
  std::string bytes(static_cast<size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (static_cast<uintmax_t>(in.gcount()) < size) return false;
  return pas::superFastHash(bytes.data(), bytes.size()) == expectedHash;
}

ExportResult exportFile(Application& application, pas::LineSource& source, const std::string& path,
                        pas::ProgressReporter* progress, const ExportOptions& options) {
  ExportResult result;
  if (!checkLogoFile(options.logoPath, options.logoHash)) {
    result.outcome = ExportResult::kLogoFailed;
    result.message = "Could not open file: " + options.logoPath;
    return result;
  }
  source.rewind();
  try {
    Workbook& workbook = application.addWorkbook();
    pas::PasConverter converter(&workbook,
                                LayoutOptions{options.logoPath, kReportAddress, kSiteAddress, options.journal});
    bool completed = converter.convert(source, progress);
    result.lines = converter.lineNumber();
    result.errors = converter.errorCount();
    result.typeText = converter.typeText();
    result.versionText = converter.versionText();
    result.uwi = converter.uwi();
    result.company = converter.company();
    result.formation = converter.formation();
    result.verification = converter.fileVerification();
    result.warnings = converter.warnings();
    result.endMarkLine = converter.endMarkLine();
    result.looksLikePas = converter.looksLikePas();
    if (source.failed()) {
      // A file that stopped being readable halfway is no finished conversion.
      result.outcome = ExportResult::kFailed;
      result.message = source.error();
    } else if (completed) {
      std::string when = options.generatedAt.empty() ? pas::formatDateTime(pas::currentLocalDateTime())
                                                      : options.generatedAt;
      converter.writeGeneratedLine(path, when);
      application.setVisible(true);
      application.setUserControl(true);
      result.outcome = ExportResult::kCompleted;
      return result;
    } else {
      result.outcome = ExportResult::kCancelled;
    }
  } catch (const SpreadsheetError& error) {
    result.outcome = ExportResult::kFailed;
    result.message = pas::format("Spreadsheet error 0x%08x: %s", static_cast<unsigned>(error.status()), error.what());
  } catch (const std::bad_alloc&) {
    result.outcome = ExportResult::kFailed;
    result.message = "out of memory while converting " + path;
  }
  application.setDisplayAlerts(false);
  application.quit();
  return result;
}

}  // namespace tnw::sheet
