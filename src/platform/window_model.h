// WindowModel: the state of one window's controls, the only truth about them.
//
// Controls are addressed by name (GBK bytes). Every operation may be called
// from any thread, takes the model's one mutex for its own duration only and
// has finished when it returns: nothing here ever waits for the window thread.
// A view (the Qt window, or nothing at all in a headless run) learns what to
// repaint by asking ChangesSince(id); every change gets a rising id.
//
// Texts are GBK bytes. Operations on a name the window does not have, or on a
// control of the wrong kind, change nothing and read as empty / false / -1.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/control_spec.h"

namespace tarvik {

// What a change touched. Rows are only meaningful for list views.
enum class ChangeKind {
  kState,        // text, caption, tick or enabled state of |control|
  kRowsAdded,    // |control| (a list view) has more rows; |row| is the first new one
  kRowsCleared,  // every row of |control| (a list view) was removed
  kCell,         // a cell of row |row| of |control| changed
  kShowRow,      // the window should scroll row |row| of |control| into view
};

struct Change {
  uint64_t id = 0;
  int32_t control = -1;  // index as given by AddControl
  int32_t row = -1;
  ChangeKind kind = ChangeKind::kState;
};

struct ChangeBatch {
  uint64_t lastId = 0;          // ask for the next batch with this id
  bool everything = false;      // too much changed to list: refresh every control
  std::vector<Change> changes;  // in id order
};

class WindowModel {
 public:
  WindowModel() = default;
  WindowModel(const WindowModel&) = delete;
  WindowModel& operator=(const WindowModel&) = delete;

  // The window's own caption and outer place.
  void SetWindow(std::string title, Rect place);
  std::string Title() const;
  Rect Place() const;

  // Adds a control and returns its index (controls keep the order they were
  // added in). Returns -1 and adds nothing when the name is already taken.
  int32_t AddControl(ControlSpec spec);

  int32_t ControlCount() const;
  // Index of the control named |name|, or -1.
  int32_t IndexOf(std::string_view name) const;
  // A copy of control |index| as it is now (list rows not included); a
  // default ControlSpec for a bad index.
  ControlSpec Control(int32_t index) const;

  // Text of an edit box (the caption of other controls); empty when unknown.
  std::string GetText(std::string_view name) const;
  // Replaces the text of an edit box (or the caption of another control).
  void SetText(std::string_view name, std::string_view text);

  void SetEnabled(std::string_view name, bool enabled);
  bool IsEnabled(std::string_view name) const;

  bool GetTicked(std::string_view checkBox) const;
  void SetTicked(std::string_view checkBox, bool ticked);

  // Adds an empty row at the end of a list view; returns its index (from 0),
  // or -1 when |list| is not a list view.
  int32_t ListAppendRow(std::string_view list);
  // Removes every row of a list view.
  void ListClear(std::string_view list);
  // Sets one cell; a row or column that does not exist is left alone.
  void ListSetCell(std::string_view list, int32_t row, int32_t column, std::string_view text);
  // Asks the view to scroll |row| into view; a row that does not exist is ignored.
  void ListShowRow(std::string_view list, int32_t row);
  int32_t ListRowCount(std::string_view list) const;
  std::string ListCell(std::string_view list, int32_t row, int32_t column) const;
  // As the two above, by control index, for the view.
  int32_t ListRowCount(int32_t index) const;
  std::string ListCell(int32_t index, int32_t row, int32_t column) const;

  // Replaces the text of pane |pane| of the window's (first) status bar;
  // a pane that does not exist is left alone.
  void SetStatusText(int32_t pane, std::string_view text);
  std::string StatusText(int32_t pane) const;

  // Names of the edit boxes (spinner boxes included), in control order.
  std::vector<std::string> FindEditBoxes() const;

  // Sets what clicking button |name| runs.
  void SetClickHandler(std::string_view name, std::function<void()> handler);
  // Runs the click handler of button |name| on the calling thread, which the
  // caller guarantees is the window thread. A disabled button, or one without
  // a handler, does nothing. Returns true when a handler ran.
  bool Click(std::string_view name);

  // Id of the latest change (0 before any). Cheap; any thread.
  uint64_t LastChangeId() const { return lastId_.load(std::memory_order_acquire); }
  // The changes made after change |id|.
  ChangeBatch ChangesSince(uint64_t id) const;

 private:
  struct ControlState {
    int32_t index = -1;
    ControlSpec spec;
    std::vector<std::vector<std::string>> rows;  // list views only
    std::function<void()> onClick;
  };

  // Lets the name map be searched with a string_view.
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
  };

  // Most changes kept for ChangesSince; older viewers get "everything".
  static constexpr size_t kMaxLoggedChanges = 1 << 16;

  ControlState* Find(std::string_view name, ControlKind kind);
  const ControlState* Find(std::string_view name, ControlKind kind) const;
  ControlState* FindAny(std::string_view name);
  const ControlState* FindAny(std::string_view name) const;
  void Record(const ControlState& control, ChangeKind kind, int32_t row);

  mutable std::mutex mutex_;
  std::string title_;                                                           // guarded by mutex_
  Rect place_;                                                                  // guarded by mutex_
  std::deque<ControlState> controls_;                                           // guarded by mutex_
  std::unordered_map<std::string, int32_t, NameHash, std::equal_to<>> byName_;  // guarded by mutex_
  int32_t statusBar_ = -1;                                                      // guarded by mutex_
  std::deque<Change> log_;                                                      // guarded by mutex_
  uint64_t firstLoggedAfter_ = 0;    // log_ holds every change after this id; guarded by mutex_
  std::atomic<uint64_t> lastId_{0};  // written under mutex_
};

}  // namespace tarvik
