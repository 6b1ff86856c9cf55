// How a conversion reports how far it got, and learns that the user wants it to stop.
#pragma once

#include <string_view>

namespace tnw::pas {

class ProgressReporter {
 public:
  enum Kind { kStatus = 0, kPercent = 2 };
  virtual ~ProgressReporter() = default;
  // kPercent: the percentage as text ("42"); kStatus: a status line ("Reading Line 7 of 90").
  virtual void showProgress(std::string_view text, int kind) = 0;
  virtual bool cancelRequested() = 0;
  // Whether the conversion should count the file's lines first to give a percentage.
  virtual bool wantsTotal() const { return true; }
};

}  // namespace tnw::pas
