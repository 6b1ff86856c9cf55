#include "app/qt/progress_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/qt/artwork.h"
#include "app/qt/html_page.h"

namespace tnw::gui {

namespace {

// The white face of the window, with a thin border, filling it.
QFrame* borderedFrame(QDialog* window) {
  auto* frame = new QFrame(window);
  frame->setObjectName("border");
  frame->setStyleSheet("QFrame#border { background: white; border: 1px solid #7A8699; }");
  auto* outer = new QVBoxLayout(window);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(frame);
  return frame;
}

}  // namespace

// A title bar with only a close button: the title says what it does and how far it got, and
// closing the window is one more way to cancel.
StatusWnd::StatusWnd(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("CStatusWnd");
  setWindowTitle("Reading...");
  setWindowIcon(programIcon());
  // Not modal: a modal window would keep the window system's close command from the window
  // the export started from, which is to cancel it and then close. The export may start from
  // inside a modal dialog (the main dialog runs modally); as that dialog's child this window
  // still takes input, and the export keeps every other window's input from them meanwhile.
  setFixedSize(440, 164);
  QFrame* frame = borderedFrame(this);
  auto* layout = new QVBoxLayout(frame);
  layout->setContentsMargins(1, 1, 1, 12);
  layout->setSpacing(0);
  page_ = new PageView(":/gui/status.html", frame);
  page_->setObjectName("page");
  page_->setFocusPolicy(Qt::NoFocus);
  layout->addWidget(page_, 1);
  cancel_ = new QPushButton("Cancel", frame);
  cancel_->setObjectName("cancel");
  cancel_->setMinimumWidth(96);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cancel_);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  connect(cancel_, &QPushButton::clicked, this, &StatusWnd::cancel);
}

void StatusWnd::showText(const QString& text, int kind) {
  if (kind == kStatus)
    page_->setElementText("A1", text);
  else if (kind == kPercent)
    setWindowTitle(QString("Reading %1%").arg(text));
}

QString StatusWnd::statusText() const { return page_->elementText("A1"); }

void StatusWnd::reject() { cancel(); }

void StatusWnd::closeEvent(QCloseEvent* event) {
  // Closing the window from the desktop stops the conversion, as Cancel does.
  event->accept();
  cancel();
}

void StatusWnd::cancel() {
  hide();
  if (cancelled_) return;
  cancelled_ = true;
  Q_EMIT cancelled();
}

CancellingWnd::CancellingWnd(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("cancelling");
  setWindowTitle("Cancelling...");
  setWindowIcon(programIcon());
  QFrame* frame = borderedFrame(this);
  label_ = new QLabel("Cancelling...", frame);
  label_->setObjectName("text");
  label_->setAlignment(Qt::AlignCenter);
  // Its own colours, like the progress window's page: legible on the white in any scheme.
  label_->setStyleSheet("color: #1F3A68; font-size: 11pt");
  auto* layout = new QVBoxLayout(frame);
  layout->setContentsMargins(24, 18, 24, 18);
  layout->addWidget(label_);
  setFixedSize(260, 72);
  setCursor(Qt::BusyCursor);
}

QString CancellingWnd::text() const { return label_->text(); }

void CancellingWnd::closeEvent(QCloseEvent* event) {
  // Closing it would not end the wait any sooner, only hide why there is one.
  event->ignore();
}

}  // namespace tnw::gui
