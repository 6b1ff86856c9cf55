// Takes one PAS file from the request to a finished workbook: checks the logo, opens a
// workbook in the spreadsheet application, runs the conversion with progress, and either
// hands the workbook over (completed) or has the application quit without saving (cancelled).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pas/line_source.h"
#include "pas/pas_converter.h"
#include "pas/progress.h"
#include "sheet/spreadsheet.h"
#include "sheet/workbook_layout.h"

namespace tnw::sheet {

// The hash of the logo that ships with the program; a changed logo is refused.
inline constexpr uint32_t kLogoHash = 0x08fb1a3b;
inline constexpr const char* kLogoFileName = "Tarnwell.GIF";
inline constexpr const char* kReportAddress = "https://tarnwell.hollowmere.example/pas-report";
inline constexpr const char* kSiteAddress = "https://tarnwell.hollowmere.example/";

// The logo beside the program, else in the installed data folder.
std::string defaultLogoPath();
// True when the file can be read whole and its hash is the expected one.
bool checkLogoFile(const std::string& path, uint32_t expectedHash = kLogoHash);

struct ExportResult {
  enum Outcome { kCompleted, kCancelled, kLogoFailed, kFailed };
  Outcome outcome = kFailed;
  std::string message;  // for every outcome but kCompleted and kCancelled
  int32_t lines = 0;
  int32_t errors = 0;
  std::string typeText;  // as the file gave it
  // The header facts the conversion met, as the file gave them.
  std::string versionText, uwi, company, formation;
  pas::FileVerification verification;
  std::vector<std::string> warnings;
  // How the file was read: the line of an end-of-file mark with text after it (0: none; the
  // workbook says it too), and whether any line belonged to a section every PAS file has.
  int32_t endMarkLine = 0;
  bool looksLikePas = true;
};

struct ExportOptions {
  std::string logoPath = defaultLogoPath();
  uint32_t logoHash = kLogoHash;
  // What D1 of the general sheet says the workbook was generated at; empty: now.
  std::string generatedAt;
  // When given, where each line's row went (for the archive).
  RowJournal* journal = nullptr;
};

// `path` is the file's path as the user gave it; it is written into the workbook. The source
// is rewound first: it may have been read by a header scan.
ExportResult exportFile(Application& application, pas::LineSource& source, const std::string& path,
                        pas::ProgressReporter* progress, const ExportOptions& options = {});

}  // namespace tnw::sheet
