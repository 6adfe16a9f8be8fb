#include "platform/qt/qt_toolkit.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QThread>

#include "platform/encoding.h"
#include "platform/pump_messages.h"

namespace tarvik {
namespace {

// A file dialog that also accepts an existing folder, whether it was
// selected or typed, so one dialog picks either.
class FileOrFolderDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;

  void accept() override {
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && QFileInfo::exists(files.first())) {
      chosen_ = files.first();
      // QFileDialog::accept would open a folder instead of choosing it.
      QDialog::accept();  // NOLINT(bugprone-parent-virtual-call)
      return;
    }
    QFileDialog::accept();
  }

  QString Chosen() const {
    if (!chosen_.isEmpty()) return chosen_;
    const QStringList files = selectedFiles();
    return files.isEmpty() ? QString() : files.first();
  }

 private:
  QString chosen_;
};

}  // namespace

std::string QtToolkit::BrowseFolder(std::string_view title, bool showFiles) {
  FileOrFolderDialog dialog(parent_, QString::fromStdU16String(GbkToUtf16(title)));
  // Qt's own dialog on every platform: native ones cannot pick "a file or a folder".
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (showFiles) {
    dialog.setFileMode(QFileDialog::AnyFile);
  } else {
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
  }
  if (dialog.exec() != QDialog::Accepted) return {};
  return Utf16ToGbk(dialog.Chosen().toStdU16String());
}

void QtToolkit::InstallPump() {
  QThread* windowThread = QThread::currentThread();
  SetPumpMessagesHook([windowThread] {
    if (QThread::currentThread() == windowThread) QCoreApplication::processEvents();
  });
}

}  // namespace tarvik
