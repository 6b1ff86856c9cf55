// The reader of drillstem test files (DST).
#pragma once

#include <memory>

#include "readers/test_type_reader.h"

namespace tnw::readers {

// Files of version 4.0 and later describe their gauge and closed-chamber tables differently
// from older ones; the version chooses which of the two sets of sections the reader knows.
std::unique_ptr<TestTypeReader> makeDrillstemTestReader(float version, pas::PasConverter& converter);

}  // namespace tnw::readers
