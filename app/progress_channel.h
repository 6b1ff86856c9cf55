// How a conversion on a worker thread reports to the progress window without ever waiting
// for it.
//
// The conversion reports on every line; the window only needs the latest texts, a few times a
// second. Each kind of text travels through a triple buffer: the conversion fills a buffer of
// its own and swaps it in as the newest, the window swaps the newest out to read it. Neither
// side waits for the other, no text is half written when read, and the newest is never lost.
// Cancel is an atomic flag the window sets and the conversion reads after every line.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "pas/progress.h"

namespace tnw::gui {

class ProgressChannel : public pas::ProgressReporter {
 public:
  // The conversion's side.
  void showProgress(std::string_view text, int kind) override;
  bool cancelRequested() override { return cancel_.load(std::memory_order_acquire); }

  // The window's side.
  void requestCancel() { cancel_.store(true, std::memory_order_release); }
  // The newest text of a kind that came since the last call; false when none came.
  bool takePercent(std::string* text) { return slots_[kPercentSlot].take(text); }
  bool takeStatus(std::string* text) { return slots_[kStatusSlot].take(text); }

 private:
  enum { kPercentSlot, kStatusSlot, kSlots };
  class Slot {
   public:
    void put(std::string_view text);  // the conversion's thread only
    bool take(std::string* text);     // the window's thread only

   private:
    static constexpr uint8_t kFresh = 4;  // the middle buffer holds a text not yet taken
    std::string buffers_[3];
    std::atomic<uint8_t> middle_{1};
    uint8_t back_ = 0;   // the conversion's
    uint8_t front_ = 2;  // the window's
  };

  Slot slots_[kSlots];
  std::atomic<bool> cancel_{false};
};

}  // namespace tnw::gui
