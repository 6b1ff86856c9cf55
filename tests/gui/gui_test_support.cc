#include "gui_test_support.h"

#include <QFile>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <cstring>

#include "app/qt/progress_window.h"

namespace tnw::guitest {

namespace {

bool writeText(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

}  // namespace

FakeDesktop::FakeDesktop() {
  for (const char* sub : {"data/applications", "config", "cache", "system", "system-config", "home", "bin", "records"})
    QDir().mkpath(root() + "/" + sub);
  qputenv("XDG_DATA_HOME", dataHome().toLocal8Bit());
  qputenv("XDG_CONFIG_HOME", configHome().toLocal8Bit());
  qputenv("XDG_CACHE_HOME", cacheHome().toLocal8Bit());
  qputenv("XDG_DATA_DIRS", (root() + "/system").toLocal8Bit());
  qputenv("XDG_CONFIG_DIRS", (root() + "/system-config").toLocal8Bit());
  qputenv("HOME", (root() + "/home").toLocal8Bit());
  qunsetenv("XDG_CURRENT_DESKTOP");
  // No session bus, no virtual file systems: nothing outside these folders hears of the tests.
  qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
  qputenv("GIO_USE_VFS", "local");
  // The user's documents folder, as xdg-user-dirs writes it down.
  QDir().mkpath(documents());
  writeText(configHome() + "/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n");
}

QString FakeDesktop::addRecordingProgram(const QString& id, const QString& mimeTypes, const QString& programPath) {
  QString program = programPath.isEmpty() ? root() + "/bin/" + QString(id).replace(".desktop", "") : programPath;
  QString record = recordFile(id);
  QByteArray script = "#!/bin/sh\n"
                      "printf '%s\\0' \"$@\" > '" + QFile::encodeName(record) + ".part' && mv '" +
                      QFile::encodeName(record) + ".part' '" + QFile::encodeName(record) + "'\n";
  writeText(program, script);
  QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  QString exec = program;
  exec.replace("\\", "\\\\\\\\").replace("\"", "\\\\\"");
  QByteArray entry = "[Desktop Entry]\nType=Application\nName=" + QString(id).replace(".desktop", "").toUtf8() +
                     "\nExec=\"" + exec.toUtf8() + "\" %f\nMimeType=" + mimeTypes.toUtf8() + ";\n";
  writeText(dataHome() + "/applications/" + id, entry);
  return program;
}

void FakeDesktop::setDefault(const QString& mimeType, const QString& id) {
  defaults_.removeIf([&](const QString& line) { return line.startsWith(mimeType + "="); });
  if (!id.isEmpty()) defaults_ << mimeType + "=" + id + ";";
  writeText(configHome() + "/mimeapps.list", ("[Default Applications]\n" + defaults_.join("\n") + "\n").toUtf8());
}

void FakeDesktop::setSpreadsheetProgram(const QString& id, bool takesTemplates) {
  addRecordingProgram(id, QString(gui::desktop::kWorkbookType) + (takesTemplates ? ";" : "") +
                              (takesTemplates ? gui::desktop::kTemplateType : ""));
  setDefault(gui::desktop::kWorkbookType, id);
  setDefault(gui::desktop::kTemplateType, takesTemplates ? id : QString());
}

std::optional<QStringList> FakeDesktop::recordedArguments(const QString& id, int ms) const {
  QFile file(recordFile(id));
  for (int waited = 0; !file.exists(); waited += 20) {
    if (waited > ms) return std::nullopt;
    QTest::qWait(20);
  }
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  QStringList arguments;
  for (const QByteArray& part : file.readAll().split('\0')) arguments << QFile::decodeName(part);
  if (!arguments.isEmpty() && arguments.back().isEmpty()) arguments.pop_back();
  return arguments;
}

bool FakeDesktop::wasStarted(const QString& id) const { return QFile::exists(recordFile(id)); }

gui::GuiExportOptions FakeDesktop::exportOptions() const {
  gui::GuiExportOptions options;
  options.logoPath = shippedLogo();
  options.folder = exportFolder().toStdString();
  options.refreshMilliseconds = 10;
  return options;
}

Script::Script(int timeoutMs) : timeoutMs_(timeoutMs) {
  connect(&timer_, &QTimer::timeout, this, &Script::tick);
  timer_.start(10);
}

Script& Script::then(std::function<bool()> step) {
  steps_.push_back(std::move(step));
  return *this;
}

QString Script::state() const {
  if (finished()) return "finished";
  return QString("step %1 of %2 did not happen%3").arg(next_ + 1).arg(steps_.size()).arg(gaveUp_ ? " in time" : "");
}

void Script::tick() {
  if (gaveUp_) {
    // Unblock the call under test: close whatever it is waiting on.
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    if (auto* progress = visibleWindow<gui::StatusWnd>()) progress->close();
    return;
  }
  if (finished()) return;
  if (steps_[next_]()) {
    ++next_;
    waited_ = 0;
  } else if ((waited_ += 10) > timeoutMs_) {
    gaveUp_ = true;
  }
}

bool clickButton(QWidget* widget, const QString& objectName) {
  auto* button = widget ? widget->findChild<QPushButton*>(objectName) : nullptr;
  if (!button) return false;
  QTest::mouseClick(button, Qt::LeftButton);
  return true;
}

QString messageText() {
  auto* box = activeModal<QMessageBox>();
  return box ? box->text() : QString();
}

bool acceptMessage() {
  auto* box = activeModal<QMessageBox>();
  if (!box) return false;
  QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
  return true;
}

QFileDialog* saveDialog() {
  auto* dialog = activeModal<QFileDialog>();
  return dialog && dialog->acceptMode() == QFileDialog::AcceptSave ? dialog : nullptr;
}

bool answerSaveDialog(const QString& name) {
  auto* field = saveDialog() ? saveDialog()->findChild<QLineEdit*>("fileNameEdit") : nullptr;
  if (!field || !field->isVisible()) return false;
  // At once, as a paste gives it: typed key by key, a path has the dialog select each folder
  // on the way as the name so far.
  field->setText(name);
  QPushButton* save = saveDialog()->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save);
  // Once this step is over: the click may ask whether to replace a file, modally, and the
  // script's timer would not fire again until that question is answered.
  QTimer::singleShot(0, save, [save] { QTest::mouseClick(save, Qt::LeftButton); });
  return true;
}

bool cancelSaveDialog() {
  if (!saveDialog()) return false;
  QTest::keyClick(saveDialog(), Qt::Key_Escape);
  return true;
}

std::string fullPasText() {
  return "# A water analysis written for the tests.\n"
         "~VERSION,TYPE.,WAN,PAS file Type,\n"
         "~VERSION,VERS.,2.0,PAS file version,\n"
         "~WELL INFORMATION,UWI.,102/14-09-062-22W4/00,Unique Well ID,\n"
         "~WELL INFORMATION,COMP.,Hollowmere Exploration Ltd.,Company Name,\n"
         "~WELL INFORMATION,FORM.,Leduc,Formation Name,\n"
         "~CATIONS,NA.MG/L,48210,Sodium,\n"
         "~ANIONS,CL.MG/L,95300,Chloride,\n";
}

std::string bigPasText(int lines) {
  std::string text = "~VERSION,TYPE.,WAN,PAS file Type,\n~VERSION,VERS.,2.0,PAS file version,\n";
  text.reserve(text.size() + static_cast<size_t>(lines) * 36);
  for (int i = 0; i < lines; ++i) text += "~CATIONS,NA.MG/L," + std::to_string(1000 + i % 9000) + ".25,Sodium,\n";
  return text;
}

std::string sourceFile(const char* relative) { return std::string(TARNWELL_SOURCE_DIR) + "/" + relative; }

std::string shippedLogo() { return std::string(TARNWELL_BIN_DIR) + "/Tarnwell.GIF"; }

GatedSource::GatedSource(std::string bytes, size_t holdAtByte) : bytes_(std::move(bytes)), holdAt_(holdAtByte) {}

bool GatedSource::waitUntilHeld(int ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return held_; });
}

void GatedSource::release() {
  std::lock_guard<std::mutex> lock(mutex_);
  released_ = true;
  changed_.notify_all();
}

size_t GatedSource::readRaw(char* buf, size_t n) {
  size_t take = std::min(n, bytes_.size() - at_);
  if (reachedEnd_ && at_ <= holdAt_ && at_ + take > holdAt_) {
    if (at_ < holdAt_) {
      take = holdAt_ - at_;  // up to the hold, and no further for now
    } else {
      std::unique_lock<std::mutex> lock(mutex_);
      held_ = true;
      changed_.notify_all();
      // Never for ever: a test that forgets to let go fails instead of hanging.
      changed_.wait_for(lock, std::chrono::seconds(30), [this] { return released_; });
      holdAt_ = bytes_.size() + 1;
      if (!failure_.empty()) {
        failed_ = true;
        error_ = failure_;
        return 0;
      }
    }
  }
  std::memcpy(buf, bytes_.data() + at_, take);
  at_ += take;
  if (take == 0) reachedEnd_ = true;
  return take;
}

void GatedSource::seekStart() { at_ = 0; }

}  // namespace tnw::guitest
