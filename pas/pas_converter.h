// One conversion of a PAS file into a workbook, or one quick scan of its header.
//
// Every line is offered first to the test-type reader (once the file has said which type it
// is), then to the three header sections every file shares; a line neither recognises is tried
// once more in canonical form, and then becomes an error row. Comment lines become comment rows.
// Each row is written the moment its line is read.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "pas/line_source.h"
#include "pas/pattern_matcher.h"
#include "pas/progress.h"
#include "pas/section_dispatch.h"
#include "readers/test_type_reader.h"
#include "sheet/cell_value.h"
#include "sheet/workbook_layout.h"

namespace tnw::pas {

struct HeaderSection;

// What the regulator's ~FILE VERIFICATION section says, each value trimmed; a value the file
// does not give stays empty (not given, as against given empty).
struct FileVerification {
  std::optional<std::string> trackingId;
  std::optional<std::string> submissionDate;
  std::optional<std::string> submitter;
  std::optional<std::string> licensee;
};

// What the user is told about a file in which no line belonged to a section every PAS file
// has (~VERSION, ~WELL INFORMATION, ~TEST DATA, ~FILE VERIFICATION).
inline constexpr std::string_view kNotPasNote = "does not look like a PAS file: no ~VERSION section was found";
// What the user is told about an end-of-file mark (Ctrl-Z) on line `markLine` of a file of
// `lines` lines that went on after it.
std::string endMarkNote(int32_t markLine, int32_t lines);

class PasConverter {
 public:
  // A null workbook makes a header scan: every write is dropped.
  explicit PasConverter(sheet::Workbook* workbook, sheet::LayoutOptions layout = {});
  virtual ~PasConverter();
  PasConverter(const PasConverter&) = delete;
  PasConverter& operator=(const PasConverter&) = delete;

  // Reads the source from where it stands to its end. False when the user cancelled (no
  // summary then); the rows written so far stay.
  bool convert(LineSource& source, ProgressReporter* progress);
  // Reads the first lines of the file from its top for the test type, version, well id,
  // company and formation; stops as soon as all of them but the version are known, or after
  // 102 lines that are neither blank nor comments.
  bool scanHeader(LineSource& source);
  // Reads the whole file for its ~FILE VERIFICATION values, which the regulator appends at its
  // end, where the header scan does not look. Nothing else is taken from the file.
  void scanFileVerification(LineSource& source);
  // The line after the current one, trimmed, without consuming it: the conversion processes it
  // next, with its own line number. False outside a conversion, at the end of the file, or
  // when a line is already waiting.
  bool peekLine(std::string& out);
  // The line with its section and mnemonic fields normalised for spacing and case; true when
  // that differs from the line.
  bool canonicalize(std::string_view raw, std::string& out) const;
  int32_t countLines(LineSource& source);
  // Creates the reader of the file's type once both type and version are known; the first
  // one created stays.
  void createTypeReader();
  // Makes `reader` the file's reader, as createTypeReader does once the type is known.
  void useReader(std::unique_ptr<readers::TestTypeReader> reader) { reader_ = std::move(reader); }

  // Output, for the header sections and the readers.
  void writeValueRow(std::string_view sheet, std::string_view section, std::string_view mnemonic,
                     std::optional<std::string_view> value, std::optional<std::string_view> description,
                     sheet::Colour fill);
  void writeInfoRow(std::string_view section, std::string_view mnemonic, std::optional<std::string_view> value,
                    std::optional<std::string_view> description, sheet::Colour fill);
  void writeTableSheet(std::string_view sheet, std::string_view section, std::span<const sheet::CellValue> values,
                       const sheet::TableRowStyle* style);
  void writeGeneratedLine(std::string_view path, std::string_view when);
  // Matches `section,MNEMONIC,value,` in the line and writes the value's row.
  bool matchValue(std::string_view sheet, std::string_view section, std::string_view mnemonic,
                  std::string_view description, std::string_view line, sheet::Colour fill);

  // The header sections.
  bool onVersionLine(std::string_view line);
  bool onWellInformationLine(std::string_view line);
  bool onTestDataLine(std::string_view line);
  bool onFileVerificationLine(std::string_view line);

  const std::string& typeText() const { return typeText_; }
  const std::string& versionText() const { return versionText_; }
  const std::string& uwi() const { return uwi_; }
  const std::string& formation() const { return formation_; }
  const std::string& company() const { return company_; }
  const FileVerification& fileVerification() const { return verification_; }
  int32_t errorCount() const { return errorCount_; }
  // False when the last scan or conversion met no line of the sections every PAS file has.
  bool looksLikePas() const { return metHeaderSection_; }
  // The line of an end-of-file mark the conversion read past (see LineSource); 0 when none.
  int32_t endMarkLine() const { return endMarkLine_; }
  bool cancelled() const { return cancelled_; }
  int32_t lineNumber() const { return lineNumber_; }
  const std::string& lastSection() const { return layout_.lastSection(); }
  readers::TestTypeReader* reader() const { return reader_.get(); }
  const std::vector<std::string>& warnings() const { return layout_.warnings(); }
  // For readers: patterns built at run time, and a context to match them with.
  PatternCache& patterns() { return patterns_; }
  MatchContext& matchContext() { return match_; }

 private:
  using Handler = bool (PasConverter::*)(std::string_view);
  using Dispatch = SectionDispatch<Handler>;
  static Dispatch headerDispatch();
  bool dispatchHeader(Dispatch& dispatch, std::string_view line);
  // The raw line, and when that is not recognised its canonical form.
  bool dispatchHeaderOrCanonical(Dispatch& dispatch, std::string_view line);
  bool onHeaderLine(const HeaderSection& section, std::string_view line);
  void processLine(Dispatch& dispatch, std::string_view line);
  void reportProgress(ProgressReporter& progress, int32_t total, int32_t& lastPercent);

  sheet::WorkbookLayout layout_;
  std::unique_ptr<readers::TestTypeReader> reader_;
  std::string typeText_;
  std::string versionText_;
  int32_t errorCount_ = 0;
  bool cancelled_ = false;
  bool metHeaderSection_ = false;
  int32_t endMarkLine_ = 0;
  std::string uwi_;
  std::string formation_;
  std::string company_;
  FileVerification verification_;
  LineSource* lineSource_ = nullptr;
  std::string pendingLine_;
  // A waiting line may be blank, so whether one waits is kept apart from its text.
  bool hasPendingLine_ = false;
  int32_t lineNumber_ = 0;

  PatternCache patterns_;
  MatchContext match_;
  std::string canonical_;
};

}  // namespace tnw::pas
