#include "app/qt/artwork.h"

#include <QAbstractButton>
#include <QFile>
#include <QKeySequence>
#include <QMimeDatabase>
#include <QPixmap>

#include "app/button_names.h"

namespace tnw::gui {

namespace {

QIcon pairIcon(const QString& base) {
  QIcon icon;
  icon.addFile(":/gui/" + base + ".png");
  icon.addFile(":/gui/" + base + "@2x.png");
  return icon;
}

}  // namespace

QIcon stripIcon(StripImage image) {
  // Not kept in statics: pixmaps must not outlive the application object.
  const QPixmap normal(":/gui/strip.png"), twice(":/gui/strip@2x.png");
  QIcon icon;
  int i = static_cast<int>(image);
  if (!normal.isNull()) icon.addPixmap(normal.copy(i * 32, 0, 32, 32));
  if (!twice.isNull()) icon.addPixmap(twice.copy(i * 64, 0, 64, 64));
  return icon;
}

QIcon programIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addFile(QString(":/gui/tarnwell-%1.png").arg(size));
  return icon;
}

QByteArray windowIconPng() {
  QFile file(":/gui/tarnwell-256.png");
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QIcon desktopFileIcon(const QString& likeName, const QIcon& fallback) {
  QMimeDatabase db;
  QMimeType type = db.mimeTypeForFile(likeName, QMimeDatabase::MatchExtension);
  if (type.isValid() && !type.isDefault()) {
    for (const QString& name : {type.iconName(), type.genericIconName()}) {
      QIcon themed = QIcon::fromTheme(name);
      if (!themed.isNull()) return themed;
    }
  }
  return fallback;
}

QIcon spreadsheetFallbackIcon() { return pairIcon("spreadsheet"); }
QIcon textFallbackIcon() { return pairIcon("text"); }

void setButtonName(QAbstractButton* button, std::string_view name) {
  const QString plain = QString::fromStdString(withoutMnemonic(name));
  button->setToolTip(plain);
  button->setAccessibleName(plain);
  button->setShortcut(QKeySequence::mnemonic(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))));
}

}  // namespace tnw::gui
