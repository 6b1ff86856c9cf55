#include "app/pas_file.h"

#include <cctype>

#include "platform/platform.h"

namespace tnw::gui {

std::unique_ptr<pas::LineSource> openPasFile(const std::string& path, std::string* message) {
  std::unique_ptr<pas::LineSource> source;
  if (platform::isSpecialFile(path))
    *message = "cannot read " + path + ": it is not a regular file";
  else
    source = pas::LineSource::open(path, message);
  if (!source && !message->empty())
    (*message)[0] = static_cast<char>(std::toupper(static_cast<unsigned char>((*message)[0])));
  return source;
}

std::string statisticsNote(const pas::PasConverter& scan) {
  return scan.looksLikePas() ? std::string() : "This file " + std::string(pas::kNotPasNote);
}

}  // namespace tnw::gui
