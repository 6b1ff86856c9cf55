// The reader of water analysis files (WAN).
#pragma once

#include <memory>

#include "readers/test_type_reader.h"

namespace tnw::readers {

std::unique_ptr<TestTypeReader> makeWaterAnalysisReader(float version, pas::PasConverter& converter);

}  // namespace tnw::readers
