// The progress bar tarnwell-convert draws on a terminal, and the interrupt that cancels.
#pragma once

#include <atomic>
#include <cstdio>
#include <string>

#include "pas/progress.h"

namespace tnw::app {

// Ctrl-C asks the running conversion to stop at its next line; a second one ends the program.
void installInterruptHandler();
bool interrupted();
const std::atomic<bool>& interruptFlag();  // for a save, which looks at it between rows

class ProgressBar : public pas::ProgressReporter {
 public:
  // Draws only when `visible`; cancels on an interrupt either way.
  ProgressBar(std::FILE* out, std::string label, bool visible);
  ~ProgressBar() override;
  void showProgress(std::string_view text, int kind) override;
  bool cancelRequested() override { return interrupted(); }
  bool wantsTotal() const override { return visible_; }
  // Clears the bar's line.
  void finish();

 private:
  std::FILE* out_;
  std::string label_;
  bool visible_;
  bool drawn_ = false;
};

}  // namespace tnw::app
