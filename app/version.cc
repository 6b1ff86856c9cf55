#include "app/version.h"

#include <cstdio>

namespace tnw::gui {

std::string formatVersion(unsigned major, unsigned minor, unsigned patch, unsigned tweak) {
  char text[48];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", major, minor, patch, tweak);
  return text;
}

std::string programVersion() {
  return formatVersion(TARNWELL_VERSION_MAJOR, TARNWELL_VERSION_MINOR, TARNWELL_VERSION_PATCH,
                       TARNWELL_VERSION_TWEAK);
}

}  // namespace tnw::gui
