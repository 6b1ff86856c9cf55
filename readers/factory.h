// Makes the reader of a test type from the code found in the file's type text.
#pragma once

#include <memory>
#include <string_view>

#include "readers/test_type_reader.h"

namespace tnw::readers {

// Null when no reader for that code is built in.
std::unique_ptr<TestTypeReader> createReader(std::string_view code, float version, pas::PasConverter& converter);

}  // namespace tnw::readers
