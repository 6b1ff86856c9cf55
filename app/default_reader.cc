#include "app/default_reader.h"

#include <algorithm>
#include <cctype>

#include "app/desktop.h"

namespace tnw::gui {

bool looksLikeTarnwell(std::string_view executable) {
  std::string upper(executable);
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  if (upper.find("TARNWELL.EXE") != std::string::npos) return true;
  size_t slash = upper.rfind('/');
  std::string_view name = std::string_view(upper).substr(slash == std::string::npos ? 0 : slash + 1);
  return name == "TARNWELL";
}

std::optional<std::string> defaultPasReader() {
  std::optional<desktop::Program> program = desktop::defaultProgram(desktop::kPasType);
  if (!program) return std::nullopt;
  return program->executable;
}

}  // namespace tnw::gui
