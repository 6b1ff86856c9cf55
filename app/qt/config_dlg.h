// "Configuration": shows whether the desktop opens PAS files with Tarnwell. It changes
// nothing; every start of the program registers it.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QCheckBox;

namespace tnw::gui {

class CConfigDlg : public QDialog {
  Q_OBJECT

 public:
  // Asks the desktop for its default program for PAS files.
  explicit CConfigDlg(QWidget* parent = nullptr);
  // With the default program's executable as given (nothing: none).
  CConfigDlg(const std::optional<std::string>& defaultReader, QWidget* parent);
  bool isDefault() const { return isDefault_; }
  QCheckBox* checkBox() const { return box_; }

 private:
  bool isDefault_ = false;
  QCheckBox* box_;
};

}  // namespace tnw::gui
