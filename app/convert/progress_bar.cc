#include "app/convert/progress_bar.h"

#include <atomic>
#include <string_view>

#include "platform/platform.h"

namespace tnw::app {

namespace {

// Set from a signal handler or, on Windows, from the thread the console event runs on.
std::atomic<bool> gInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void onInterrupt() { gInterrupted = true; }

constexpr int kBarWidth = 30;

}  // namespace

void installInterruptHandler() { platform::onInterrupt(onInterrupt); }

bool interrupted() { return gInterrupted; }

const std::atomic<bool>& interruptFlag() { return gInterrupted; }

ProgressBar::ProgressBar(std::FILE* out, std::string label, bool visible)
    : out_(out), label_(std::move(label)), visible_(visible) {}

ProgressBar::~ProgressBar() { finish(); }

void ProgressBar::showProgress(std::string_view text, int kind) {
  if (!visible_ || kind != kPercent) return;
  int percent = 0;
  for (char c : text)
    if (c >= '0' && c <= '9') percent = percent * 10 + (c - '0');
  if (percent > 100) percent = 100;
  int filled = percent * kBarWidth / 100;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kBarWidth - filled), ' ');
  std::fprintf(out_, "\r%3d%% [%s] %s", percent, bar.c_str(), label_.c_str());
  std::fflush(out_);
  drawn_ = true;
}

void ProgressBar::finish() {
  if (!drawn_) return;
  std::fprintf(out_, "\r%*s\r", kBarWidth + 8 + static_cast<int>(label_.size()), "");
  std::fflush(out_);
  drawn_ = false;
}

}  // namespace tnw::app
