#include "app/progress_channel.h"

#include <algorithm>
#include <string>

#include "pas/text.h"

namespace tnw::gui {

void ProgressChannel::Slot::put(std::string_view text) {
  // The buffers keep their room, so after the first few lines this allocates nothing.
  buffers_[back_].assign(text);
  back_ = middle_.exchange(static_cast<uint8_t>(back_ | kFresh), std::memory_order_acq_rel) & 3;
}

bool ProgressChannel::Slot::take(std::string* text) {
  if (!(middle_.load(std::memory_order_acquire) & kFresh)) return false;
  front_ = middle_.exchange(front_, std::memory_order_acq_rel) & 3;
  text->assign(buffers_[front_]);
  return true;
}

void ProgressChannel::showProgress(std::string_view text, int kind) {
  if (kind == kPercent)
    slots_[kPercentSlot].put(text);
  else if (kind == kStatus)
    slots_[kStatusSlot].put(text);
}

void ProgressChannel::showSaving(uint64_t written, uint64_t total) {
  // Threads report out of order; the count only ever grows.
  uint64_t seen = saveWritten_.load(std::memory_order_relaxed);
  while (written > seen && !saveWritten_.compare_exchange_weak(seen, written, std::memory_order_relaxed)) {
  }
  saveTotal_.store(total, std::memory_order_relaxed);
  saving_.store(true, std::memory_order_release);
}

namespace {

bool changed(std::string* shown, std::string now, std::string* text) {
  if (now == *shown) return false;
  *shown = now;
  *text = std::move(now);
  return true;
}

}  // namespace

bool ProgressChannel::takeTitle(std::string* text) {
  std::string percent;
  if (!saving_.load(std::memory_order_acquire))
    return takePercent(&percent) && changed(&shownTitle_, "Reading " + percent + "%", text);
  uint64_t total = saveTotal_.load(std::memory_order_relaxed);
  uint64_t written = std::min(saveWritten_.load(std::memory_order_relaxed), total);
  if (total == 0 || written == total) return changed(&shownTitle_, "Saving the workbook...", text);
  return changed(&shownTitle_, "Saving the workbook... " + std::to_string(written * 100 / total) + "%", text);
}

bool ProgressChannel::takeLine(std::string* text) {
  std::string line;
  if (!saving_.load(std::memory_order_acquire)) return takeStatus(&line) && changed(&shownLine_, line, text);
  uint64_t total = saveTotal_.load(std::memory_order_relaxed);
  uint64_t written = std::min(saveWritten_.load(std::memory_order_relaxed), total);
  if (total == 0) return changed(&shownLine_, "Saving the workbook...", text);
  if (written == total) return changed(&shownLine_, "Compressing the workbook...", text);
  return changed(&shownLine_, "Writing row " + pas::withSeparators(written) + " of " + pas::withSeparators(total), text);
}

}  // namespace tnw::gui
