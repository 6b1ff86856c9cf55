#include "app/convert/progress_bar.h"

#include <atomic>
#include <string_view>

#include "app/convert/report.h"
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
  char head[8];
  std::snprintf(head, sizeof head, "\r%3d%% [", percent);
  platform::writeText(out_, head + bar + "] " + label_);
  std::fflush(out_);
  drawn_ = true;
}

void ProgressBar::finish() {
  if (!drawn_) return;
  platform::writeText(out_, "\r" + std::string(kBarWidth + 8 + displayWidth(label_), ' ') + "\r");
  std::fflush(out_);
  drawn_ = false;
}

}  // namespace tnw::app
