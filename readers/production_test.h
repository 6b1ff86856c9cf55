// The reader of production test files (PRD).
#pragma once

#include <memory>

#include "readers/test_type_reader.h"

namespace tnw::readers {

std::unique_ptr<TestTypeReader> makeProductionTestReader(float version, pas::PasConverter& converter);

}  // namespace tnw::readers
