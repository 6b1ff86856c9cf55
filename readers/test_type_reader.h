// What every test-type reader offers the conversion: it is shown each line first, and says
// whether a section name is a data block (whose fields canonical lines leave as they are).
#pragma once

#include <string_view>
#include <vector>

namespace tnw::pas {
class PasConverter;
}

namespace tnw::readers {

// One section a reader knows, as its rows name it: what lists the sections and mnemonics of a
// test type (the summary across files orders its columns by it) reads the reader's own tables.
struct CatalogueSection {
  enum class Kind { kValues, kColumnDefinitions, kDataBlock };
  Kind kind = Kind::kValues;
  std::string_view section;  // a numbered one without its " (n)"
  bool numbered = false;
  std::vector<std::string_view> mnemonics;  // as rows show them, in the order they are tried
};

class TestTypeReader {
 public:
  explicit TestTypeReader(pas::PasConverter& converter) : converter_(converter) {}
  virtual ~TestTypeReader() = default;
  TestTypeReader(const TestTypeReader&) = delete;
  TestTypeReader& operator=(const TestTypeReader&) = delete;

  // True when the line belonged to one of this reader's sections and its row was written.
  virtual bool handleLine(std::string_view line) = 0;
  // Comment lines; no reader claims them today.
  virtual bool handleComment(std::string_view line) = 0;
  // Data blocks are the sections whose names begin "~DT".
  virtual bool isDataTableSection(std::string_view section) const;
  // The sections it reads, in the order it registered them; none for a reader without tables.
  virtual std::vector<CatalogueSection> catalogue() const { return {}; }

 protected:
  pas::PasConverter& converter() { return converter_; }

 private:
  pas::PasConverter& converter_;
};

}  // namespace tnw::readers
