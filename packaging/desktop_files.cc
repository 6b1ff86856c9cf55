// Writes the desktop entry and the MIME type definition that an installation ships, from the
// same texts the program registers at every start, so the two never differ.
//   tarnwell-desktop-files PROGRAM_PATH OUT_DIR
#include <cstdio>
#include <fstream>
#include <string>

#include "app/shell_registration.h"

int main(int argc, char** argv) {
  if (argc != 3) return std::fprintf(stderr, "usage: tarnwell-desktop-files PROGRAM_PATH OUT_DIR\n"), 2;
  std::string entry, err;
  if (!tnw::gui::desktopEntryText(argv[1], &entry, &err)) return std::fprintf(stderr, "%s\n", err.c_str()), 1;
  std::string dir = argv[2];
  std::ofstream(dir + "/tarnwell.desktop") << entry;
  std::ofstream(dir + "/tarnwell.xml") << tnw::gui::mimePackageXml();
  return 0;
}
