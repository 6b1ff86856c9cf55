// The main dialog: four large buttons (load a PAS file, the configuration, About, exit) under
// a page with the product name; a PAS file dropped on it is loaded as if chosen with Load.
// Several files chosen or dropped, or a folder dropped, become one summary workbook.
// It also runs the exports, and remembers whether the last one was cancelled.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "app/qt/gui_export.h"
#include "pas/line_source.h"

namespace tnw::gui {

class PageView;

class CTestDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CTestDlg(QWidget* parent = nullptr);

  // Load: the open-file dialog, then the file's statistics and what the user chose there.
  void load();
  // The same for a file chosen some other way (dropped, for example).
  void loadFile(const std::string& path);
  // One file as loadFile; several, or a folder, as one summary workbook.
  void loadFiles(const std::vector<std::string>& paths);
  // The summary workbook of these files and of the PAS files in these folders.
  GuiExportResult summarize(const std::vector<std::string>& paths, bool showProgress);
  void showConfiguration();
  void showAbout();

  // The export of a file whose source is open already (it is rewound).
  GuiExportResult exportFile(pas::LineSource& source, const std::string& path, bool showProgress);
  // The export of a file by its path, opened for it.
  GuiExportResult convertFile(const std::string& path, bool showProgress);
  bool lastExportCancelled() const { return lastExportCancelled_; }
  // How the last export ended, whichever way it was started.
  const GuiExportResult& lastExport() const { return lastExport_; }

  // What asks the user for files; the system's open-file dialog unless set.
  void setFileChooser(std::function<QStringList(QWidget*)> chooser) { chooseFile_ = std::move(chooser); }
  void setExportOptions(GuiExportOptions options) { exportOptions_ = std::move(options); }
  // Whether the next exports put pressure charts on the gauge sheets.
  void setAddCharts(bool on) { exportOptions_.charts = on; }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  PageView* page_;
  std::function<QStringList(QWidget*)> chooseFile_;
  GuiExportOptions exportOptions_;
  bool lastExportCancelled_ = false;
  GuiExportResult lastExport_;
};

}  // namespace tnw::gui
