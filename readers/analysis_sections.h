// The four analysis sections that the acoustic well sounder and transient flow test readers
// share: written once, registered by both.
#pragma once

#include <vector>

#include "readers/framework.h"

namespace tnw::readers {

// In their registration order.
std::vector<Registration> analysisSections();

}  // namespace tnw::readers
