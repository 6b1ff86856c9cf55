#include "readers/framework.h"

#include <charconv>

#include "pas/date_time.h"
#include "pas/pas_converter.h"
#include "pas/text.h"

namespace tnw::readers {

namespace {

constexpr std::string_view kNumberRequired = " \\({([0-9]+)}\\),";
constexpr std::string_view kNumberBlankOptional = " ?\\({([0-9]+)}\\),";
constexpr std::string_view kValueCapture = ",{(.*?)},";

// "~DTG (2)": a section or tag with its instance number, as rows name it. Called for every
// row of a gauge table, so it does without printf.
std::string numberedName(std::string_view prefix, int32_t n) {
  char digits[16];
  char* end = std::to_chars(digits, digits + sizeof digits, n).ptr;
  std::string name;
  name.reserve(prefix.size() + 3 + static_cast<size_t>(end - digits));
  name.append(prefix).append(" (").append(digits, end).push_back(')');
  return name;
}

std::string numberedHead(const Registration& r) {
  return std::string(r.prefix) + std::string(r.blankOptional ? kNumberBlankOptional : kNumberRequired);
}

}  // namespace

Registration valueSection(std::string_view prefix, std::string_view sheet, const ValueTable& table) {
  return {SectionKind::kValues, prefix, sheet, &table};
}

Registration columnDefinitions(std::string_view prefix, std::string_view sheet, const ValueTable& table) {
  return {SectionKind::kValues, prefix, sheet, &table, sheet::kTableStartFill};
}

Registration numberedValueSection(std::string_view prefix, std::string_view sheet, const ValueTable& table) {
  return {SectionKind::kNumberedValues, prefix, sheet, &table};
}

Registration numberedColumnDefinitions(std::string_view prefix, std::string_view sheet, const ValueTable& table) {
  return {SectionKind::kNumberedValues, prefix, sheet, &table, sheet::kTableStartFill};
}

Registration dataBlock(std::string_view tag, std::string_view sheet, DateColumn date) {
  return {SectionKind::kDataBlock, tag, sheet, nullptr, sheet::kNoColour, date};
}

Registration numberedDataBlock(std::string_view tag, std::string_view sheet, DateColumn date, bool blankOptional,
                               bool untaggedRows) {
  return {SectionKind::kNumberedDataBlock, tag, sheet, nullptr, sheet::kNoColour, date, blankOptional, untaggedRows};
}

void splitFields(std::string_view rest, std::vector<std::string_view>& out) {
  out.clear();
  size_t start = 0;
  for (size_t comma = rest.find(','); comma != std::string_view::npos; comma = rest.find(',', start)) {
    out.push_back(rest.substr(start, comma - start));
    start = comma + 1;
  }
  if (start < rest.size()) out.push_back(rest.substr(start));
}

std::string_view firstField(std::string_view line, size_t* end) {
  size_t begin = line.find_first_not_of(',');
  if (begin == std::string_view::npos) {
    *end = std::string_view::npos;
    return {};
  }
  *end = line.find(',', begin);
  return line.substr(begin, *end == std::string_view::npos ? std::string_view::npos : *end - begin);
}

std::optional<int32_t> readInstanceNumber(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  int64_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
    if (n > INT32_MAX) return std::nullopt;  // "(99999999999)" names no gauge we could number
  }
  return static_cast<int32_t>(n);
}

std::string sheetFor(std::string_view sheet, int32_t n) {
  size_t at = sheet.find("%d");
  if (at == std::string_view::npos) return std::string(sheet);
  return std::string(sheet.substr(0, at)) + std::to_string(n) + std::string(sheet.substr(at + 2));
}

CatalogueSection catalogueOf(CatalogueSection::Kind kind, std::string_view section, bool numbered,
                             const ValueTable& table) {
  CatalogueSection entry{kind, section, numbered, {}};
  for (const ValueEntry& value : table) entry.mnemonics.push_back(value.label.empty() ? value.mnemonic : value.label);
  return entry;
}

// A registration with its patterns compiled once, when the reader is made.
struct TableReader::Compiled {
  Registration registration;
  pas::PatternMatcher head;                 // numbered kinds: the section or tag with "(n),"
  std::vector<pas::PatternMatcher> entries;  // value kinds: one per table entry
  std::string untaggedTag;                   // "~DTG," for blocks that take untagged rows
};

TableReader::TableReader(pas::PasConverter& converter, const std::vector<Registration>& registrations)
    : TestTypeReader(converter) {
  for (const Registration& registration : registrations) add(registration);
}

TableReader::~TableReader() = default;

void TableReader::add(const Registration& r) {
  auto section = std::make_unique<Compiled>();
  section->registration = r;
  bool numbered = r.kind == SectionKind::kNumberedValues || r.kind == SectionKind::kNumberedDataBlock;
  if (numbered) section->head.compile(numberedHead(r), true);
  if (r.table) {
    std::string lead = numbered ? numberedHead(r) : std::string(r.prefix) + ",";
    for (const ValueEntry& entry : *r.table)
      section->entries.emplace_back(lead + pas::escapeMnemonic(entry.mnemonic) + std::string(kValueCapture), true);
  }
  if (r.untaggedRows) section->untaggedTag = std::string(r.prefix) + ",";
  using Kind = CatalogueSection::Kind;
  if (r.table)
    addToCatalogue(catalogueOf(r.fill == sheet::kTableStartFill ? Kind::kColumnDefinitions : Kind::kValues, r.prefix,
                               numbered, *r.table));
  else
    addToCatalogue({Kind::kDataBlock, r.prefix, numbered, {}});
  const Compiled* s = section.get();
  Handler handler;
  switch (r.kind) {
    case SectionKind::kValues: handler = [this, s](std::string_view line) { return handleValues(*s, line); }; break;
    case SectionKind::kNumberedValues:
      handler = [this, s](std::string_view line) { return handleNumberedValues(*s, line); };
      break;
    case SectionKind::kDataBlock:
      handler = [this, s](std::string_view line) { return handleDataBlock(*s, line); };
      break;
    case SectionKind::kNumberedDataBlock:
      handler = [this, s](std::string_view line) { return handleNumberedDataBlock(*s, line); };
      break;
  }
  sections_.push_back(std::move(section));
  dispatch_.add(r.prefix, std::move(handler));
}

void TableReader::addHandler(std::string_view prefix, Handler handler) { dispatch_.add(prefix, std::move(handler)); }

bool TableReader::handleLine(std::string_view line) {
  const auto* entry = dispatch_.lookup(line);
  return entry && entry->handler(line);
}

bool TableReader::handleValues(const Compiled& section, std::string_view line) {
  pas::MatchContext& match = converter().matchContext();
  const Registration& r = section.registration;
  for (size_t i = 0; i < section.entries.size(); ++i) {
    if (!section.entries[i].match(line, match)) continue;
    const ValueEntry& entry = (*r.table)[i];
    converter().writeValueRow(r.sheet, r.prefix, entry.label.empty() ? entry.mnemonic : entry.label,
                              pas::groupText(match, 0), entry.description, r.fill);
    return true;
  }
  return false;
}

bool TableReader::handleNumberedValues(const Compiled& section, std::string_view line) {
  pas::MatchContext& match = converter().matchContext();
  const Registration& r = section.registration;
  if (!section.head.match(line, match)) return false;
  std::optional<int32_t> n = readInstanceNumber(pas::groupText(match, 0));
  if (!n) return false;
  for (size_t i = 0; i < section.entries.size(); ++i) {
    if (!section.entries[i].match(line, match)) continue;
    const ValueEntry& entry = (*r.table)[i];
    converter().writeValueRow(sheetFor(r.sheet, *n), numberedName(r.prefix, *n),
                              entry.label.empty() ? entry.mnemonic : entry.label, pas::groupText(match, 1),
                              entry.description, r.fill);
    return true;
  }
  return false;
}

bool TableReader::handleDataBlock(const Compiled& section, std::string_view line) {
  const Registration& r = section.registration;
  size_t end;
  // A tag with no comma after it carries no row; the line is left for the error rows.
  if (firstField(line, &end) != r.prefix || end == std::string_view::npos) return false;
  splitFields(line.substr(end + 1), fields_);
  return writeDataRow(r.sheet, r.prefix, fields_, r.date);
}

bool TableReader::handleNumberedDataBlock(const Compiled& section, std::string_view line) {
  pas::MatchContext& match = converter().matchContext();
  const Registration& r = section.registration;
  if (!section.head.match(line, match)) return r.untaggedRows && handleUntaggedRow(section, line);
  std::optional<int32_t> n = readInstanceNumber(pas::groupText(match, 0));
  if (!n) return false;
  splitFields(line, fields_);
  if (!fields_.empty()) fields_.erase(fields_.begin());
  return writeDataRow(sheetFor(r.sheet, *n), numberedName(r.prefix, *n), fields_, r.date);
}

// A row written "~DTG," belongs to the gauge of the numbered row right after it. Only the
// row's leading tag takes that number: a field that happens to hold "~DTG," is data and stays
// as it is. The next line stays waiting; the conversion reads it next, under its own number;
// a row followed by anything else is left for the error rows.
bool TableReader::handleUntaggedRow(const Compiled& section, std::string_view line) {
  if (!pas::startsWith(line, section.untaggedTag)) return false;
  std::string next;
  if (!converter().peekLine(next)) return false;
  pas::MatchContext& match = converter().matchContext();
  // The next line must be a numbered row of this block, its tag opening the line: a line that
  // only mentions one further on (a comment, say) names no gauge for this row.
  if (!section.head.match(next, match) || match.start != 0) return false;
  std::optional<int32_t> n = readInstanceNumber(pas::groupText(match, 0));
  if (!n) return false;
  const Registration& r = section.registration;
  std::string tagged = numberedName(r.prefix, *n) + ",";
  tagged.append(line.substr(section.untaggedTag.size()));
  return handleNumberedDataBlock(section, tagged);
}

bool TableReader::writeDataRow(std::string_view sheet, std::string_view table,
                               const std::vector<std::string_view>& fields, DateColumn date) {
  values_.clear();
  size_t dateAt = date == DateColumn::kFirst ? 0 : date == DateColumn::kSecond ? 1 : SIZE_MAX;
  for (size_t i = 0; i < fields.size(); ++i)
    values_.push_back(i == dateAt ? pas::pasValueToVariant(fields[i]) : sheet::CellValue::Text(fields[i]));
  bool starts = converter().lastSection() != table;
  converter().writeTableSheet(sheet, table, values_, starts ? &kTableStart : nullptr);
  return true;
}

}  // namespace tnw::readers
