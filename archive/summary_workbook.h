// The summary across files: one workbook with a sheet "FILES" (a row per input, in the order
// read) and a sheet per test type (a row per file of that type, a column per section and
// mnemonic of the values those files give, a column per data table with its row count).
//
// Only what the summary shows is kept of each file, its value entries and its tables' row
// counts, never the table rows themselves: ten thousand files stay small. The columns are known
// only once the last file is in, so the sheets are laid out and saved by finish().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "archive/sink.h"
#include "sheet/memory_workbook.h"

namespace tnw::archive {

struct SummaryOptions {
  // The file format's limits; tests set them lower.
  int32_t maxRows = 1'048'576;
  int32_t maxColumns = 16'384;
  int threads = 0;  // sheets saved at once; 0: one per core
};

class SummarySink : public Sink {
 public:
  // With an empty path, finish() lays the workbook out and leaves the saving to the caller.
  explicit SummarySink(std::string path, SummaryOptions options = {});
  ~SummarySink() override;

  // Every file has its row in the summary: none is skipped.
  bool wants(const std::string&, const std::string&) const override { return true; }
  bool add(const InputFile& file, std::string* err) override;
  bool finish(std::string* err) override;
  std::vector<std::string> notes() const override;

  // The workbook finish() laid out and saved.
  const sheet::MemoryWorkbook& workbook() const;
  sheet::MemoryWorkbook& workbook();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The sheets of the test types, in the order they follow "FILES".
inline constexpr std::string_view kSummaryTypes[] = {"DST", "PRD", "AOF", "TRG", "AWS",
                                                     "GRD", "SG",  "GAN", "OAN", "WAN"};

}  // namespace tnw::archive
