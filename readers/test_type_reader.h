// What every test-type reader offers the conversion: it is shown each line first, and says
// whether a section name is a data block (whose fields canonical lines leave as they are).
#pragma once

#include <string_view>

namespace tnw::pas {
class PasConverter;
}

namespace tnw::readers {

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

 protected:
  pas::PasConverter& converter() { return converter_; }

 private:
  pas::PasConverter& converter_;
};

}  // namespace tnw::readers
