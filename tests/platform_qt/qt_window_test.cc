#include "platform/qt/qt_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/pump_messages.h"
#include "platform/qt/qt_toolkit.h"

namespace tarvik {
namespace {

ControlSpec Spec(const char* name, ControlKind kind, const char* text, Rect place) {
  ControlSpec spec;
  spec.name = name;
  spec.kind = kind;
  spec.text = text;
  spec.place = place;
  return spec;
}

class QtWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model_.SetWindow("\xB4\xB0", Rect{50, 50, 400, 300});  // 窗
    ControlSpec tab = Spec("tab", ControlKind::kTab, "", {2, 0, 396, 260});
    tab.pages = {"one", "two"};
    int32_t tabIndex = model_.AddControl(tab);
    ControlSpec status = Spec("status", ControlKind::kStatusBar, "", {0, 260, 400, 20});
    status.panes = {{100, "a"}, {100, "b"}};
    model_.AddControl(status);
    auto onPage = [&](ControlSpec spec, int page) {
      spec.tab = tabIndex;
      spec.page = page;
      model_.AddControl(spec);
    };
    ControlSpec list = Spec("list", ControlKind::kList, "", {8, 30, 380, 180});
    list.columns = {{"n", 50}, {"\xC3\xFB", 100}, {"x", 80}};
    onPage(list, 0);
    onPage(Spec("button", ControlKind::kButton, "go", {8, 220, 80, 30}), 0);
    onPage(Spec("edit", ControlKind::kEdit, "\xD6\xD0", {8, 30, 200, 24}), 1);
    ControlSpec spin = Spec("spin", ControlKind::kSpinEdit, "5", {8, 60, 60, 24});
    spin.spinMin = 1;
    spin.spinMax = 100;
    onPage(spin, 1);
    ControlSpec check = Spec("check", ControlKind::kCheckBox, "c", {8, 90, 100, 24});
    check.ticked = true;
    onPage(check, 1);
    window_ = std::make_unique<QtWindow>(model_);
    window_->show();
  }

  template <typename T>
  T* Widget(const char* name) {
    return qobject_cast<T*>(window_->ControlWidget(name));
  }

  WindowModel model_;
  std::unique_ptr<QtWindow> window_;
};

TEST_F(QtWindowTest, WidgetsShowTheModelAndPagesSwitch) {
  EXPECT_EQ(window_->windowTitle(), QString::fromUtf8("窗"));
  EXPECT_EQ(Widget<QLineEdit>("edit")->text(), QString::fromUtf8("中"));
  EXPECT_EQ(Widget<QSpinBox>("spin")->value(), 5);
  EXPECT_TRUE(Widget<QCheckBox>("check")->isChecked());
  EXPECT_EQ(Widget<QTableView>("list")->columnWidth(1), 100);
  EXPECT_EQ(Widget<QTableView>("list")->geometry(), QRect(8, 30, 380, 180));
  EXPECT_TRUE(Widget<QTableView>("list")->isVisible());
  EXPECT_FALSE(Widget<QLineEdit>("edit")->isVisible());
  window_->ShowPage(1);
  EXPECT_FALSE(Widget<QTableView>("list")->isVisible());
  EXPECT_TRUE(Widget<QLineEdit>("edit")->isVisible());
}

TEST_F(QtWindowTest, UserInputReachesTheModel) {
  window_->ShowPage(1);
  QLineEdit* edit = Widget<QLineEdit>("edit");
  edit->selectAll();
  QTest::keyClicks(edit, "typed");
  EXPECT_EQ(model_.GetText("edit"), "typed");

  QSpinBox* spin = Widget<QSpinBox>("spin");
  spin->selectAll();
  QTest::keyClicks(spin, "42");
  EXPECT_EQ(model_.GetText("spin"), "42");

  QTest::mouseClick(Widget<QCheckBox>("check"), Qt::LeftButton, {}, QPoint(8, 12));
  EXPECT_FALSE(model_.GetTicked("check"));

  // The model's own change to an unchanged text does not disturb the widget.
  window_->Refresh();
  EXPECT_EQ(edit->text(), "typed");
}

TEST_F(QtWindowTest, WorkerChangesShowInTheWidgets) {
  std::thread worker([this] {
    model_.SetText("edit", "\xB9\xA4");  // 工
    model_.SetText("spin", "12abc");
    model_.SetTicked("check", false);
    model_.SetEnabled("button", false);
    model_.SetStatusText(1, "\xD7\xB4");  // 状
    model_.ListAppendRow("list");
    model_.ListSetCell("list", 0, 1, "\xC3\xFB");
  });
  worker.join();
  // The view pulls on its timer: wait for it, however slow the machine is.
  QTRY_COMPARE_WITH_TIMEOUT(Widget<QLineEdit>("edit")->text(), QString::fromUtf8("工"), 10000);
  EXPECT_EQ(Widget<QSpinBox>("spin")->value(), 12);
  EXPECT_EQ(model_.GetText("spin"), "12abc");  // showing it does not rewrite it
  EXPECT_FALSE(Widget<QCheckBox>("check")->isChecked());
  EXPECT_FALSE(Widget<QPushButton>("button")->isEnabled());
  QList<QLabel*> panes = Widget<QStatusBar>("status")->findChildren<QLabel*>();
  ASSERT_EQ(panes.size(), 2);
  EXPECT_EQ(panes[1]->text(), QString::fromUtf8("状"));
  QAbstractItemModel* table = Widget<QTableView>("list")->model();
  ASSERT_EQ(table->rowCount(), 1);
  EXPECT_EQ(table->index(0, 1).data().toString(), QString::fromUtf8("名"));
}

// A list emptied and refilled to as many rows between two refreshes once
// kept painting the old rows: the view must be told to forget them.
TEST_F(QtWindowTest, ListClearedAndRefilledBetweenRefreshesIsRepainted) {
  for (int i = 0; i < 3; ++i) model_.ListSetCell("list", model_.ListAppendRow("list"), 0, "old");
  window_->Refresh();
  QAbstractItemModel* table = Widget<QTableView>("list")->model();
  QSignalSpy resets(table, &QAbstractItemModel::modelReset);
  model_.ListClear("list");
  for (int i = 0; i < 3; ++i) model_.ListAppendRow("list");
  window_->Refresh();
  EXPECT_EQ(resets.count(), 1);
  ASSERT_EQ(table->rowCount(), 3);
  EXPECT_EQ(table->index(0, 0).data().toString(), "");
}

TEST_F(QtWindowTest, ClickRunsItsHandlerOnTheWindowThread) {
  QThread* handlerThread = nullptr;
  model_.SetClickHandler("button", [&] { handlerThread = QThread::currentThread(); });
  QTest::mouseClick(Widget<QPushButton>("button"), Qt::LeftButton);
  EXPECT_EQ(handlerThread, QThread::currentThread());
  EXPECT_EQ(handlerThread, qApp->thread());
}

TEST_F(QtWindowTest, ManyWorkersWritingCellsWhileTheViewRepaints) {
  constexpr int kRows = 500;
  constexpr int kThreads = 8;
  constexpr int kWritesEach = 10000 / kThreads;
  for (int i = 0; i < kRows; ++i) model_.ListAppendRow("list");
  QTableView* view = Widget<QTableView>("list");
  std::atomic<int> finished{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([&, t] {
      for (int i = 0; i < kWritesEach; ++i) {
        int row = (i * 7 + t * 13) % kRows;
        model_.ListSetCell("list", row, t % 3, std::to_string(t) + ":" + std::to_string(i));
        if (i % 100 == 0) model_.ListShowRow("list", row);
      }
      ++finished;
    });
  }
  while (finished.load() < kThreads) {
    QCoreApplication::processEvents();
    view->viewport()->repaint();
  }
  for (auto& worker : workers) worker.join();
  window_->Refresh();

  QAbstractItemModel* table = view->model();
  ASSERT_EQ(table->rowCount(), kRows);
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < 3; ++column) {
      ASSERT_EQ(table->index(row, column).data().toString().toStdString(),
                model_.ListCell("list", row, column));
    }
  }
}

TEST_F(QtWindowTest, PumpMessagesRunsQtEventsOnTheWindowThreadOnly) {
  QtToolkit::InstallPump();
  bool ran = false;
  QMetaObject::invokeMethod(
      qApp, [&] { ran = true; }, Qt::QueuedConnection);
  std::thread([] { PumpMessages(); }).join();
  EXPECT_FALSE(ran);
  PumpMessages();
  EXPECT_TRUE(ran);
  SetPumpMessagesHook({});
}

}  // namespace
}  // namespace tarvik
