#include <filesystem>
#include <system_error>

#include "app/platform.h"

namespace tnw::gui {

std::string selfExecutablePath() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.string();
}

}  // namespace tnw::gui
