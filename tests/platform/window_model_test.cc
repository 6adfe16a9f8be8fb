#include "platform/window_model.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/headless_toolkit.h"
#include "platform/pump_messages.h"

namespace tarvik {
namespace {

// A small window: an edit box, a spinner box, a check box, a button, a
// two-column list and a two-pane status bar.
ControlSpec Spec(const char* name, ControlKind kind, const char* text = "") {
  ControlSpec spec;
  spec.name = name;
  spec.kind = kind;
  spec.text = text;
  return spec;
}

void AddSampleControls(WindowModel& window) {
  window.AddControl(Spec("edit", ControlKind::kEdit, "a"));
  window.AddControl(Spec("label", ControlKind::kLabel, "caption"));
  window.AddControl(Spec("spin", ControlKind::kSpinEdit, "5"));
  ControlSpec check = Spec("check", ControlKind::kCheckBox);
  check.ticked = true;
  window.AddControl(check);
  window.AddControl(Spec("button", ControlKind::kButton, "go"));
  ControlSpec list = Spec("list", ControlKind::kList);
  list.columns = {{"one", 50}, {"two", 60}};
  window.AddControl(list);
  ControlSpec status = Spec("status", ControlKind::kStatusBar);
  status.panes = {{100, "p0"}, {100, "p1"}};
  window.AddControl(status);
}

TEST(WindowModelTest, OperationsActOnlyOnControlsOfTheirKind) {
  WindowModel window;
  AddSampleControls(window);
  EXPECT_EQ(window.AddControl(Spec("edit", ControlKind::kEdit)), -1);

  window.SetText("edit", "\xd6\xd0\r\n2");
  EXPECT_EQ(window.GetText("edit"), "\xd6\xd0\r\n2");
  window.SetText("nothing", "x");
  EXPECT_EQ(window.GetText("nothing"), "");

  window.SetTicked("check", false);
  EXPECT_FALSE(window.GetTicked("check"));
  window.SetTicked("edit", true);  // not a check box
  EXPECT_FALSE(window.GetTicked("edit"));

  EXPECT_EQ(window.ListAppendRow("edit"), -1);
  EXPECT_EQ(window.ListAppendRow("list"), 0);
  EXPECT_EQ(window.ListAppendRow("list"), 1);
  window.ListSetCell("list", 1, 1, "cell");
  // Rows and columns that do not exist are left alone.
  window.ListSetCell("list", 2, 0, "x");
  window.ListSetCell("list", -1, 0, "x");
  window.ListSetCell("list", 0, 2, "x");
  EXPECT_EQ(window.ListRowCount("list"), 2);
  EXPECT_EQ(window.ListCell("list", 1, 1), "cell");
  EXPECT_EQ(window.ListCell("list", 0, 0), "");

  window.SetStatusText(1, "new");
  window.SetStatusText(2, "none");
  EXPECT_EQ(window.StatusText(0), "p0");
  EXPECT_EQ(window.StatusText(1), "new");
  EXPECT_EQ(window.StatusText(2), "");

  EXPECT_EQ(window.FindEditBoxes(), (std::vector<std::string>{"edit", "spin"}));
}

TEST(WindowModelTest, ClickRunsTheHandlerOnlyWhenEnabled) {
  WindowModel window;
  AddSampleControls(window);
  int clicks = 0;
  EXPECT_FALSE(window.Click("button"));  // no handler yet
  window.SetClickHandler("button", [&] {
    ++clicks;
    window.SetEnabled("button", false);  // a handler may use the model
  });
  EXPECT_TRUE(window.Click("button"));
  EXPECT_FALSE(window.Click("button"));
  window.SetEnabled("button", true);
  EXPECT_TRUE(window.Click("button"));
  EXPECT_EQ(clicks, 2);
}

TEST(WindowModelTest, ChangesSinceListsEachChangeOnceInOrder) {
  WindowModel window;
  AddSampleControls(window);
  const int32_t edit = window.IndexOf("edit");
  const int32_t list = window.IndexOf("list");
  EXPECT_EQ(window.LastChangeId(), 0u);

  window.SetText("edit", "b");
  window.SetText("edit", "b");  // no change, no record
  uint64_t seen = window.LastChangeId();
  window.ListAppendRow("list");
  window.ListSetCell("list", 0, 1, "x");
  window.ListShowRow("list", 0);
  window.ListShowRow("list", 5);  // no such row

  ChangeBatch batch = window.ChangesSince(seen);
  EXPECT_FALSE(batch.everything);
  ASSERT_EQ(batch.changes.size(), 3u);
  EXPECT_EQ(batch.changes[0].kind, ChangeKind::kRowsAdded);
  EXPECT_EQ(batch.changes[1].kind, ChangeKind::kCell);
  EXPECT_EQ(batch.changes[2].kind, ChangeKind::kShowRow);
  for (const Change& change : batch.changes) EXPECT_EQ(change.control, list);
  EXPECT_EQ(batch.lastId, window.LastChangeId());
  EXPECT_EQ(window.ChangesSince(0).changes.front().control, edit);
  EXPECT_TRUE(window.ChangesSince(batch.lastId).changes.empty());
}

TEST(WindowModelTest, AViewTooFarBehindIsToldToRefreshEverything) {
  WindowModel window;
  AddSampleControls(window);
  window.ListAppendRow("list");
  for (int i = 0; i < 70000; ++i) window.ListSetCell("list", 0, 0, std::to_string(i));
  EXPECT_TRUE(window.ChangesSince(0).everything);
  uint64_t recent = window.LastChangeId() - 10;
  ChangeBatch batch = window.ChangesSince(recent);
  EXPECT_FALSE(batch.everything);
  EXPECT_EQ(batch.changes.size(), 10u);
  EXPECT_EQ(batch.changes.front().id, recent + 1);
}

// Runs under ThreadSanitizer: writers from many threads, readers and a
// change-following "view" at the same time; afterwards every write is there.
TEST(WindowModelConcurrencyTest, ConcurrentReadersAndWritersKeepEveryWrite) {
  WindowModel window;
  AddSampleControls(window);
  constexpr int kWriters = 6;
  constexpr int kRowsEach = 300;
  std::atomic<bool> done{false};

  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&window, w] {
      for (int i = 0; i < kRowsEach; ++i) {
        int32_t row = window.ListAppendRow("list");
        window.ListSetCell("list", row, 0, std::to_string(w));
        window.ListSetCell("list", row, 1, std::to_string(i));
        window.SetText("edit", std::to_string(i));
        window.SetStatusText(w % 2, std::to_string(i));
        window.SetTicked("check", i % 2 == 0);
      }
    });
  }
  std::thread reader([&] {
    uint64_t seen = 0;
    int32_t list = window.IndexOf("list");
    while (!done.load()) {
      ChangeBatch batch = window.ChangesSince(seen);
      for (const Change& change : batch.changes) {
        if (change.control == list) window.ListCell(list, change.row, 0);
      }
      seen = batch.lastId;
      window.GetText("edit");
      window.FindEditBoxes();
      window.Control(list);
    }
  });
  for (auto& writer : writers) writer.join();
  done = true;
  reader.join();

  ASSERT_EQ(window.ListRowCount("list"), kWriters * kRowsEach);
  std::set<std::pair<std::string, std::string>> rows;
  for (int32_t row = 0; row < kWriters * kRowsEach; ++row) {
    rows.emplace(window.ListCell("list", row, 0), window.ListCell("list", row, 1));
  }
  EXPECT_EQ(rows.size(), static_cast<size_t>(kWriters * kRowsEach));
  EXPECT_EQ(window.GetText("edit"), std::to_string(kRowsEach - 1));
}

TEST(HeadlessToolkitTest, BrowseAnswersFromTheScriptThenCancels) {
  HeadlessToolkit toolkit;
  toolkit.AddBrowseAnswer("/tmp/a");
  EXPECT_EQ(toolkit.BrowseFolder("first", false), "/tmp/a");
  EXPECT_EQ(toolkit.BrowseFolder("second", true), "");
  ASSERT_EQ(toolkit.Asked().size(), 2u);
  EXPECT_EQ(toolkit.Asked()[1].title, "second");
  EXPECT_TRUE(toolkit.Asked()[1].showFiles);
}

TEST(HeadlessToolkitTest, PumpRunsPostedTasksOnTheWindowThreadOnly) {
  HeadlessToolkit toolkit;
  toolkit.InstallPump();
  std::atomic<int> ran{0};
  std::thread worker([&] {
    toolkit.Post([&] { ++ran; });
    PumpMessages();  // not the window thread: nothing runs here
  });
  worker.join();
  EXPECT_EQ(ran.load(), 0);
  PumpMessages();
  EXPECT_EQ(ran.load(), 1);
}

}  // namespace
}  // namespace tarvik
