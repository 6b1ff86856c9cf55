#include "readers/test_type_reader.h"

#include "pas/text.h"

namespace tnw::readers {

bool TestTypeReader::isDataTableSection(std::string_view section) const {
  size_t begin = section.find_first_not_of(" \t\r\n\f\v");
  if (begin == std::string_view::npos) return false;
  return pas::startsWith(section.substr(begin), "~DT");
}

}  // namespace tnw::readers
