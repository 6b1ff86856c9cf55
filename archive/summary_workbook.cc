#include "archive/summary_workbook.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <numeric>
#include <optional>
#include <set>
#include <string_view>
#include <tuple>
#include <unordered_map>

#include "pas/header_sections.h"
#include "pas/pas_converter.h"
#include "pas/type_detection.h"
#include "pas/text.h"
#include "platform/platform.h"
#include "readers/factory.h"
#include "sheet/workbook_layout.h"
#include "sheet/xlsx_writer.h"

namespace tnw::archive {

namespace {

using sheet::Cell;
using sheet::Range;
using sheet::SheetId;

constexpr std::string_view kFilesSheet = "FILES";
constexpr std::string_view kFileColumns[] = {"File",     "Type",        "Type name",       "Version", "UWI",
                                             "Company",  "Formation",   "Licensee",        "Tracking ID",
                                             "Submission date", "Lines", "Error rows", "Status"};
constexpr int32_t kColFile = 0, kColLines = 10, kColStatus = 12;
constexpr int32_t kHeaderRows = 3;   // section, mnemonic, description
constexpr int32_t kLeadColumns = 2;  // File and UWI, on every sheet of a type
constexpr double kFileWidth = 50;
constexpr size_t kMaxRepeatNotes = 20;  // a messy archive would bury the other notes

// "~HEADER DATA - GAUGE (2)": the section without its number, and the number; 0 for a section
// that has none.
std::pair<std::string_view, int32_t> splitNumber(std::string_view section) {
  size_t open = section.rfind(" (");
  if (!section.ends_with(')') || open == std::string_view::npos || open + 3 >= section.size())
    return {section, 0};
  int64_t n = 0;
  for (char c : section.substr(open + 2, section.size() - open - 3)) {
    if (c < '0' || c > '9' || (n = n * 10 + (c - '0')) > INT32_MAX) return {section, 0};
  }
  return {section.substr(0, open), static_cast<int32_t>(n)};
}

// Where sections and mnemonics stand in the catalogues of one test type: the header sections
// every file shares, then the reader's own in the order it registers them, then the
// regulator's verification, which comes last in the files too.
class Catalogue {
 public:
  enum Group : uint32_t { kHeader, kReader, kVerification, kUnknown };
  struct Place {
    uint32_t group = kUnknown, section = 0, entry = UINT32_MAX;
  };

  void add(Group group, std::string_view section, const std::vector<std::string_view>& mnemonics) {
    auto [it, added] = sections_.try_emplace(std::string(section));
    if (added) it->second = {group, next_++, {}};
    for (std::string_view mnemonic : mnemonics)
      it->second.entries.try_emplace(std::string(mnemonic), static_cast<uint32_t>(it->second.entries.size()));
  }

  // Sections are looked up as rows name them: a numbered one by its name without the number.
  Place find(std::string_view section, std::string_view mnemonic, int32_t* instance) const {
    *instance = 0;
    auto found = sections_.find(std::string(section));
    if (found == sections_.end()) {
      auto [base, n] = splitNumber(section);
      if (n == 0 || (found = sections_.find(std::string(base))) == sections_.end()) return {};
      *instance = n;
    }
    Place place{found->second.group, found->second.index, UINT32_MAX};
    if (auto entry = found->second.entries.find(std::string(mnemonic)); entry != found->second.entries.end())
      place.entry = entry->second;
    return place;
  }

 private:
  struct Section {
    uint32_t group = kUnknown, index = 0;
    std::unordered_map<std::string, uint32_t> entries;
  };
  std::unordered_map<std::string, Section> sections_;
  uint32_t next_ = 0;
};

std::vector<std::string_view> rowMnemonics(const pas::HeaderSection& section) {
  std::vector<std::string_view> mnemonics;
  for (const pas::HeaderEntry& entry : section.entries) mnemonics.push_back(entry.rowMnemonic);
  return mnemonics;
}

// One column of a type's sheet: a value entry, or the row count of a data table.
struct Column {
  std::string section, mnemonic, description;
  bool rowCount = false;
  uint32_t firstSeen = 0;
  uint32_t stamp = 0;    // the last file that gave it (its number among the type's files, from 1)
  uint32_t valueAt = 0;  // that file's value of it
};

// What one file gives one column; its text lies among the sink's texts.
struct Value {
  enum Kind : uint8_t { kEmpty, kText, kNumber, kDate, kCount };
  uint32_t column = 0;
  Kind kind = kEmpty;
  int32_t line = 0;
  uint32_t length = 0;
  uint64_t at = 0;
  double number = 0;  // a date's serial, a table's row count
};

struct FileRow {
  std::string path, uwi;
  size_t firstValue = 0;
};

struct TypeTable {
  std::vector<Column> columns;  // in the order first seen
  std::unordered_map<std::string, uint32_t> byKey;
  std::vector<FileRow> files;
  std::vector<Value> values;  // file after file
  Catalogue catalogue;
  std::set<float> versions;   // whose reader catalogues are in

  uint32_t column(const std::string& section, std::string_view mnemonic, bool rowCount,
                  const std::optional<std::string>& description) {
    std::string key = section + (rowCount ? "\x1F\x1E" : "\x1F") + std::string(mnemonic);
    auto [it, added] = byKey.try_emplace(std::move(key), static_cast<uint32_t>(columns.size()));
    if (added)
      columns.push_back({section, std::string(mnemonic), description.value_or(""), rowCount,
                         static_cast<uint32_t>(columns.size())});
    return it->second;
  }
};

}  // namespace

struct SummarySink::State {
  std::string path;
  SummaryOptions options;
  sheet::MemoryWorkbook book;
  SheetId files = book.sheetAt(1);
  int32_t filesRow = 1;
  std::array<std::unique_ptr<TypeTable>, std::size(kSummaryTypes)> types;
  std::string texts;
  std::vector<std::string> notes;
  size_t repeats = 0;  // values given twice in one section of a file, a second time differently

  uint64_t keep(std::string_view text) {
    uint64_t at = texts.size();
    texts.append(text);
    return at;
  }
  std::string_view text(const Value& value) const { return std::string_view(texts).substr(value.at, value.length); }

  void writeFileRow(const InputFile& file);
  TypeTable& typeTable(size_t slot, std::string_view code, float version);
  void collect(TypeTable& table, const InputFile& file, const Conversion& conversion);
  void keepValue(Value& value, const Shown& shown);
  void layOutFiles();
  SheetId layOutType(TypeTable& table, std::string_view code, SheetId after);
  void writeHeader(SheetId sheet, int32_t col, const Column& column);
  void writeValue(SheetId sheet, Cell cell, const Value& value);
  void finishSheet(SheetId sheet, int32_t headerRows, int32_t rows, int32_t lastCol);
};

SummarySink::SummarySink(std::string path, SummaryOptions options) : state_(std::make_unique<State>()) {
  state_->path = std::move(path);
  state_->options = options;
  state_->book.setName(state_->files, kFilesSheet);
  for (size_t col = 0; col < std::size(kFileColumns); ++col)
    state_->book.setText(state_->files, {1, static_cast<int32_t>(col)}, kFileColumns[col]);
}

SummarySink::~SummarySink() = default;

const sheet::MemoryWorkbook& SummarySink::workbook() const { return state_->book; }
sheet::MemoryWorkbook& SummarySink::workbook() { return state_->book; }

namespace {

// The path as the user can open it from anywhere: a file found in a folder given as "." is
// named by its whole path; a whole path stays as the user wrote it.
std::string fullPath(const std::string& path) {
  std::filesystem::path given = platform::pathFromUtf8(path);
  if (given.is_absolute()) return path;
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(given, ec);
  return ec ? path : platform::pathToUtf8(full.lexically_normal());
}

}  // namespace

bool SummarySink::add(const InputFile& given, std::string*) {
  State& s = *state_;
  InputFile file = given;
  file.path = fullPath(given.path);
  s.writeFileRow(file);
  if (!file.conversion) return true;
  const Conversion& conversion = *file.conversion;
  std::string_view code = pas::readerCode(conversion.result().typeText);
  auto known = std::find(std::begin(kSummaryTypes), std::end(kSummaryTypes), code);
  if (code.empty() || known == std::end(kSummaryTypes)) return true;  // on FILES only
  size_t slot = static_cast<size_t>(known - std::begin(kSummaryTypes));
  s.collect(s.typeTable(slot, code, pas::versionNumber(conversion.result().versionText)), file, conversion);
  return true;
}

void SummarySink::State::writeFileRow(const InputFile& file) {
  int32_t row = ++filesRow;
  book.setText(files, {row, kColFile}, file.path);
  book.setText(files, {row, kColStatus}, file.status);
  if (!file.conversion) return;
  Facts f = file.conversion->facts();
  const std::string* facts[] = {&f.type,      &f.typeName, &f.version,    &f.uwi,           &f.company,
                                &f.formation, &f.licensee, &f.trackingId, &f.submissionDate};
  for (int32_t i = 0; i < static_cast<int32_t>(std::size(facts)); ++i)
    if (!facts[i]->empty()) book.setText(files, {row, kColFile + 1 + i}, *facts[i]);
  book.setInteger(files, {row, kColLines}, file.conversion->result().lines);
  book.setInteger(files, {row, kColLines + 1}, file.conversion->result().errors);
}

// A type's table, with the catalogue of the reader that read the file: a version may have
// sections of its own (drillstem tests before version 4 have more tables).
TypeTable& SummarySink::State::typeTable(size_t slot, std::string_view code, float version) {
  std::unique_ptr<TypeTable>& table = types[slot];
  if (!table) {
    table = std::make_unique<TypeTable>();
    for (const pas::HeaderSection* section :
         {&pas::versionSection(), &pas::wellInformationSection(), &pas::testDataSection()})
      table->catalogue.add(Catalogue::kHeader, section->prefix, rowMnemonics(*section));
    const pas::HeaderSection& verification = pas::fileVerificationSection();
    table->catalogue.add(Catalogue::kVerification, verification.prefix, rowMnemonics(verification));
  }
  if (table->versions.insert(version).second) {
    // A converter without a workbook only lends the reader its patterns; nothing is read.
    pas::PasConverter scratch(nullptr);
    if (auto reader = readers::createReader(code, version, scratch))
      for (const readers::CatalogueSection& section : reader->catalogue())
        if (section.kind != readers::CatalogueSection::Kind::kColumnDefinitions)
          table->catalogue.add(Catalogue::kReader, section.section, section.mnemonics);
  }
  return *table;
}

// The file's value rows and the row counts of its tables. A value given twice in one section
// is taken from the later line that shows something, as the file's header facts are (its UWI
// is the last one given); replacing another value is said.
void SummarySink::State::collect(TypeTable& table, const InputFile& file, const Conversion& conversion) {
  auto stamp = static_cast<uint32_t>(table.files.size() + 1);
  table.files.push_back({file.path, conversion.facts().uwi, table.values.size()});
  static const std::optional<std::string> kNoDescription;
  conversion.visitRows([&](const Row& row) {
    bool count = row.kind == sheet::RowKind::kTable;
    if (!count && row.kind != sheet::RowKind::kValue) return;
    uint32_t index = table.column(row.section, count ? "rows" : row.mnemonic.value_or(""), count,
                                  count ? kNoDescription : row.description);
    Column& column = table.columns[index];
    if (column.stamp != stamp) {
      column.stamp = stamp;
      column.valueAt = static_cast<uint32_t>(table.values.size());
      Value& value = table.values.emplace_back(Value{index, count ? Value::kCount : Value::kEmpty, row.line});
      if (count) value.number = 1; else keepValue(value, row.value);
      return;
    }
    Value& kept = table.values[column.valueAt];
    if (count) {
      kept.number += 1;
      return;
    }
    if (row.value.kind == Shown::Kind::kNone) return;
    bool differs = kept.kind == Value::kDate ? kept.number != row.value.number : text(kept) != row.value.text;
    if (kept.kind != Value::kEmpty && differs && ++repeats <= kMaxRepeatNotes)
      notes.push_back(file.path + ", line " + std::to_string(row.line) + ": " + row.section + " " + column.mnemonic +
                      " is given again with another value; the summary shows this one, not the one of line " +
                      std::to_string(kept.line));
    kept.line = row.line;
    keepValue(kept, row.value);
  });
}

void SummarySink::State::keepValue(Value& value, const Shown& shown) {
  switch (shown.kind) {
    case Shown::Kind::kNone: return;
    case Shown::Kind::kDate:
      value.kind = Value::kDate;
      value.number = shown.number;
      return;
    case Shown::Kind::kText: value.kind = Value::kText; break;
    case Shown::Kind::kNumber: value.kind = Value::kNumber; break;
  }
  value.at = keep(shown.text);
  value.length = static_cast<uint32_t>(shown.text.size());
}

bool SummarySink::finish(std::string* err) {
  State& s = *state_;
  s.layOutFiles();
  SheetId after = s.files;
  for (size_t slot = 0; slot < s.types.size(); ++slot)
    if (s.types[slot]) after = s.layOutType(*s.types[slot], kSummaryTypes[slot], after);
  s.book.activate(s.files);
  if (s.repeats > kMaxRepeatNotes)
    s.notes.push_back(std::to_string(s.repeats - kMaxRepeatNotes) +
                      " more values were given again in their section with another value; "
                      "the summary shows the last of each");
  if (s.path.empty()) return true;
  sheet::SaveReport report;
  sheet::detail::SaveLimits limits{.maxRows = s.options.maxRows, .threads = s.options.threads};
  if (!sheet::detail::saveXlsx(s.book, s.path, limits, &report, err)) return false;
  s.notes.insert(s.notes.end(), report.warnings.begin(), report.warnings.end());
  return true;
}

std::vector<std::string> SummarySink::notes() const { return state_->notes; }

void SummarySink::State::layOutFiles() {
  book.setColumnWidth(files, kColFile, kFileWidth);
  finishSheet(files, 1, filesRow - 1, static_cast<int32_t>(std::size(kFileColumns)) - 1);
}

// Header rows in bold on the header colour, kept in view with the columns that name the file,
// repeated on every continuation, a filter on the last of them.
void SummarySink::State::finishSheet(SheetId sheet, int32_t headerRows, int32_t rows, int32_t lastCol) {
  Range header({1, 0}, {headerRows, lastCol});
  book.setBold(sheet, header);
  book.setFill(sheet, header, sheet::kHeaderFill);
  book.setRepeatedRows(sheet, 1, headerRows);
  book.freezePanes(sheet, {headerRows + 1, sheet == files ? 0 : kLeadColumns});
  book.setAutoFilter(sheet, Range({headerRows, 0}, {headerRows + rows, lastCol}));
}

// The type's sheet: columns in catalogue order, those no catalogue names after them in the
// order first seen; past the last column a sheet can hold, the rest on further sheets.
SheetId SummarySink::State::layOutType(TypeTable& table, std::string_view code, SheetId after) {
  std::vector<std::tuple<uint32_t, uint32_t, int32_t, uint32_t, uint32_t>> keys;
  for (const Column& column : table.columns) {
    int32_t instance = 0;
    Catalogue::Place place = table.catalogue.find(column.section, column.rowCount ? "" : column.mnemonic, &instance);
    if (column.rowCount) place.entry = 0;
    keys.emplace_back(place.group, place.section, instance, place.entry, column.firstSeen);
  }
  std::vector<uint32_t> order(table.columns.size()), position(table.columns.size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
  for (uint32_t i = 0; i < order.size(); ++i) position[order[i]] = i;

  size_t perSheet = static_cast<size_t>(std::max(options.maxColumns - kLeadColumns, 1));
  size_t sheetCount = std::max<size_t>(1, (order.size() + perSheet - 1) / perSheet);
  std::vector<SheetId> sheets;
  for (size_t k = 0; k < sheetCount; ++k) {
    SheetId sheet = after = book.addSheetAfter(after);
    std::string name = k == 0 ? std::string(code) : std::string(code) + " (columns " + std::to_string(k + 1) + ")";
    book.setName(sheet, name);
    if (k > 0)
      notes.push_back("sheet \"" + std::string(code) + "\" has more columns than a sheet can hold (" +
                      pas::withSeparators(static_cast<uint64_t>(options.maxColumns)) + "); they continue on sheet \"" +
                      name + "\", with File and UWI repeated");
    book.setText(sheet, {kHeaderRows, 0}, "File");
    book.setText(sheet, {kHeaderRows, 1}, "UWI");
    book.setColumnWidth(sheet, 0, kFileWidth);
    sheets.push_back(sheet);
  }
  for (uint32_t i = 0; i < order.size(); ++i)
    writeHeader(sheets[i / perSheet], kLeadColumns + static_cast<int32_t>(i % perSheet), table.columns[order[i]]);

  std::vector<const Value*> row;
  for (size_t f = 0; f < table.files.size(); ++f) {
    int32_t at = kHeaderRows + 1 + static_cast<int32_t>(f);
    for (SheetId sheet : sheets) {
      book.setText(sheet, {at, 0}, table.files[f].path);
      if (!table.files[f].uwi.empty()) book.setText(sheet, {at, 1}, table.files[f].uwi);
    }
    size_t end = f + 1 < table.files.size() ? table.files[f + 1].firstValue : table.values.size();
    row.clear();
    for (size_t v = table.files[f].firstValue; v < end; ++v) row.push_back(&table.values[v]);
    // In column order, so that every cell is appended to its row.
    std::sort(row.begin(), row.end(), [&](const Value* a, const Value* b) { return position[a->column] < position[b->column]; });
    for (const Value* value : row) {
      uint32_t p = position[value->column];
      writeValue(sheets[p / perSheet], {at, kLeadColumns + static_cast<int32_t>(p % perSheet)}, *value);
    }
  }
  for (size_t k = 0; k < sheets.size(); ++k) {
    size_t columns = std::min(perSheet, order.size() - std::min(order.size(), k * perSheet));
    finishSheet(sheets[k], kHeaderRows, static_cast<int32_t>(table.files.size()),
                kLeadColumns - 1 + static_cast<int32_t>(columns));
  }
  // What the table was needed for is written; a summary is made once.
  table.values = {};
  table.files = {};
  return after;
}

void SummarySink::State::writeHeader(SheetId sheet, int32_t col, const Column& column) {
  book.setText(sheet, {1, col}, column.section);
  book.setText(sheet, {2, col}, column.mnemonic);
  book.setText(sheet, {3, col}, column.rowCount ? column.section + " rows" : column.description);
}

// As the file's own workbook writes it: a text read by the same rule (the digits as written
// become a number that shows them), a date in the date format.
void SummarySink::State::writeValue(SheetId sheet, Cell cell, const Value& value) {
  switch (value.kind) {
    case Value::kEmpty: break;
    case Value::kText:
    case Value::kNumber: book.setText(sheet, cell, text(value)); break;
    case Value::kDate:
      book.setNumberFormat(sheet, cell, sheet::kDateFormat);
      book.setDate(sheet, cell, value.number);
      break;
    case Value::kCount: book.setInteger(sheet, cell, static_cast<int32_t>(value.number)); break;
  }
}

}  // namespace tnw::archive
