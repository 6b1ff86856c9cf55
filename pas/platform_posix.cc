#include <sys/resource.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <system_error>

#include "pas/platform.h"

namespace tnw::pas {

std::string executableDirectory() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return self.parent_path().string();
}

bool isTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

bool localTime(std::time_t moment, std::tm* out) { return ::localtime_r(&moment, out) != nullptr; }

void raiseOpenFileLimit() {
  struct rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  ::setrlimit(RLIMIT_NOFILE, &limit);  // the old limit stays when the system says no
}

}  // namespace tnw::pas
