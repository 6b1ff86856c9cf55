#include "readers/factory.h"

#include "readers/drillstem_test.h"
#include "readers/flow_tests.h"
#include "readers/gas_analysis.h"
#include "readers/oil_analysis.h"
#include "readers/production_test.h"
#include "readers/survey_readers.h"
#include "readers/water_analysis.h"

namespace tnw::readers {

namespace {

using Maker = std::unique_ptr<TestTypeReader> (*)(float version, pas::PasConverter& converter);

struct Known {
  std::string_view code;
  Maker make;
};

// The ten test types. A file whose type names none of them is read by the common header
// sections alone, its other lines becoming error rows.
constexpr Known kReaders[] = {
    {"PRD", makeProductionTestReader},
    {"DST", makeDrillstemTestReader},
    {"AOF", makeAbsoluteOpenFlowReader},
    {"TRG", makeTransientFlowTestReader},
    {"GAN", makeGasAnalysisReader},
    {"OAN", makeOilAnalysisReader},
    {"AWS", makeAcousticWellSounderReader},
    {"GRD", makeGradientReader},
    {"SG", makeStaticGradientReader},
    {"WAN", makeWaterAnalysisReader},
};

}  // namespace

std::unique_ptr<TestTypeReader> createReader(std::string_view code, float version, pas::PasConverter& converter) {
  for (const Known& known : kReaders)
    if (known.code == code) return known.make(version, converter);
  return nullptr;
}

}  // namespace tnw::readers
