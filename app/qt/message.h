// Message boxes and the wait cursor, as every dialog of the program uses them.
#pragma once

#include <QMessageBox>
#include <QString>
#include <string>
#include <string_view>

class QWidget;

namespace tnw::gui {

// A modal message box titled "Tarnwell" with an OK button.
void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text);

// Bytes from a file or the system (UTF-8, or a PAS file's Windows code page) as text to show.
QString shownText(std::string_view bytes);
// A file name or path from the system, in the file system's encoding.
QString shownPath(const std::string& path);

// The wait cursor for as long as the object lives. While a window must still take clicks
// (the progress window's Cancel), the busy cursor: an arrow with the wait sign.
class WaitCursor {
 public:
  explicit WaitCursor(Qt::CursorShape shape = Qt::WaitCursor);
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace tnw::gui
