// How a conversion on a worker thread reports to the progress window without ever waiting
// for it.
//
// The conversion reports on every line; the window only needs the latest texts, a few times a
// second. Each kind of text travels through a triple buffer: the conversion fills a buffer of
// its own and swaps it in as the newest, the window swaps the newest out to read it. Neither
// side waits for the other, no text is half written when read, and the newest is never lost.
// Cancel is an atomic flag the window sets and the conversion reads after every line.
//
// The save that follows reports from several threads at once, so its progress travels as two
// counters; the window turns them into its title and status line.
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
  const std::atomic<bool>& cancelFlag() const { return cancel_; }
  // The save's side: it began (rows unknown yet), and rows written of the total, from any of
  // its threads. With written == total the rows are written and the file is compressed.
  void showSaving(uint64_t written, uint64_t total);

  // The window's side.
  void requestCancel() { cancel_.store(true, std::memory_order_release); }
  // The newest text of a kind that came since the last call; false when none came.
  bool takePercent(std::string* text) { return slots_[kPercentSlot].take(text); }
  bool takeStatus(std::string* text) { return slots_[kStatusSlot].take(text); }
  // What the window shows, each when it changed since the last call: the title ("Reading 42%",
  // "Saving the workbook... 40%") and the status line ("Reading Line 7 of 90", "Writing row
  // 600,000 of 1,500,000").
  bool takeTitle(std::string* text);
  bool takeLine(std::string* text);

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
  std::atomic<bool> saving_{false};
  std::atomic<uint64_t> saveWritten_{0}, saveTotal_{0};
  std::string shownTitle_, shownLine_;  // the window's

};

}  // namespace tnw::gui
