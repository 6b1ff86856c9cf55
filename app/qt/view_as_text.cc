#include "app/qt/view_as_text.h"

#include "app/qt/message.h"

namespace tnw::gui {

desktop::Launch viewAsText(QWidget* parent, const std::string& path, pas::LineSource* open) {
  desktop::Launch launch;
  {
    WaitCursor wait;
    if (!desktop::defaultProgram(desktop::kTextType)) return launch;
    if (open) open->close();
    launch = desktop::openWithDefault(desktop::kTextType, path);
  }
  if (launch.outcome == desktop::Launch::kFailed)
    showMessage(parent, QMessageBox::Warning,
                shownText(launch.program) + " could not be started:\n" + shownText(launch.error));
  return launch;
}

}  // namespace tnw::gui
