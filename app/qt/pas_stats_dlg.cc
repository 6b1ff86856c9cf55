#include "app/qt/pas_stats_dlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QTextOption>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <memory>

#include "app/button_names.h"
#include "app/pas_file.h"
#include "app/qt/artwork.h"
#include "app/qt/html_page.h"
#include "app/qt/message.h"
#include "pas/pas_converter.h"
#include "pas/type_detection.h"

namespace tnw::gui {

namespace {

QPushButton* iconButton(const QIcon& icon, const QString& objectName, std::string_view name, QWidget* parent) {
  auto* button = new QPushButton(parent);
  button->setObjectName(objectName);
  button->setIcon(icon);
  button->setIconSize(QSize(32, 32));
  button->setFixedSize(56, 52);
  setButtonName(button, name);
  return button;
}

// Longer than anyone reads in a dialog: shown shortened, whole in the tooltip. Real values are
// far shorter; this keeps a runaway one from pushing the others off the screen.
constexpr qsizetype kFieldLimit = 200;

void setField(PageView* page, const char* id, const QString& text, Qt::TextElideMode mode) {
  if (text.size() <= kFieldLimit) {
    page->setElementText(id, text);
    return;
  }
  // Never between the two halves of a character outside the basic plane.
  qsizetype head = mode == Qt::ElideMiddle ? kFieldLimit / 2 : kFieldLimit - 1;
  if (text[head - 1].isHighSurrogate()) --head;
  qsizetype tail = mode == Qt::ElideMiddle ? kFieldLimit / 2 - 1 : 0;
  if (tail > 0 && text[text.size() - tail].isLowSurrogate()) --tail;
  page->setElementText(id, text.left(head) + QChar(0x2026) + text.right(tail), text);
}

// The height the page's text takes at a width.
int pageHeightAt(const QTextDocument& document, int width) {
  std::unique_ptr<QTextDocument> probe(document.clone());
  probe->setDefaultTextOption(document.defaultTextOption());
  probe->setDocumentMargin(document.documentMargin());
  probe->setTextWidth(width);
  return static_cast<int>(std::ceil(probe->size().height()));
}

// Sizes the page to its text: the usual 380 by 232 when that holds it; wider, up to what the
// screen allows, while that still saves lines; taller as the wrapped text needs, and past the
// screen's height it scrolls.
void fitPage(PageView* page) {
  constexpr int kWidth = 380, kHeight = 232, kStep = 20;
  // Room for the window's frame, the check box and the buttons around the page.
  constexpr int kAround = 160;
  const QRect screen = page->screen() ? page->screen()->availableGeometry() : QRect(0, 0, 1024, 768);
  const int widest = std::max(kWidth, std::min(560, screen.width() - 40));
  const int tallest = std::max(kHeight, screen.height() - kAround);
  const QTextDocument& document = *page->document();
  const int fewest = pageHeightAt(document, widest);
  int width = kWidth;
  while (width < widest && pageHeightAt(document, width) > fewest) width = std::min(widest, width + kStep);
  const int height = std::max(kHeight, pageHeightAt(document, width));
  if (height > tallest) page->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  page->setFixedSize(width, std::min(height, tallest));
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
  // A file name or value without blanks must wrap too, or its end would be out of sight.
  page_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
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
  setField(page_, "FNAME", fileName, Qt::ElideMiddle);  // the middle: the extension stays
  setField(page_, "TYPE", shownText(pas::typeDisplayName(converter.typeText())), Qt::ElideRight);
  setField(page_, "UWI", shownText(converter.uwi()), Qt::ElideRight);
  setField(page_, "OPERATOR", shownText(converter.company()), Qt::ElideRight);
  setField(page_, "FORMATION", shownText(converter.formation()), Qt::ElideRight);
  page_->setElementText("NOTE", QString::fromStdString(statisticsNote(converter)));
  fitPage(page_);

  QIcon sheet = desktopFileIcon("Test.xls", spreadsheetFallbackIcon());
  QIcon text = desktopFileIcon("Test.txt", textFallbackIcon());
  auto* convert = iconButton(sheet, "convert", kConvertButton, this);
  auto* view = iconButton(text, "viewAsText", kViewAsTextButton, this);
  close_ = iconButton(stripIcon(kStripExit), "close", kCloseButton, this);
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
