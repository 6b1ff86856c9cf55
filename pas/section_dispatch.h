// Routes a line to the handler of the section it begins with. The entry chosen last is tried
// first: lines of one section come together, so nearly every lookup succeeds on its first test.
//
// The entries behave as a rotating queue: a failed test moves the front entry to the back. Held
// as a ring with a moving front, which gives the same orders without moving anything.
#pragma once

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

namespace tnw::pas {

template <typename Handler>
class SectionDispatch {
 public:
  struct Entry {
    std::string_view prefix;  // a constant of the program
    Handler handler;
  };

  void add(std::string_view prefix, Handler handler) {
    // Adding behind the current back keeps the queue's order: re-base the ring first.
    if (front_ != 0) {
      std::rotate(entries_.begin(), entries_.begin() + static_cast<long>(front_), entries_.end());
      front_ = 0;
    }
    entries_.push_back({prefix, std::move(handler)});
  }

  // The entry whose prefix begins the line (case-sensitive, nothing required after it), or
  // null. Afterwards the chosen entry is at the front; after a miss the former last one is.
  const Entry* lookup(std::string_view line) {
    size_t n = entries_.size();
    for (size_t tried = 0; tried < n; ++tried) {
      size_t at = front_ + tried < n ? front_ + tried : front_ + tried - n;
      if (line.substr(0, entries_[at].prefix.size()) == entries_[at].prefix) {
        front_ = at;
        return &entries_[at];
      }
    }
    if (n != 0) front_ = (front_ + n - 1) % n;
    return nullptr;
  }

  // The entries from the front, for tests and diagnostics.
  std::vector<std::string_view> order() const {
    std::vector<std::string_view> out;
    for (size_t i = 0; i < entries_.size(); ++i) out.push_back(entries_[(front_ + i) % entries_.size()].prefix);
    return out;
  }

  size_t size() const { return entries_.size(); }

 private:
  std::vector<Entry> entries_;
  size_t front_ = 0;
};

}  // namespace tnw::pas
