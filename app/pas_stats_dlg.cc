#include "app/pas_stats_dlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/artwork.h"
#include "app/html_page.h"
#include "app/message.h"
#include "pas/pas_converter.h"
#include "pas/type_detection.h"

namespace tnw::gui {

namespace {

QPushButton* iconButton(const QIcon& icon, const QString& objectName, const QString& tip, QWidget* parent) {
  auto* button = new QPushButton(parent);
  button->setObjectName(objectName);
  button->setIcon(icon);
  button->setIconSize(QSize(32, 32));
  button->setFixedSize(56, 52);
  button->setToolTip(tip);
  button->setAccessibleName(tip);
  return button;
}

}  // namespace

CPasStatsDlg::CPasStatsDlg(const QString& fileName, const pas::PasConverter& converter, QWidget* parent)
    : QDialog(parent) {
  setObjectName("CPasStatsDlg");
  setWindowTitle("Tarnwell");
  setWindowIcon(programIcon());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 12);
  layout->setSpacing(12);
  page_ = new PageView(":/gui/stats.html", this);
  page_->setObjectName("page");
  page_->setFocusPolicy(Qt::NoFocus);
  page_->setFixedSize(380, 232);
  layout->addWidget(page_);
  charts_ = new QCheckBox("Add charts", this);
  charts_->setObjectName("addCharts");
  charts_->setChecked(true);
  charts_->setToolTip("Plot pressure and temperature against time beside each gauge table");
  auto* options = new QHBoxLayout;
  options->setContentsMargins(16, 0, 16, 0);
  options->addWidget(charts_);
  layout->addLayout(options);

  // Every element is set, an empty text too: "--" would claim the file says something.
  page_->setElementText("FNAME", fileName);
  page_->setElementText("TYPE", shownText(pas::typeDisplayName(converter.typeText())));
  page_->setElementText("UWI", shownText(converter.uwi()));
  page_->setElementText("OPERATOR", shownText(converter.company()));
  page_->setElementText("FORMATION", shownText(converter.formation()));

  QIcon sheet = desktopFileIcon("Test.xls", spreadsheetFallbackIcon());
  QIcon text = desktopFileIcon("Test.txt", textFallbackIcon());
  auto* convert = iconButton(sheet, "convert", "Convert", this);
  auto* view = iconButton(text, "viewAsText", "View as text", this);
  close_ = iconButton(stripIcon(kStripExit), "close", "Close", this);
  connect(convert, &QPushButton::clicked, this, [this] { choose(kConvert); });
  connect(view, &QPushButton::clicked, this, [this] { choose(kViewAsText); });
  connect(close_, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(16, 0, 16, 0);
  buttons->setSpacing(10);
  buttons->addWidget(convert);
  buttons->addWidget(view);
  buttons->addStretch(1);
  buttons->addWidget(close_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CPasStatsDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  action_ = kNone;
  close_->setFocus(Qt::OtherFocusReason);
}

bool CPasStatsDlg::addCharts() const { return charts_->isChecked(); }

void CPasStatsDlg::choose(Action action) {
  action_ = action;
  accept();
}

}  // namespace tnw::gui
