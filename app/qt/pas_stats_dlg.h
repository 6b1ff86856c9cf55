// The statistics dialog: what the quick header scan found in a PAS file (file name, test
// type with its long name, well identifier, company, formation), and the two things to do
// with it: convert it into a workbook, or open it as text.
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QPushButton;

namespace tnw::pas {
class PasConverter;
}

namespace tnw::gui {

class PageView;

class CPasStatsDlg : public QDialog {
  Q_OBJECT

 public:
  enum Action { kNone = 0, kConvert = 1, kViewAsText = 2 };

  // `converter` ran the header scan; the dialog reads it while it opens and does not keep it.
  CPasStatsDlg(const QString& fileName, const pas::PasConverter& converter, QWidget* parent = nullptr);
  Action action() const { return action_; }
  // "Add charts": pressure charts on the gauge sheets of the workbook; ticked to begin with.
  bool addCharts() const;
  const PageView* page() const { return page_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void choose(Action action);

  PageView* page_;
  QPushButton* close_;
  QCheckBox* charts_;
  Action action_ = kNone;
};

}  // namespace tnw::gui
