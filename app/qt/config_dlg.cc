#include "app/qt/config_dlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/qt/artwork.h"
#include "app/default_reader.h"
#include "app/qt/message.h"

namespace tnw::gui {

CConfigDlg::CConfigDlg(QWidget* parent) : CConfigDlg(([] {
                                                        WaitCursor wait;
                                                        return defaultPasReader();
                                                      })(),
                                                      parent) {}

CConfigDlg::CConfigDlg(const std::optional<std::string>& defaultReader, QWidget* parent) : QDialog(parent) {
  setObjectName("CConfigDlg");
  setWindowTitle("Configuration");
  setWindowIcon(programIcon());
  isDefault_ = defaultReader && looksLikeTarnwell(*defaultReader);
  box_ = new QCheckBox("Make Tarnwell the default PAS Reader", this);
  box_->setObjectName("isDefault");
  box_->setChecked(isDefault_);
  box_->setEnabled(false);  // shows the state; the registration at every start sets it
  auto* note = new QLabel(
      "Tarnwell makes itself the program for PAS files each time it starts, unless another "
      "program has been chosen for them.",
      this);
  note->setObjectName("note");
  note->setWordWrap(true);
  note->setForegroundRole(QPalette::PlaceholderText);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(22, 22, 16, 14);
  layout->setSpacing(12);
  layout->addWidget(box_);
  layout->addWidget(note);
  layout->addStretch(1);
  layout->addWidget(buttons);
  setFixedWidth(360);
  setFixedHeight(heightForWidth(360) > 0 ? heightForWidth(360) : sizeHint().height());
}

}  // namespace tnw::gui
