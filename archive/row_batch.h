// A conversion's rows in batches for a database. Reading a million rows out of the workbook
// costs about half of what storing them does, so for a large file a thread of its own reads the
// next batch while the database stores this one. A batch keeps its texts in one buffer: rows
// cross threads without an allocation each.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/conversion.h"

namespace tnw::archive {

class RowBatch {
 public:
  struct Text {
    uint32_t at = 0, size = 0;
  };
  struct Value {
    Shown::Kind kind = Shown::Kind::kNone;
    Text text, time;
    double number = 0;
  };
  struct Cell {
    int32_t col = 0;
    Text header;
    Value value;
  };
  struct FlatRow {
    int32_t line = 0;
    sheet::RowKind kind = sheet::RowKind::kValue;
    Text sheet, section, mnemonic, description;  // an absent mnemonic or description is empty
    Value value;
    uint32_t firstCell = 0, cellCount = 0;
  };

  std::string_view text(Text t) const { return std::string_view(texts_).substr(t.at, t.size); }
  const std::vector<FlatRow>& rows() const { return rows_; }
  const Cell* cellsOf(const FlatRow& row) const { return cells_.data() + row.firstCell; }

  void add(const Row& row);
  void clear();  // keeps the memory for the next batch

 private:
  Text keep(std::string_view text);
  Value keep(const Shown& shown);

  std::string texts_;
  std::vector<FlatRow> rows_;
  std::vector<Cell> cells_;
};

// Hands the conversion's rows to `store` batch by batch, in file order. False from `store`
// stops the reading; the result is false then.
bool forEachRowBatch(const Conversion& conversion, const std::function<bool(const RowBatch&)>& store);

}  // namespace tnw::archive
