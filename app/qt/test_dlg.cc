#include "app/qt/test_dlg.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>

#include "app/pas_file.h"
#include "app/qt/about_dlg.h"
#include "app/button_names.h"
#include "app/qt/artwork.h"
#include "app/qt/config_dlg.h"
#include "app/qt/html_page.h"
#include "app/qt/message.h"
#include "app/qt/pas_stats_dlg.h"
#include "app/qt/view_as_text.h"
#include "app/summary_export.h"
#include "pas/pas_converter.h"

namespace tnw::gui {

namespace {

QPushButton* stripButton(StripImage image, const QString& objectName, std::string_view name, QWidget* parent) {
  auto* button = new QPushButton(parent);
  button->setObjectName(objectName);
  button->setIcon(stripIcon(image));
  button->setIconSize(QSize(32, 32));
  button->setFixedSize(64, 54);
  setButtonName(button, name);
  // Enter presses the focused button, as Space does: the button with the focus is the
  // dialog's default one.
  button->setAutoDefault(true);
  return button;
}

// The local PAS files and folders among dropped URLs, in the order dropped.
std::vector<std::string> droppedPaths(const QMimeData* data) {
  std::vector<std::string> paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    QString file = url.toLocalFile();
    if (file.endsWith(".pas", Qt::CaseInsensitive) || QFileInfo(file).isDir())
      paths.push_back(QFile::encodeName(file).toStdString());
  }
  return paths;
}

QStringList defaultChooser(QWidget* parent) {
  return QFileDialog::getOpenFileNames(parent, "Load...", QString(), "ERCB Pressure ASCII Standard (*.pas)");
}

}  // namespace

CTestDlg::CTestDlg(QWidget* parent) : QDialog(parent), chooseFile_(defaultChooser) {
  setObjectName("CTestDlg");
  setWindowTitle("Tarnwell");
  setWindowIcon(programIcon());
  setAcceptDrops(true);

  page_ = new PageView(":/gui/main.html", this);
  page_->setObjectName("page");
  page_->setFocusPolicy(Qt::NoFocus);
  page_->setFixedSize(400, 400);

  auto* load = stripButton(kStripLoad, "load", kLoadButton, this);
  auto* configuration = stripButton(kStripConfiguration, "configuration", kConfigurationButton, this);
  auto* about = stripButton(kStripAbout, "about", kAboutButton, this);
  auto* exit = stripButton(kStripExit, "exit", kExitButton, this);
  connect(load, &QPushButton::clicked, this, &CTestDlg::load);
  connect(configuration, &QPushButton::clicked, this, &CTestDlg::showConfiguration);
  connect(about, &QPushButton::clicked, this, &CTestDlg::showAbout);
  connect(exit, &QPushButton::clicked, this, &QDialog::reject);

  // Where the Windows version had its system menu item.
  auto* aboutItem = new QAction("&About Tarnwell...", this);
  connect(aboutItem, &QAction::triggered, this, &CTestDlg::showAbout);
  addAction(aboutItem);
  setContextMenuPolicy(Qt::ActionsContextMenu);

  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(14, 0, 14, 0);
  buttons->setSpacing(10);
  buttons->addWidget(load);
  buttons->addWidget(configuration);
  buttons->addWidget(about);
  buttons->addStretch(1);
  buttons->addWidget(exit);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 12);
  layout->setSpacing(12);
  layout->addWidget(page_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  load->setFocus();
}

void CTestDlg::load() {
  std::vector<std::string> paths;
  for (const QString& chosen : chooseFile_(this))
    if (!chosen.isEmpty()) paths.push_back(QFile::encodeName(chosen).toStdString());
  loadFiles(paths);
}

void CTestDlg::loadFiles(const std::vector<std::string>& paths) {
  if (wantsSummary(paths))
    summarize(paths, true);
  else if (!paths.empty())
    loadFile(paths.front());
}

GuiExportResult CTestDlg::summarize(const std::vector<std::string>& paths, bool showProgress) {
  lastExport_ = runExport(isVisible() ? this : nullptr, summaryJob(paths), showProgress, exportOptions_);
  if (lastExport_.outcome != GuiExportResult::kLogoFailed)
    lastExportCancelled_ = lastExport_.outcome == GuiExportResult::kCancelled;
  return lastExport_;
}

void CTestDlg::loadFile(const std::string& path) {
  std::string err;
  auto source = openPasFile(path, &err);
  if (!source) {
    showMessage(this, QMessageBox::Warning, shownPath(err));
    return;
  }
  pas::PasConverter scan(nullptr);
  {
    WaitCursor wait;
    scan.scanHeader(*source);
  }
  // The scan is all this file is opened for; the conversion opens it afresh.
  source->close();
  CPasStatsDlg stats(shownPath(std::filesystem::path(path).filename().string()), scan, this);
  if (stats.exec() != QDialog::Accepted) return;
  setAddCharts(stats.addCharts());
  if (stats.action() == CPasStatsDlg::kConvert)
    convertFile(path, true);
  else if (stats.action() == CPasStatsDlg::kViewAsText)
    viewAsText(this, path, nullptr);
}

void CTestDlg::showConfiguration() {
  CConfigDlg dialog(this);
  dialog.exec();
}

void CTestDlg::showAbout() {
  CAboutDlg dialog(this);
  dialog.exec();
}

GuiExportResult CTestDlg::exportFile(pas::LineSource& source, const std::string& path, bool showProgress) {
  GuiExportResult result = runExport(isVisible() ? this : nullptr, source, path, showProgress, exportOptions_);
  if (result.outcome != GuiExportResult::kLogoFailed) lastExportCancelled_ = result.outcome == GuiExportResult::kCancelled;
  lastExport_ = result;
  return result;
}

GuiExportResult CTestDlg::convertFile(const std::string& path, bool showProgress) {
  std::string err;
  auto source = openPasFile(path, &err);
  if (!source) {
    showMessage(isVisible() ? this : nullptr, QMessageBox::Warning, shownPath(err));
    GuiExportResult failed;
    failed.message = err;
    lastExport_ = failed;
    return failed;
  }
  return exportFile(*source, path, showProgress);
}

void CTestDlg::dragEnterEvent(QDragEnterEvent* event) {
  if (!droppedPaths(event->mimeData()).empty()) event->acceptProposedAction();
}

void CTestDlg::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths = droppedPaths(event->mimeData());
  if (paths.empty()) return;
  event->acceptProposedAction();
  // Not from inside the drop: the file manager waits for the drop to finish, and the
  // statistics dialog would keep it waiting for as long as it is open.
  QTimer::singleShot(0, this, [this, paths] { loadFiles(paths); });
}

}  // namespace tnw::gui
