// "About Tarnwell": the program's icon, its version in four numbers, and its maker.
#pragma once

#include <QDialog>

class QLabel;

namespace tnw::gui {

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
  QString versionText() const;

 private:
  QLabel* version_;
};

}  // namespace tnw::gui
