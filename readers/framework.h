// What the test-type readers share: a reader is a table of registered sections, each of one of
// four kinds, read by the handlers here.
//
//   value section          ~SECTION,MNEMONIC.UNIT,value,...    one row per recognised mnemonic
//   numbered value section ~SECTION (n),MNEMONIC.UNIT,value,   the same, on the sheet of n
//   data block             ~DTTAG,field,field,...               one table row per line
//   numbered data block    ~DTTAG (n),field,field,...           the same, on the sheet of n
//
// A reader file then reads like its catalogue: its value tables and its registrations.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pas/pattern_matcher.h"
#include "pas/section_dispatch.h"
#include "readers/test_type_reader.h"
#include "sheet/cell_value.h"
#include "sheet/spreadsheet.h"
#include "sheet/workbook_layout.h"

namespace tnw::pas {
class PasConverter;
}

namespace tnw::readers {

// One mnemonic a value section knows. The label is what the row shows; empty means the
// mnemonic itself.
struct ValueEntry {
  std::string_view mnemonic;
  std::string_view description;
  std::string_view label = {};
};
// Entries are tried in order; the first whose pattern occurs in the line writes the row.
using ValueTable = std::vector<ValueEntry>;

// A value table whose mnemonics (and descriptions) are put together in code, for catalogues
// that follow a rule rather than a list. It keeps the texts, so it is built in place and never
// copied.
class BuiltTable {
 public:
  template <typename Fill>
  explicit BuiltTable(Fill fill) {
    fill(*this);
  }
  BuiltTable(const BuiltTable&) = delete;
  BuiltTable& operator=(const BuiltTable&) = delete;

  void add(const ValueEntry& entry) { table_.push_back(entry); }
  // A made-up mnemonic with a description that is a constant of the program.
  void add(std::string mnemonic, std::string_view description) {
    table_.push_back({texts_.emplace_back(std::move(mnemonic)), description});
  }
  // A made-up mnemonic and description.
  void add(std::string mnemonic, std::string description) {
    std::string_view m = texts_.emplace_back(std::move(mnemonic));
    table_.push_back({m, texts_.emplace_back(std::move(description))});
  }
  const ValueTable& table() const { return table_; }

 private:
  std::deque<std::string> texts_;  // a deque never moves what it holds
  ValueTable table_;
};

enum class SectionKind { kValues, kNumberedValues, kDataBlock, kNumberedDataBlock };
// Which field of a data row holds a time stamp (written as a date when it is a valid one).
enum class DateColumn { kNone, kFirst, kSecond };

// One registered section of a reader.
struct Registration {
  SectionKind kind = SectionKind::kValues;
  std::string_view prefix;           // routes the line; the section text or the block's tag
  std::string_view sheet;            // a sheet name, or for numbered kinds a name with one %d
  const ValueTable* table = nullptr;  // value kinds
  sheet::Colour fill = sheet::kNoColour;  // value kinds: column definitions are light blue-grey
  DateColumn date = DateColumn::kNone;    // data kinds
  bool blankOptional = false;  // numbered data blocks: "~DTG(1)," as well as "~DTG (1),"
  bool untaggedRows = false;   // numbered data blocks: "~DTG," rows take the next line's number
};

Registration valueSection(std::string_view prefix, std::string_view sheet, const ValueTable& table);
// The definitions of a data block's columns: value rows in light blue-grey.
Registration columnDefinitions(std::string_view prefix, std::string_view sheet, const ValueTable& table);
Registration numberedValueSection(std::string_view prefix, std::string_view sheet, const ValueTable& table);
Registration numberedColumnDefinitions(std::string_view prefix, std::string_view sheet, const ValueTable& table);
Registration dataBlock(std::string_view tag, std::string_view sheet, DateColumn date = DateColumn::kNone);
Registration numberedDataBlock(std::string_view tag, std::string_view sheet, DateColumn date = DateColumn::kNone,
                               bool blankOptional = false, bool untaggedRows = false);

// The fields of a data row after its first: every comma ends a field; the text after the last
// comma is a field only when it is not empty ("a,,b," gives a, "", b).
void splitFields(std::string_view rest, std::vector<std::string_view>& out);
// The first field of a data row: the first run of characters that are not commas.
std::string_view firstField(std::string_view line, size_t* end);
// A run of decimal digits as a number; nothing when it does not fit 32 bits.
std::optional<int32_t> readInstanceNumber(std::string_view digits);
// The catalogue entry of a value table: its mnemonics as rows show them.
CatalogueSection catalogueOf(CatalogueSection::Kind kind, std::string_view section, bool numbered,
                             const ValueTable& table);
// "GAUGE %d" with n; a name without "%d" is returned as it is.
std::string sheetFor(std::string_view sheet, int32_t n);
// The start-of-table style: the first row of each run of one block.
inline const sheet::TableRowStyle kTableStart{sheet::kTableStartFill, true};

// A reader made of registrations, in their order; readers with handlers of their own add them
// with addHandler.
class TableReader : public TestTypeReader {
 public:
  TableReader(pas::PasConverter& converter, const std::vector<Registration>& registrations);
  ~TableReader() override;

  bool handleLine(std::string_view line) override;
  bool handleComment(std::string_view) override { return false; }
  std::vector<CatalogueSection> catalogue() const override { return catalogue_; }

 protected:
  using Handler = std::function<bool(std::string_view)>;
  void add(const Registration& registration);
  // A handler of the reader's own; its sections go into the catalogue with addToCatalogue.
  void addHandler(std::string_view prefix, Handler handler);
  void addToCatalogue(CatalogueSection section) { catalogue_.push_back(std::move(section)); }

  // Writes one data row of the block `table` (values from `fields`) with the start-of-table
  // style when the previous row written anywhere was of another table.
  bool writeDataRow(std::string_view sheet, std::string_view table, const std::vector<std::string_view>& fields,
                    DateColumn date);

 private:
  struct Compiled;
  bool handleValues(const Compiled& section, std::string_view line);
  bool handleNumberedValues(const Compiled& section, std::string_view line);
  bool handleDataBlock(const Compiled& section, std::string_view line);
  bool handleNumberedDataBlock(const Compiled& section, std::string_view line);
  bool handleUntaggedRow(const Compiled& section, std::string_view line);

  std::vector<std::unique_ptr<Compiled>> sections_;
  std::vector<CatalogueSection> catalogue_;
  pas::SectionDispatch<Handler> dispatch_;
  std::vector<std::string_view> fields_;
  std::vector<sheet::CellValue> values_;
};

}  // namespace tnw::readers
