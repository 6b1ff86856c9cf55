// Work spread over threads: this thread and up to `threads` - 1 more each run `work`, which takes
// its share itself (from an atomic counter, say). Fewer threads when the system grants no more.
#pragma once

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace tnw::sheet {

// `threads` as asked, or one per core when 0 or less.
inline unsigned threadsOrCores(int threads) {
  return threads > 0 ? static_cast<unsigned>(threads) : std::max(1u, std::thread::hardware_concurrency());
}

// `meanwhile` runs on this thread once the others have started, before its own `work`.
template <typename Work, typename Meanwhile>
void runOnThreads(unsigned threads, const Work& work, const Meanwhile& meanwhile) {
  std::vector<std::thread> helpers;
  for (unsigned t = 1; t < threads; ++t) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // the threads there are do the work
    }
  }
  meanwhile();
  work();
  for (std::thread& helper : helpers) helper.join();
}

template <typename Work>
void runOnThreads(unsigned threads, const Work& work) {
  runOnThreads(threads, work, [] {});
}

}  // namespace tnw::sheet
