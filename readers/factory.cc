#include "readers/factory.h"

#include "readers/water_analysis.h"

namespace tnw::readers {

namespace {

using Maker = std::unique_ptr<TestTypeReader> (*)(float version, pas::PasConverter& converter);

struct Known {
  std::string_view code;
  Maker make;
};

// The readers built in so far; a file of a type not listed here is read by the common header
// sections alone, its other lines becoming error rows.
constexpr Known kReaders[] = {
    {"WAN", makeWaterAnalysisReader},
};

}  // namespace

std::unique_ptr<TestTypeReader> createReader(std::string_view code, float version, pas::PasConverter& converter) {
  for (const Known& known : kReaders)
    if (known.code == code) return known.make(version, converter);
  return nullptr;
}

}  // namespace tnw::readers
