// What the desktop program's tests share: a desktop of their own in temporary folders, with
// fake programs that record how they were started; a way to act on dialogs that run modally;
// and PAS texts to feed the program.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/qt/gui_export.h"
#include "pas/line_source.h"

namespace tnw::guitest {

// Temporary XDG folders in place of the user's: data, configuration, cache, and a system data
// folder of its own. Must be set up before anything asks GIO, which reads the folders once per
// process; so each test function runs in a process of its own.
class FakeDesktop {
 public:
  FakeDesktop();
  QString root() const { return dir_.path(); }
  QString dataHome() const { return root() + "/data"; }
  QString configHome() const { return root() + "/config"; }
  QString cacheHome() const { return root() + "/cache"; }
  QString exportFolder() const { return cacheHome() + "/tarnwell"; }
  QString documents() const { return root() + "/home/Documents"; }  // as user-dirs.dirs names it

  // A program that writes the arguments it was started with into a file, and a desktop entry
  // `id` for it that opens `mimeTypes` (";"-separated). The program lives at `programPath`
  // (any folder, made as needed) or in the fake desktop's bin folder.
  QString addRecordingProgram(const QString& id, const QString& mimeTypes, const QString& programPath = {});
  // Makes an entry the default for a MIME type in mimeapps.list; none with an empty id.
  void setDefault(const QString& mimeType, const QString& id);
  // A recording spreadsheet program, the default for workbooks and, when it takes them as
  // LibreOffice and Excel do, for templates: then an export hands it a template; without, the
  // user is asked where to save the workbook.
  void setSpreadsheetProgram(const QString& id, bool takesTemplates = true);
  // What the program of `id` was started with, once it has been; waits up to `ms`.
  std::optional<QStringList> recordedArguments(const QString& id, int ms = 10000) const;
  bool wasStarted(const QString& id) const;

  // Export options that save into this desktop's cache folder with the shipped logo.
  gui::GuiExportOptions exportOptions() const;

 private:
  QString recordFile(const QString& id) const { return root() + "/records/" + id; }
  QTemporaryDir dir_;
  QStringList defaults_;
};

// Steps to take on the dialogs that a call under test opens and runs. Each step is tried every
// few milliseconds from the event loop until it returns true; then the next one. A step that
// has not succeeded after `timeoutMs` fails the script and closes whatever modal dialog is
// open, so that the call under test returns.
class Script : public QObject {
 public:
  explicit Script(int timeoutMs = 20000);
  Script& then(std::function<bool()> step);
  bool finished() const { return next_ == steps_.size(); }
  // Which step is waiting, for a failure message.
  QString state() const;

 private:
  void tick();
  std::vector<std::function<bool()>> steps_;
  size_t next_ = 0;
  QTimer timer_;
  int timeoutMs_;
  int waited_ = 0;
  bool gaveUp_ = false;
};

// The active modal dialog, when it is of type T.
template <typename T>
T* activeModal() {
  return qobject_cast<T*>(QApplication::activeModalWidget());
}
// A visible top-level window of type T.
template <typename T>
T* visibleWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* window = qobject_cast<T*>(widget); window && window->isVisible()) return window;
  return nullptr;
}
// Clicks the button with that object name in `widget`; false when there is none.
bool clickButton(QWidget* widget, const QString& objectName);
// The text of the active message box; empty when none is active.
QString messageText();
// Presses the message box's OK.
bool acceptMessage();
// The save dialog, when it is the active modal dialog.
QFileDialog* saveDialog();
// Puts `name` (a file name or a path) into the save dialog's name field and clicks Save, or
// presses Escape there; false when no save dialog is up.
bool answerSaveDialog(const QString& name);
bool cancelSaveDialog();

// A PAS file of a water analysis with all header facts.
std::string fullPasText();
// `lines` water-analysis value lines after a header.
std::string bigPasText(int lines);
std::string sourceFile(const char* relative);  // a file of the source tree
std::string shippedLogo();                     // the logo beside the programs

// A source that holds the conversion at a chosen line until the test lets it go, and can
// pretend the file became unreadable there. It holds only once the lines have been counted
// (a pass that reached the end came before), so the conversion itself is what waits.
class GatedSource : public pas::LineSource {
 public:
  GatedSource(std::string bytes, size_t holdAtByte);
  // Waits until the conversion is held; false after `ms`.
  bool waitUntilHeld(int ms = 10000);
  void release();
  // From the hold on, reading fails as a broken disk would.
  void failAtHold(std::string message) { failure_ = std::move(message); }

 protected:
  size_t readRaw(char* buf, size_t n) override;
  void seekStart() override;
  void closeRaw() override {}

 private:
  std::string bytes_;
  size_t at_ = 0;
  size_t holdAt_;
  bool reachedEnd_ = false;
  std::string failure_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false, released_ = false;
};

}  // namespace tnw::guitest
