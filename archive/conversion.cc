#include "archive/conversion.h"

#include <charconv>
#include <cstdio>
#include <map>

#include "pas/date_time.h"
#include "pas/type_detection.h"
#include "sheet/text_encoding.h"

namespace tnw::archive {

namespace {

constexpr int32_t kColSection = 1, kColMnemonic = 2, kColValue = 3, kColDescription = 6;

std::string utf8(std::string_view bytes) { return sheet::toUtf8(bytes); }

std::optional<std::string> textOrNone(std::string_view bytes) {
  if (bytes.empty()) return std::nullopt;
  return utf8(bytes);
}

Shown shownCell(const sheet::MemoryWorkbook& book, const sheet::CellData& cell) {
  Shown shown;
  switch (cell.kind) {
    case sheet::CellKind::kBlank: break;
    case sheet::CellKind::kText:
      if (!cell.text.empty()) {
        shown.kind = Shown::Kind::kText;
        shown.text = utf8(cell.text);
      }
      break;
    case sheet::CellKind::kNumber: {
      const std::string& format = book.numberFormat(book.style(cell.style).numberFormat);
      shown.number = cell.number;
      if (format == sheet::kDateFormat) {
        int y, mo, d, h, mi, s;
        shown.kind = Shown::Kind::kDate;
        shown.time = isoTime(cell.number);
        if (pas::splitDateTime(cell.number, &y, &mo, &d, &h, &mi, &s)) {
          char text[40];
          std::snprintf(text, sizeof text, "%04d %02d %02d %02d%02d:%02d", y, mo, d, h, mi, s);
          shown.text = text;
        }
      } else {
        shown.kind = Shown::Kind::kNumber;
        shown.text = shownNumber(cell.number, format);
      }
      break;
    }
  }
  return shown;
}

std::string textOf(const std::optional<sheet::CellData>& cell) {
  return cell && cell->kind == sheet::CellKind::kText ? utf8(cell->text) : std::string();
}

}  // namespace

std::string_view kindName(sheet::RowKind kind) {
  switch (kind) {
    case sheet::RowKind::kComment: return "comment";
    case sheet::RowKind::kError: return "error";
    case sheet::RowKind::kTable: return "table";
    case sheet::RowKind::kValue:
    case sheet::RowKind::kColumnDefinition: break;
  }
  return "value";
}

std::string shownNumber(double value, std::string_view format) {
  char text[400];
  char* end = text;
  if (format.empty()) {
    // General: the digits of a whole number as written. The shortest form of all would write
    // 100000 as "1e+05", which is not what the workbook shows.
    end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed).ptr;
  } else if (size_t e = format.find('E'); e != std::string_view::npos) {
    // "0.00E-00": the mantissa's decimals, then the exponent with at least as many digits as
    // the format has zeros, its sign always for "E+" and only when negative for "E-".
    size_t point = format.find('.');
    int decimals = point == std::string_view::npos || point > e ? 0 : static_cast<int>(e - point - 1);
    int digits = static_cast<int>(format.size() - e - 2);
    char mantissa[400];
    char* m = std::to_chars(mantissa, mantissa + sizeof mantissa, value, std::chars_format::scientific, decimals).ptr;
    std::string_view full(mantissa, static_cast<size_t>(m - mantissa));
    size_t at = full.find('e');
    int exponent = 0;
    std::from_chars(full.data() + at + 1 + (full[at + 1] == '+'), full.data() + full.size(), exponent);
    const char* sign = exponent < 0 ? "-" : format[e + 1] == '+' ? "+" : "";
    int written = std::snprintf(text, sizeof text, "%.*sE%s%0*d", static_cast<int>(at), full.data(), sign, digits,
                                exponent < 0 ? -exponent : exponent);
    end = text + written;
  } else {
    size_t point = format.find('.');
    int decimals = point == std::string_view::npos ? 0 : static_cast<int>(format.size() - point - 1);
    end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
  }
  return std::string(text, end);
}

std::string isoTime(double serial) {
  int y, mo, d, h, mi, s;
  if (!pas::splitDateTime(serial, &y, &mo, &d, &h, &mi, &s)) return {};
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", y, mo, d, h, mi, s);
  return text;
}

bool Conversion::run(const std::string& path, pas::ProgressReporter* progress, std::string* err,
                     const sheet::ExportOptions& options) {
  err->clear();
  auto source = pas::LineSource::open(path, err);
  if (!source) return false;
  sheet::ExportOptions withJournal = options;
  withJournal.journal = &journal_;
  result_ = sheet::exportFile(application_, *source, path, progress, withJournal);
  switch (result_.outcome) {
    case sheet::ExportResult::kCompleted: return true;
    case sheet::ExportResult::kCancelled: return false;
    case sheet::ExportResult::kLogoFailed: *err = result_.message; return false;
    case sheet::ExportResult::kFailed: *err = path + ": " + result_.message; return false;
  }
  return false;
}

sheet::MemoryWorkbook* Conversion::workbook() const {
  return application_.workbooks().empty() ? nullptr : application_.workbooks().back().get();
}

Facts Conversion::facts() const {
  Facts f;
  f.type = utf8(result_.typeText);
  f.typeName = std::string(pas::typeLongName(result_.typeText));
  f.version = utf8(result_.versionText);
  f.uwi = utf8(result_.uwi);
  f.company = utf8(result_.company);
  f.formation = utf8(result_.formation);
  const pas::FileVerification& v = result_.verification;
  f.licensee = utf8(v.licensee.value_or(""));
  f.trackingId = utf8(v.trackingId.value_or(""));
  f.submissionDate = utf8(v.submissionDate.value_or(""));
  return f;
}

void Conversion::visitRows(const std::function<void(const Row&)>& visit) const {
  const sheet::MemoryWorkbook* book = workbook();
  if (!book) return;
  // Per sheet: where its cells were last read (rows come in order on every sheet), and the
  // column definitions of the table last defined there, which name a table row's cells.
  struct SheetState {
    size_t next = 0;
    std::string name;
    std::vector<std::string> headers;
    std::string definedBy;  // the section of those definitions
    bool lastWasDefinition = false;
  };
  std::map<sheet::SheetId, SheetState> sheets;
  Row row;
  std::vector<sheet::CellData> cells;
  for (const sheet::JournalEntry& entry : journal_) {
    SheetState& state = sheets[entry.sheet];
    if (state.name.empty()) state.name = utf8(book->sheetName(entry.sheet));
    cells.clear();
    size_t count = book->cellCount(entry.sheet);
    while (state.next < count) {
      sheet::CellData cell = book->cellAtIndex(entry.sheet, state.next);
      if (cell.cell.row > entry.row) break;
      ++state.next;
      if (cell.cell.row == entry.row) cells.push_back(cell);
    }
    auto at = [&](int32_t col) -> std::optional<sheet::CellData> {
      for (const sheet::CellData& cell : cells)
        if (cell.cell.col == col) return cell;
      return std::nullopt;
    };
    row.line = entry.fileLine;
    row.sheet = state.name;
    row.kind = entry.kind;
    row.section = textOf(at(kColSection));
    row.mnemonic.reset();
    row.description.reset();
    row.value = {};
    row.cells.clear();
    if (entry.kind == sheet::RowKind::kTable) {
      for (const sheet::CellData& cell : cells) {
        if (cell.cell.col < kColMnemonic) continue;
        Shown shown = shownCell(*book, cell);
        if (shown.kind == Shown::Kind::kNone) continue;
        size_t index = static_cast<size_t>(cell.cell.col - kColMnemonic);
        std::string_view header = index < state.headers.size() ? std::string_view(state.headers[index]) : "";
        row.cells.push_back({cell.cell.col - kColMnemonic + 1, header, std::move(shown)});
      }
      state.lastWasDefinition = false;
    } else {
      if (auto mnemonic = at(kColMnemonic); mnemonic && mnemonic->kind == sheet::CellKind::kText)
        row.mnemonic = textOrNone(mnemonic->text);
      if (auto description = at(kColDescription); description && description->kind == sheet::CellKind::kText)
        row.description = textOrNone(description->text);
      if (auto value = at(kColValue)) row.value = shownCell(*book, *value);
      bool definition = entry.kind == sheet::RowKind::kColumnDefinition;
      if (definition) {
        if (!state.lastWasDefinition || state.definedBy != row.section) {
          state.headers.clear();
          state.definedBy = row.section;
        }
        state.headers.push_back(row.mnemonic.value_or(""));
      }
      state.lastWasDefinition = definition;
    }
    visit(row);
  }
}

}  // namespace tnw::archive
