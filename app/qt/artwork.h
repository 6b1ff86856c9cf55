// The program's pictures: its window icon, the four images of the button strip, and the
// icons of file types as the desktop's icon theme draws them.
#pragma once

#include <QByteArray>
#include <QIcon>
#include <QString>
#include <string_view>

class QAbstractButton;

namespace tnw::gui {

// The images of the button strip, in the strip's order.
enum StripImage { kStripExit = 0, kStripLoad = 1, kStripConfiguration = 2, kStripAbout = 3 };

QIcon stripIcon(StripImage image);
QIcon programIcon();
// The window icon as a PNG file, for the desktop's icon theme.
QByteArray windowIconPng();

// What the desktop shows for a file of this name (which need not exist), from its icon theme
// by the file's MIME type; `fallback` when the theme has nothing for it.
QIcon desktopFileIcon(const QString& likeName, const QIcon& fallback);
// Ours, for when the theme has no spreadsheet or text icon.
QIcon spreadsheetFallbackIcon();
QIcon textFallbackIcon();

// Names a button that shows only a picture: its tooltip, the name screen readers say, and the
// Alt key with the letter after "&" in `name` (app/button_names.h).
void setButtonName(QAbstractButton* button, std::string_view name);

}  // namespace tnw::gui
