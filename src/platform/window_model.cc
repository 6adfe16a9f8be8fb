#include "platform/window_model.h"

#include <algorithm>
#include <utility>

namespace tarvik {

void WindowModel::SetWindow(std::string title, Rect place) {
  std::lock_guard<std::mutex> lock(mutex_);
  title_ = std::move(title);
  place_ = place;
}

std::string WindowModel::Title() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return title_;
}

Rect WindowModel::Place() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return place_;
}

int32_t WindowModel::AddControl(ControlSpec spec) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (byName_.count(spec.name) != 0) return -1;
  auto index = static_cast<int32_t>(controls_.size());
  byName_.emplace(spec.name, index);
  if (spec.kind == ControlKind::kStatusBar && statusBar_ < 0) statusBar_ = index;
  controls_.push_back(ControlState{index, std::move(spec), {}, {}});
  return index;
}

int32_t WindowModel::ControlCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int32_t>(controls_.size());
}

int32_t WindowModel::IndexOf(std::string_view name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = byName_.find(name);
  return it == byName_.end() ? -1 : it->second;
}

ControlSpec WindowModel::Control(int32_t index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (index < 0 || index >= static_cast<int32_t>(controls_.size())) return {};
  return controls_[index].spec;
}

std::string WindowModel::GetText(std::string_view name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const ControlState* control = FindAny(name);
  return control ? control->spec.text : std::string();
}

void WindowModel::SetText(std::string_view name, std::string_view text) {
  std::lock_guard<std::mutex> lock(mutex_);
  ControlState* control = FindAny(name);
  if (!control || control->spec.text == text) return;
  control->spec.text.assign(text);
  Record(*control, ChangeKind::kState, -1);
}

void WindowModel::SetEnabled(std::string_view name, bool enabled) {
  std::lock_guard<std::mutex> lock(mutex_);
  ControlState* control = FindAny(name);
  if (!control || control->spec.enabled == enabled) return;
  control->spec.enabled = enabled;
  Record(*control, ChangeKind::kState, -1);
}

bool WindowModel::IsEnabled(std::string_view name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const ControlState* control = FindAny(name);
  return control && control->spec.enabled;
}

bool WindowModel::GetTicked(std::string_view checkBox) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const ControlState* control = Find(checkBox, ControlKind::kCheckBox);
  return control && control->spec.ticked;
}

void WindowModel::SetTicked(std::string_view checkBox, bool ticked) {
  std::lock_guard<std::mutex> lock(mutex_);
  ControlState* control = Find(checkBox, ControlKind::kCheckBox);
  if (!control || control->spec.ticked == ticked) return;
  control->spec.ticked = ticked;
  Record(*control, ChangeKind::kState, -1);
}

int32_t WindowModel::ListAppendRow(std::string_view list) {
  std::lock_guard<std::mutex> lock(mutex_);
  ControlState* control = Find(list, ControlKind::kList);
  if (!control) return -1;
  auto row = static_cast<int32_t>(control->rows.size());
  control->rows.emplace_back(control->spec.columns.size());
  Record(*control, ChangeKind::kRowsAdded, row);
  return row;
}

void WindowModel::ListClear(std::string_view list) {
  std::lock_guard<std::mutex> lock(mutex_);
  ControlState* control = Find(list, ControlKind::kList);
  if (!control || control->rows.empty()) return;
  control->rows.clear();
  Record(*control, ChangeKind::kRowsCleared, 0);
}

void WindowModel::ListSetCell(std::string_view list, int32_t row, int32_t column,
                              std::string_view text) {
  std::lock_guard<std::mutex> lock(mutex_);
  ControlState* control = Find(list, ControlKind::kList);
  if (!control || row < 0 || row >= static_cast<int32_t>(control->rows.size())) return;
  auto& cells = control->rows[row];
  if (column < 0 || column >= static_cast<int32_t>(cells.size())) return;
  if (cells[column] == text) return;
  cells[column].assign(text);
  Record(*control, ChangeKind::kCell, row);
}

void WindowModel::ListShowRow(std::string_view list, int32_t row) {
  std::lock_guard<std::mutex> lock(mutex_);
  ControlState* control = Find(list, ControlKind::kList);
  if (!control || row < 0 || row >= static_cast<int32_t>(control->rows.size())) return;
  Record(*control, ChangeKind::kShowRow, row);
}

int32_t WindowModel::ListRowCount(std::string_view list) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const ControlState* control = Find(list, ControlKind::kList);
  return control ? static_cast<int32_t>(control->rows.size()) : 0;
}

std::string WindowModel::ListCell(std::string_view list, int32_t row, int32_t column) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const ControlState* control = Find(list, ControlKind::kList);
  if (!control || row < 0 || row >= static_cast<int32_t>(control->rows.size())) return {};
  const auto& cells = control->rows[row];
  if (column < 0 || column >= static_cast<int32_t>(cells.size())) return {};
  return cells[column];
}

int32_t WindowModel::ListRowCount(int32_t index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (index < 0 || index >= static_cast<int32_t>(controls_.size())) return 0;
  return static_cast<int32_t>(controls_[index].rows.size());
}

std::string WindowModel::ListCell(int32_t index, int32_t row, int32_t column) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (index < 0 || index >= static_cast<int32_t>(controls_.size())) return {};
  const auto& rows = controls_[index].rows;
  if (row < 0 || row >= static_cast<int32_t>(rows.size())) return {};
  if (column < 0 || column >= static_cast<int32_t>(rows[row].size())) return {};
  return rows[row][column];
}

void WindowModel::SetStatusText(int32_t pane, std::string_view text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (statusBar_ < 0) return;
  ControlState& bar = controls_[statusBar_];
  if (pane < 0 || pane >= static_cast<int32_t>(bar.spec.panes.size())) return;
  if (bar.spec.panes[pane].text == text) return;
  bar.spec.panes[pane].text.assign(text);
  Record(bar, ChangeKind::kState, -1);
}

std::string WindowModel::StatusText(int32_t pane) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (statusBar_ < 0) return {};
  const ControlState& bar = controls_[statusBar_];
  if (pane < 0 || pane >= static_cast<int32_t>(bar.spec.panes.size())) return {};
  return bar.spec.panes[pane].text;
}

std::vector<std::string> WindowModel::FindEditBoxes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> names;
  for (const auto& control : controls_) {
    if (control.spec.kind == ControlKind::kEdit || control.spec.kind == ControlKind::kSpinEdit) {
      names.push_back(control.spec.name);
    }
  }
  return names;
}

void WindowModel::SetClickHandler(std::string_view name, std::function<void()> handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  ControlState* control = Find(name, ControlKind::kButton);
  if (control) control->onClick = std::move(handler);
}

bool WindowModel::Click(std::string_view name) {
  std::function<void()> handler;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ControlState* control = Find(name, ControlKind::kButton);
    if (!control || !control->spec.enabled || !control->onClick) return false;
    handler = control->onClick;
  }
  // Run without the lock: the handler reads and changes controls itself.
  handler();
  return true;
}

ChangeBatch WindowModel::ChangesSince(uint64_t id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  ChangeBatch batch;
  batch.lastId = lastId_.load(std::memory_order_relaxed);
  if (id >= batch.lastId) return batch;
  if (id < firstLoggedAfter_) {
    batch.everything = true;
    return batch;
  }
  // Ids are consecutive, so the first change after |id| sits at a known place.
  auto first = log_.begin() + static_cast<std::ptrdiff_t>(id - firstLoggedAfter_);
  batch.changes.assign(first, log_.end());
  return batch;
}

WindowModel::ControlState* WindowModel::Find(std::string_view name, ControlKind kind) {
  ControlState* control = FindAny(name);
  return control && control->spec.kind == kind ? control : nullptr;
}

const WindowModel::ControlState* WindowModel::Find(std::string_view name, ControlKind kind) const {
  const ControlState* control = FindAny(name);
  return control && control->spec.kind == kind ? control : nullptr;
}

WindowModel::ControlState* WindowModel::FindAny(std::string_view name) {
  auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : &controls_[it->second];
}

const WindowModel::ControlState* WindowModel::FindAny(std::string_view name) const {
  auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : &controls_[it->second];
}

void WindowModel::Record(const ControlState& control, ChangeKind kind, int32_t row) {
  uint64_t id = lastId_.load(std::memory_order_relaxed) + 1;
  log_.push_back(Change{id, control.index, row, kind});
  if (log_.size() > kMaxLoggedChanges) {
    log_.pop_front();
    ++firstLoggedAfter_;
  }
  lastId_.store(id, std::memory_order_release);
}

}  // namespace tarvik
