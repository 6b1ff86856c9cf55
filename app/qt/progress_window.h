// The window that shows how far a conversion got and lets the user stop it: a small window
// with the product name, a status line and a Cancel button. Its title says what it does and
// how far it got ("Reading 42%", "Saving the workbook... 40%"; the task bar shows it too).
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace tnw::gui {

class PageView;

class StatusWnd : public QDialog {
  Q_OBJECT

 public:
  // The kinds of text a conversion sends.
  enum Kind { kStatus = 0, kPercent = 2 };

  explicit StatusWnd(QWidget* parent = nullptr);
  // kStatus: the status line; kPercent: the title; anything else is ignored.
  void showText(const QString& text, int kind);
  QString statusText() const;
  QPushButton* cancelButton() const { return cancel_; }

 Q_SIGNALS:
  // The user pressed Cancel or closed the window; it is hidden already.
  void cancelled();

 public Q_SLOTS:
  void reject() override;  // Escape and Cancel

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void cancel();

  PageView* page_;
  QPushButton* cancel_;
  bool cancelled_ = false;
};

// What shows after a cancel when the export does not wind down at once. The conversion stops
// at its next line and the save at its next row, but a file that does not answer (a network
// share gone quiet) holds the conversion inside a read; the progress window is gone at once,
// so this says why nothing has come back.
class CancellingWnd : public QDialog {
  Q_OBJECT

 public:
  explicit CancellingWnd(QWidget* parent = nullptr);
  QString text() const;

 public Q_SLOTS:
  void reject() override {}  // Escape: it goes by itself, as soon as it can

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* label_;
};

}  // namespace tnw::gui
