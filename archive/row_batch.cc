#include "archive/row_batch.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace tnw::archive {

namespace {

constexpr size_t kBatchRows = 4096;
// Below this many lines a thread would cost more than it saves.
constexpr int32_t kThreadFromLines = 50'000;

}  // namespace

RowBatch::Text RowBatch::keep(std::string_view text) {
  Text kept{static_cast<uint32_t>(texts_.size()), static_cast<uint32_t>(text.size())};
  texts_.append(text);
  return kept;
}

RowBatch::Value RowBatch::keep(const Shown& shown) {
  return {shown.kind, keep(shown.text), keep(shown.time), shown.number};
}

void RowBatch::add(const Row& row) {
  FlatRow& flat = rows_.emplace_back();
  flat.line = row.line;
  flat.kind = row.kind;
  flat.sheet = keep(row.sheet);
  flat.section = keep(row.section);
  if (row.mnemonic) flat.mnemonic = keep(*row.mnemonic);
  if (row.description) flat.description = keep(*row.description);
  flat.value = keep(row.value);
  flat.firstCell = static_cast<uint32_t>(cells_.size());
  flat.cellCount = static_cast<uint32_t>(row.cells.size());
  for (const TableCell& cell : row.cells) cells_.push_back({cell.col, keep(cell.header), keep(cell.value)});
}

void RowBatch::clear() {
  texts_.clear();
  rows_.clear();
  cells_.clear();
}

bool forEachRowBatch(const Conversion& conversion, const std::function<bool(const RowBatch&)>& store) {
  if (conversion.result().lines < kThreadFromLines) {
    RowBatch batch;
    bool ok = true;
    conversion.visitRows([&](const Row& row) {
      if (!ok) return;
      batch.add(row);
      if (batch.rows().size() == kBatchRows) {
        ok = store(batch);
        batch.clear();
      }
    });
    return ok && (batch.rows().empty() || store(batch));
  }
  // Three batches: one being filled, one being stored, one ready in between.
  RowBatch batches[3];
  std::deque<RowBatch*> empty{&batches[0], &batches[1], &batches[2]}, full;
  bool done = false, stop = false;
  std::mutex mutex;
  std::condition_variable changed;
  std::thread reader([&] {
    RowBatch* batch = nullptr;
    auto handOver = [&] {
      std::unique_lock<std::mutex> lock(mutex);
      if (batch) full.push_back(batch);
      batch = nullptr;
      changed.notify_all();
      changed.wait(lock, [&] { return stop || !empty.empty(); });
      if (stop) return;
      batch = empty.front();
      empty.pop_front();
    };
    handOver();
    conversion.visitRows([&](const Row& row) {
      if (!batch) return;  // stopped
      batch->add(row);
      if (batch->rows().size() == kBatchRows) handOver();
    });
    std::lock_guard<std::mutex> lock(mutex);
    if (batch && !batch->rows().empty()) full.push_back(batch);
    done = true;
    changed.notify_all();
  });
  bool ok = true;
  for (;;) {
    RowBatch* batch;
    {
      std::unique_lock<std::mutex> lock(mutex);
      changed.wait(lock, [&] { return done || !full.empty(); });
      if (full.empty()) break;
      batch = full.front();
      full.pop_front();
    }
    ok = store(*batch);
    std::lock_guard<std::mutex> lock(mutex);
    batch->clear();
    empty.push_back(batch);
    stop = !ok;
    changed.notify_all();
    if (stop) break;
  }
  reader.join();
  return ok;
}

}  // namespace tnw::archive
