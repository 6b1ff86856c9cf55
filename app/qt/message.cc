#include "app/qt/message.h"

#include <QApplication>
#include <QFile>

#include "sheet/text_encoding.h"

namespace tnw::gui {

void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
  QMessageBox box(icon, "Tarnwell", text, QMessageBox::Ok, parent);
  box.setObjectName("message");
  box.exec();
}

QString shownText(std::string_view bytes) { return QString::fromStdString(sheet::toUtf8(bytes)); }

QString shownPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

WaitCursor::WaitCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
WaitCursor::~WaitCursor() { QApplication::restoreOverrideCursor(); }

}  // namespace tnw::gui
