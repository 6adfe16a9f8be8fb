#include "platform/qt/qt_toolkit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "platform/encoding.h"

namespace tarvik {
namespace {

// Runs |answer| on the dialog once it is open.
void WhenDialogOpens(std::function<void(QFileDialog*)> answer) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    timer->stop();
    timer->deleteLater();
    // A failed answer must not leave the test waiting on an open dialog.
    QTimer::singleShot(10000, dialog, &QDialog::reject);
    answer(dialog);
  });
  timer->start(10);
}

// Types |path| into the dialog's name field and presses Enter.
void TypePath(QFileDialog* dialog, const QString& path) {
  auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
  ASSERT_NE(edit, nullptr);
  edit->setText(path);
  QTest::keyClick(edit, Qt::Key_Return);
}

class QtToolkitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QString::fromUtf8("图片")));
    QFile file(dir_.filePath("setsoft.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }

  QTemporaryDir dir_;
  QtToolkit toolkit_;
};

TEST_F(QtToolkitTest, TypedFileOrFolderIsChosenWhenFilesAreShown) {
  const QString folder = dir_.filePath(QString::fromUtf8("图片"));
  WhenDialogOpens([&](QFileDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("选择配置文件"));
    TypePath(dialog, folder);
  });
  EXPECT_EQ(GbkToUtf8(toolkit_.BrowseFolder(Utf8ToGbk("选择配置文件"), true)),
            folder.toStdString());

  WhenDialogOpens([&](QFileDialog* dialog) { TypePath(dialog, dir_.filePath("setsoft.ini")); });
  EXPECT_EQ(toolkit_.BrowseFolder("x", true), dir_.filePath("setsoft.ini").toStdString());
}

TEST_F(QtToolkitTest, FolderDialogPicksAFolderAndCancelGivesNothing) {
  const QString folder = dir_.filePath(QString::fromUtf8("图片"));
  WhenDialogOpens([&](QFileDialog* dialog) { TypePath(dialog, folder); });
  EXPECT_EQ(GbkToUtf8(toolkit_.BrowseFolder("x", false)), folder.toStdString());

  WhenDialogOpens([](QFileDialog* dialog) { dialog->reject(); });
  EXPECT_EQ(toolkit_.BrowseFolder("x", false), "");
}

}  // namespace
}  // namespace tarvik
