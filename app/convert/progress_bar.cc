#include "app/convert/progress_bar.h"

#include <atomic>
#include <chrono>
#include <algorithm>
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

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string duration(double seconds) {
  auto s = static_cast<long long>(seconds + 0.5);
  char text[48];
  if (s >= 3600) std::snprintf(text, sizeof text, "%lld h %02lld min", s / 3600, s / 60 % 60);
  else if (s >= 60) std::snprintf(text, sizeof text, "%lld min %02lld s", s / 60, s % 60);
  else std::snprintf(text, sizeof text, "%lld s", s);
  return text;
}

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

RunProgress::RunProgress(std::FILE* out, size_t total, bool visible)
    : out_(out), total_(total), visible_(visible), started_(now()) {
  draw();
}

RunProgress::~RunProgress() { clear(); }

void RunProgress::fileDone() {
  ++done_;
  double t = now();
  if (done_ == total_ || t - lastDrawn_ >= 0.1) draw();
}

void RunProgress::draw() {
  if (!visible_) return;
  lastDrawn_ = now();
  double elapsed = lastDrawn_ - started_;
  int filled = total_ == 0 ? kBarWidth : static_cast<int>(done_ * kBarWidth / total_);
  std::string line = "\r[" + std::string(static_cast<size_t>(filled), '#') +
                     std::string(static_cast<size_t>(kBarWidth - filled), ' ') + "] " + std::to_string(done_) + " of " +
                     std::to_string(total_) + " files";
  if (done_ > 0 && elapsed > 0.5) {
    double rate = static_cast<double>(done_) / elapsed;
    char text[64];
    std::snprintf(text, sizeof text, ", %.1f files/s", rate);
    line += text;
    if (done_ < total_) line += ", " + duration(static_cast<double>(total_ - done_) / rate) + " left";
  }
  size_t width = line.size() - 1;
  if (width < drawnWidth_) line.append(drawnWidth_ - width, ' ');
  drawnWidth_ = std::max(drawnWidth_, width);
  platform::writeText(out_, line);
  std::fflush(out_);
}

void RunProgress::clear() {
  if (!visible_ || drawnWidth_ == 0) return;
  platform::writeText(out_, "\r" + std::string(drawnWidth_, ' ') + "\r");
  std::fflush(out_);
  drawnWidth_ = 0;
}

}  // namespace tnw::app
