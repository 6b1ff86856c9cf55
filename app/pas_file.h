// A PAS file as the desktop program opens it for its header scan and its export, and what its
// statistics dialog says about it beyond the facts.
#pragma once

#include <memory>
#include <string>

#include "pas/line_source.h"
#include "pas/pas_converter.h"

namespace tnw::gui {

// Opens the file the user chose. Anything but a regular file is refused before it is opened:
// opening a FIFO waits for a writer and a device never ends, and the program would wait with
// them; on Windows the same goes for pipes (\\.\pipe\...) and devices (NUL, CON, COM1). On
// failure returns null and sets *message to the sentence to show, naming the file.
std::unique_ptr<pas::LineSource> openPasFile(const std::string& path, std::string* message);

// The line the statistics dialog shows under the facts of a scanned file; empty when there is
// nothing to say.
std::string statisticsNote(const pas::PasConverter& scan);

}  // namespace tnw::gui
