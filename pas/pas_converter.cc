#include "pas/pas_converter.h"

#include <cctype>
#include <charconv>

#include "pas/header_sections.h"
#include "pas/text.h"
#include "pas/type_detection.h"
#include "readers/factory.h"

namespace tnw::pas {

namespace {

constexpr std::string_view kCommentSection = "#PAS COMMENT";
constexpr std::string_view kErrorSection = "Could not parse line";
constexpr std::string_view kErrorMnemonic = "ERROR";
// The header scan gives up after this many lines that are neither blank nor comments.
constexpr int32_t kScanLimit = 100;

}  // namespace

std::string endMarkNote(int32_t markLine, int32_t lines) {
  std::string note = "end-of-file mark (Ctrl-Z) found on line " + std::to_string(markLine) + ": ";
  int32_t after = lines - markLine;
  if (after <= 0) return note + "the text after it on that line was read too";
  if (after == 1) return note + "the line after it was read too";
  return note + "the " + std::to_string(after) + " lines after it were read too";
}

PasConverter::PasConverter(sheet::Workbook* workbook, sheet::LayoutOptions layout)
    : layout_(workbook, std::move(layout)) {}

PasConverter::~PasConverter() = default;

PasConverter::Dispatch PasConverter::headerDispatch() {
  Dispatch dispatch;
  dispatch.add("~VERSION", &PasConverter::onVersionLine);
  dispatch.add("~WELL INFORMATION", &PasConverter::onWellInformationLine);
  dispatch.add("~TEST DATA", &PasConverter::onTestDataLine);
  dispatch.add("~FILE VERIFICATION", &PasConverter::onFileVerificationLine);
  return dispatch;
}

bool PasConverter::dispatchHeader(Dispatch& dispatch, std::string_view line) {
  const Dispatch::Entry* entry = dispatch.lookup(line);
  if (!entry) return false;
  metHeaderSection_ = true;
  return (this->*(entry->handler))(line);
}

bool PasConverter::dispatchHeaderOrCanonical(Dispatch& dispatch, std::string_view line) {
  if (dispatchHeader(dispatch, line)) return true;
  return canonicalize(line, canonical_) && dispatchHeader(dispatch, canonical_);
}

bool PasConverter::convert(LineSource& source, ProgressReporter* progress) {
  cancelled_ = false;
  lineSource_ = &source;
  errorCount_ = 0;
  lineNumber_ = 0;
  metHeaderSection_ = false;
  endMarkLine_ = 0;
  Dispatch dispatch = headerDispatch();
  int32_t total = progress && progress->wantsTotal() ? countLines(source) : 0;
  int32_t lastPercent = -1;
  std::string raw;
  for (;;) {
    if (hasPendingLine_) {
      raw.swap(pendingLine_);
      hasPendingLine_ = false;
    } else if (!source.readLine(raw)) {
      break;
    }
    std::string_view line = trim(raw);
    ++lineNumber_;
    if (progress) {
      reportProgress(*progress, total, lastPercent);
      if (progress->cancelRequested()) {
        cancelled_ = true;
        lineSource_ = nullptr;
        return false;
      }
    }
    if (!line.empty()) processLine(dispatch, line);
  }
  endMarkLine_ = source.endMarkLine();
  if (layout_.bound()) {
    layout_.writeSummary(lineNumber_, errorCount_);
    if (endMarkLine_ > 0) {
      std::string note = endMarkNote(endMarkLine_, lineNumber_);
      note[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(note[0])));
      layout_.writeNote(note);
    }
  }
  lineSource_ = nullptr;
  return true;
}

void PasConverter::reportProgress(ProgressReporter& progress, int32_t total, int32_t& lastPercent) {
  if (total > 0) {
    auto percent = static_cast<int32_t>(static_cast<double>(lineNumber_) / total * 100);
    if (percent != lastPercent) {
      lastPercent = percent;
      progress.showProgress(std::to_string(percent), ProgressReporter::kPercent);
    }
  }
  char text[64] = "Reading Line ";
  char* at = text + 13;
  at = std::to_chars(at, text + sizeof text, lineNumber_).ptr;
  for (char c : std::string_view(" of ")) *at++ = c;
  at = std::to_chars(at, text + sizeof text, total).ptr;
  progress.showProgress(std::string_view(text, static_cast<size_t>(at - text)), ProgressReporter::kStatus);
}

void PasConverter::processLine(Dispatch& dispatch, std::string_view line) {
  if (reader_ && reader_->handleLine(line)) return;
  if (dispatchHeader(dispatch, line)) return;
  if (line.front() == '#') {
    if (reader_ && reader_->handleComment(line)) return;
    writeInfoRow(kCommentSection, line, "", "", sheet::kCommentFill);
    return;
  }
  // The canonical line lives in a member: a reader may keep views of it while it writes.
  if (canonicalize(line, canonical_)) {
    if (reader_ && reader_->handleLine(canonical_)) return;
    if (dispatchHeader(dispatch, canonical_)) return;
  }
  writeInfoRow(kErrorSection, kErrorMnemonic, line, std::nullopt, sheet::kErrorFill);
  ++errorCount_;
}

bool PasConverter::peekLine(std::string& out) {
  out.clear();
  if (!lineSource_ || hasPendingLine_) return false;
  if (!lineSource_->readLine(pendingLine_)) return false;
  hasPendingLine_ = true;
  out.assign(trim(pendingLine_));
  return true;
}

bool PasConverter::canonicalize(std::string_view raw, std::string& out) const {
  out.clear();
  size_t comma = raw.find(',');
  if (comma == std::string_view::npos) return out != raw;
  std::string head(trim(raw.substr(0, comma)));
  std::string tail(trim(raw.substr(comma)));
  replaceAll(head, "(n)", "(0)");
  replaceAll(head, "(#)", "(0)");
  replaceAll(head, "-", " - ");
  replaceAll(head, "(", " (");
  while (head.find("  ") != std::string::npos) replaceAll(head, "  ", " ");
  bool dataTable = reader_ && reader_->isDataTableSection(head);
  if (!dataTable && tail.size() > 1) {
    size_t second = tail.find(',', 1);
    if (second != std::string::npos) {
      std::string mnemonic = toUpperAscii(std::string_view(tail).substr(0, second));
      replaceAll(mnemonic, " OR ", "#OR#");
      while (mnemonic.find(' ') != std::string::npos) replaceAll(mnemonic, " ", "");
      replaceAll(mnemonic, "#OR#", " OR ");
      tail = mnemonic + tail.substr(second);
    }
  }
  out = head + tail;
  return out != raw;
}

int32_t PasConverter::countLines(LineSource& source) {
  source.rewind();
  std::string line;
  int32_t count = 0;
  while (source.readLine(line)) ++count;
  source.rewind();
  return count;
}

bool PasConverter::scanHeader(LineSource& source) {
  uwi_.clear();
  typeText_.clear();
  formation_.clear();
  company_.clear();
  verification_ = {};
  metHeaderSection_ = false;
  source.rewind();
  Dispatch dispatch = headerDispatch();
  int32_t counter = 0;
  std::string raw;
  while (source.readLine(raw)) {
    std::string_view line = trim(raw);
    if (line.empty() || line.front() == '#') continue;
    // The conversion retries a line in canonical form (a "UWI ." with a blank before the dot),
    // so the scan must too, or it would miss facts the workbook shows.
    dispatchHeaderOrCanonical(dispatch, line);
    if (!company_.empty() && !formation_.empty() && !uwi_.empty() && !typeText_.empty()) break;
    if (counter > kScanLimit) break;
    ++counter;
  }
  return true;
}

void PasConverter::scanFileVerification(LineSource& source) {
  verification_ = {};
  source.rewind();
  std::string raw;
  while (source.readLine(raw)) {
    std::string_view line = trim(raw);
    // Canonical spacing only changes blanks after the section name, which must begin so.
    if (!line.starts_with("~FILE")) continue;
    if (!onFileVerificationLine(line) && canonicalize(line, canonical_)) onFileVerificationLine(canonical_);
  }
  source.rewind();
}

void PasConverter::createTypeReader() {
  if (reader_ || typeText_.empty() || versionText_.empty()) return;
  std::string_view code = readerCode(typeText_);
  if (code.empty()) return;
  reader_ = readers::createReader(code, versionNumber(versionText_), *this);
}

void PasConverter::writeValueRow(std::string_view sheet, std::string_view section, std::string_view mnemonic,
                                 std::optional<std::string_view> value, std::optional<std::string_view> description,
                                 sheet::Colour fill) {
  layout_.writeValueRow(lineNumber_, sheet, section, mnemonic, value, description, fill);
}

void PasConverter::writeInfoRow(std::string_view section, std::string_view mnemonic,
                                std::optional<std::string_view> value, std::optional<std::string_view> description,
                                sheet::Colour fill) {
  writeValueRow(sheet::kGeneralSheet, section, mnemonic, value, description, fill);
}

void PasConverter::writeTableSheet(std::string_view sheet, std::string_view section,
                                   std::span<const sheet::CellValue> values, const sheet::TableRowStyle* style) {
  layout_.writeTableSheet(lineNumber_, sheet, section, values, style);
}

void PasConverter::writeGeneratedLine(std::string_view path, std::string_view when) {
  layout_.writeGeneratedLine(path, when);
}

bool PasConverter::matchValue(std::string_view sheet, std::string_view section, std::string_view mnemonic,
                              std::string_view description, std::string_view line, sheet::Colour fill) {
  std::string pattern(section);
  pattern += ',';
  pattern += escapeMnemonic(mnemonic);
  pattern += ",{(.*?)},";
  if (!patterns_.get(pattern).match(line, match_)) return false;
  writeValueRow(sheet, section, mnemonic, groupText(match_, 0), description, fill);
  return true;
}

bool PasConverter::onHeaderLine(const HeaderSection& section, std::string_view line) {
  for (size_t i = 0; i < section.entries.size(); ++i) {
    if (!section.patterns[i].match(line, match_)) continue;
    const HeaderEntry& entry = section.entries[i];
    std::string_view value = groupText(match_, 0);
    writeInfoRow(section.prefix, entry.rowMnemonic, value, entry.description, sheet::kNoColour);
    switch (entry.effect) {
      case HeaderEffect::kNone: break;
      case HeaderEffect::kType: typeText_.assign(value); createTypeReader(); break;
      case HeaderEffect::kVersion: versionText_.assign(value); createTypeReader(); break;
      case HeaderEffect::kUwi: uwi_.assign(trim(value)); break;
      case HeaderEffect::kFormation: formation_.assign(trim(value)); break;
      case HeaderEffect::kCompany: company_.assign(trim(value)); break;
      case HeaderEffect::kTrackingId: verification_.trackingId = std::string(trim(value)); break;
      case HeaderEffect::kSubmissionDate: verification_.submissionDate = std::string(trim(value)); break;
      case HeaderEffect::kSubmitter: verification_.submitter = std::string(trim(value)); break;
      case HeaderEffect::kLicensee: verification_.licensee = std::string(trim(value)); break;
    }
    return true;
  }
  return false;
}

bool PasConverter::onVersionLine(std::string_view line) { return onHeaderLine(versionSection(), line); }

bool PasConverter::onWellInformationLine(std::string_view line) {
  return onHeaderLine(wellInformationSection(), line);
}

bool PasConverter::onTestDataLine(std::string_view line) { return onHeaderLine(testDataSection(), line); }

bool PasConverter::onFileVerificationLine(std::string_view line) {
  return onHeaderLine(fileVerificationSection(), line);
}

}  // namespace tnw::pas
