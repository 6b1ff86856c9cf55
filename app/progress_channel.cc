#include "app/progress_channel.h"

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

}  // namespace tnw::gui
