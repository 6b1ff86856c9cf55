// The readers of the pressure surveys: acoustic well sounder (AWS), gradient (GRD) and static
// gradient (SG) files.
#pragma once

#include <memory>

#include "readers/test_type_reader.h"

namespace tnw::readers {

std::unique_ptr<TestTypeReader> makeAcousticWellSounderReader(float version, pas::PasConverter& converter);
std::unique_ptr<TestTypeReader> makeGradientReader(float version, pas::PasConverter& converter);
std::unique_ptr<TestTypeReader> makeStaticGradientReader(float version, pas::PasConverter& converter);

}  // namespace tnw::readers
