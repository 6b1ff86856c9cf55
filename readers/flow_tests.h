// The readers of gas and oil well deliverability tests: absolute open flow (AOF) and transient
// flow test (TRG) files.
#pragma once

#include <memory>

#include "readers/test_type_reader.h"

namespace tnw::readers {

std::unique_ptr<TestTypeReader> makeAbsoluteOpenFlowReader(float version, pas::PasConverter& converter);
std::unique_ptr<TestTypeReader> makeTransientFlowTestReader(float version, pas::PasConverter& converter);

}  // namespace tnw::readers
