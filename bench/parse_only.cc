// Converts PAS files into the in-memory workbook and stops there: the cost of reading, without
// the file. Prints one line per input: lines, seconds, lines per second, peak memory.
//   tarnwell-bench-parse FILE.pas...
#include <chrono>
#include <cstdio>
#include <string>

#include "pas/line_source.h"
#include "pas/pas_converter.h"
#include "platform/platform.h"
#include "sheet/export_driver.h"
#include "sheet/memory_workbook.h"

int main(int argc, char** argv) {
  using namespace tnw;
  for (int i = 1; i < argc; ++i) {
    std::string err;
    auto source = pas::LineSource::open(argv[i], &err);
    if (!source) {
      std::fprintf(stderr, "tarnwell-bench-parse: %s\n", err.c_str());
      return 1;
    }
    auto start = std::chrono::steady_clock::now();
    sheet::MemoryWorkbook book;
    pas::PasConverter converter(&book, {sheet::defaultLogoPath(), sheet::kReportAddress, sheet::kSiteAddress});
    converter.convert(*source, nullptr);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s lines=%d seconds=%.3f lines_per_s=%.0f peak_mb=%.1f\n", argv[i], converter.lineNumber(), seconds,
                converter.lineNumber() / seconds, platform::peakMemoryMegabytes());
  }
  return 0;
}
