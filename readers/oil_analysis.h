// The reader of oil analysis files (OAN).
#pragma once

#include <memory>

#include "readers/test_type_reader.h"

namespace tnw::readers {

std::unique_ptr<TestTypeReader> makeOilAnalysisReader(float version, pas::PasConverter& converter);

}  // namespace tnw::readers
