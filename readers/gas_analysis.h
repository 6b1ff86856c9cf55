// The reader of gas analysis files (GAN).
#pragma once

#include <memory>

#include "readers/test_type_reader.h"

namespace tnw::readers {

std::unique_ptr<TestTypeReader> makeGasAnalysisReader(float version, pas::PasConverter& converter);

}  // namespace tnw::readers
