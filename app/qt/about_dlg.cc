#include "app/qt/about_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/qt/artwork.h"
#include "app/version.h"

namespace tnw::gui {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("CAboutDlg");
  setWindowTitle("About Tarnwell");
  setWindowIcon(programIcon());
  auto* icon = new QLabel(this);
  icon->setPixmap(programIcon().pixmap(QSize(64, 64), devicePixelRatio()));
  icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  auto* name = new QLabel("Tarnwell Version ", this);
  QFont bold = name->font();
  bold.setBold(true);
  name->setFont(bold);
  version_ = new QLabel(QString::fromStdString(programVersion()), this);
  version_->setObjectName("version");
  version_->setFont(bold);
  version_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* maker = new QLabel("Made by Hollowmere.\nReads ERCB Pressure ASCII Standard well-test files.", this);
  maker->setObjectName("maker");
  auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(ok, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* versionLine = new QHBoxLayout;
  versionLine->setSpacing(0);
  versionLine->addWidget(name);
  versionLine->addWidget(version_);
  versionLine->addStretch(1);
  auto* texts = new QVBoxLayout;
  texts->setSpacing(10);
  texts->addLayout(versionLine);
  texts->addWidget(maker);
  texts->addStretch(1);
  auto* top = new QHBoxLayout;
  top->setSpacing(18);
  top->addWidget(icon);
  top->addLayout(texts, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 20, 20, 14);
  layout->setSpacing(16);
  layout->addLayout(top);
  layout->addWidget(ok);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  ok->button(QDialogButtonBox::Ok)->setFocus();
}

QString CAboutDlg::versionText() const { return version_->text(); }

}  // namespace tnw::gui
