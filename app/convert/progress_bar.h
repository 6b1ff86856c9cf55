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

// One bar for a run over many files: files done of how many, the rate, and the time left.
// Drawn at most ten times a second, from the one thread that counts.
class RunProgress {
 public:
  RunProgress(std::FILE* out, size_t total, bool visible);
  ~RunProgress();
  void fileDone();
  // Clears the bar's line, so that messages start at its left.
  void clear();

 private:
  void draw();
  std::FILE* out_;
  size_t total_, done_ = 0;
  bool visible_;
  size_t drawnWidth_ = 0;
  double started_, lastDrawn_ = -1;
};

}  // namespace tnw::app
