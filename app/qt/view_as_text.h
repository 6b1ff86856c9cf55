// Opens a PAS file in the desktop's program for text files.
#pragma once

#include <string>

#include "app/desktop.h"
#include "pas/line_source.h"

class QWidget;

namespace tnw::gui {

// `open`: the file while it is still open for its statistics, closed first so that the text
// program can do with it what it likes; null when closed already. Without a program for text
// files nothing happens; a program that cannot be started is reported.
desktop::Launch viewAsText(QWidget* parent, const std::string& path, pas::LineSource* open);

}  // namespace tnw::gui
