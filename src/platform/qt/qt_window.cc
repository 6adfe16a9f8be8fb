#include "platform/qt/qt_window.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "platform/encoding.h"
#include "platform/qt/list_table_model.h"
#include "text/text.h"

namespace tarvik {
namespace {

QString ToQString(const std::string& gbk) { return QString::fromStdU16String(GbkToUtf16(gbk)); }

std::string ToGbk(const QString& text) { return Utf16ToGbk(text.toStdU16String()); }

void Place(QWidget* widget, const Rect& place) {
  widget->setGeometry(place.x, place.y, place.width, place.height);
}

// What one batch of changes means for one list view.
struct ListWork {
  bool rowsAdded = false;
  bool cleared = false;
  int firstChanged = -1;
  int lastChanged = -1;
  int showRow = -1;
};

}  // namespace

QtWindow::QtWindow(WindowModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  Build();
  connect(&timer_, &QTimer::timeout, this, &QtWindow::Refresh);
  timer_.start(kRefreshMilliseconds);
}

QtWindow::~QtWindow() = default;

void QtWindow::Build() {
  // Everything the widgets show from here on comes from Refresh.
  seen_ = model_.LastChangeId();
  setWindowTitle(ToQString(model_.Title()));
  const int32_t count = model_.ControlCount();
  widgets_.assign(count, nullptr);
  lists_.assign(count, nullptr);
  panes_.assign(count, {});
  specs_.resize(count);

  int clientWidth = 0;
  int clientHeight = 0;
  for (int32_t i = 0; i < count; ++i) {
    specs_[i] = model_.Control(i);
    const ControlSpec& spec = specs_[i];
    QWidget* parent = this;
    if (spec.tab >= 0 && spec.tab < i && widgets_[spec.tab]) parent = widgets_[spec.tab];
    widgets_[i] = MakeWidget(i, spec, parent);
    Place(widgets_[i], spec.place);
    if (parent == this) {
      clientWidth = std::max(clientWidth, spec.place.x + spec.place.width);
      clientHeight = std::max(clientHeight, spec.place.y + spec.place.height);
    }
  }
  // The model gives the outer place; the client area is what the controls need.
  Rect place = model_.Place();
  move(place.x, place.y);
  resize(std::max(clientWidth, 1), std::max(clientHeight, 1));
  for (int32_t i = 0; i < count; ++i) {
    if (specs_[i].kind == ControlKind::kTab) ShowPageControls(i, 0);
  }
  ApplyAll();
}

QWidget* QtWindow::MakeWidget(int32_t index, const ControlSpec& spec, QWidget* parent) {
  const std::string name = spec.name;
  switch (spec.kind) {
    case ControlKind::kTab: {
      auto* tabs = new QTabWidget(parent);
      for (const std::string& page : spec.pages) tabs->addTab(new QWidget(tabs), ToQString(page));
      connect(tabs, &QTabWidget::currentChanged, this,
              [this, index](int page) { ShowPageControls(index, page); });
      return tabs;
    }
    case ControlKind::kLabel:
      return new QLabel(parent);
    case ControlKind::kEdit: {
      auto* edit = new QLineEdit(parent);
      connect(edit, &QLineEdit::textEdited, this,
              [this, name](const QString& text) { model_.SetText(name, ToGbk(text)); });
      return edit;
    }
    case ControlKind::kSpinEdit: {
      auto* spin = new QSpinBox(parent);
      spin->setRange(spec.spinMin, spec.spinMax);
      // Signals are blocked while the model's text is applied, so this only
      // hears the user.
      connect(spin, &QSpinBox::textChanged, this,
              [this, name](const QString& text) { model_.SetText(name, ToGbk(text)); });
      return spin;
    }
    case ControlKind::kCheckBox: {
      auto* check = new QCheckBox(parent);
      connect(check, &QCheckBox::clicked, this,
              [this, name](bool ticked) { model_.SetTicked(name, ticked); });
      return check;
    }
    case ControlKind::kButton: {
      auto* button = new QPushButton(parent);
      connect(button, &QPushButton::clicked, this, [this, name] { model_.Click(name); });
      return button;
    }
    case ControlKind::kList: {
      auto* view = new QTableView(parent);
      auto* table = new ListTableModel(model_, index, view);
      lists_[index] = table;
      view->setModel(table);
      view->verticalHeader()->hide();
      view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
      view->verticalHeader()->setDefaultSectionSize(20);
      view->setSelectionBehavior(QAbstractItemView::SelectRows);
      view->setEditTriggers(QAbstractItemView::NoEditTriggers);
      view->setShowGrid(false);
      view->setWordWrap(false);
      for (size_t c = 0; c < spec.columns.size(); ++c) {
        view->setColumnWidth(static_cast<int>(c), spec.columns[c].width);
      }
      table->SyncRows();
      return view;
    }
    case ControlKind::kStatusBar: {
      auto* bar = new QStatusBar(parent);
      bar->setSizeGripEnabled(false);
      for (const StatusPane& pane : spec.panes) {
        auto* label = new QLabel(bar);
        label->setFixedWidth(pane.width);
        bar->addWidget(label);
        panes_[index].push_back(label);
      }
      return bar;
    }
  }
  return new QWidget(parent);
}

void QtWindow::Refresh() {
  if (model_.LastChangeId() == seen_) return;
  ChangeBatch batch = model_.ChangesSince(seen_);
  seen_ = batch.lastId;
  if (batch.everything) {
    ApplyAll();
    return;
  }
  // Coalesce: each control's state is applied once, each list gets at most
  // one row insertion and one changed range per refresh.
  std::set<int32_t> states;
  std::map<int32_t, ListWork> lists;
  for (const Change& change : batch.changes) {
    if (change.control < 0 || change.control >= static_cast<int32_t>(widgets_.size())) continue;
    switch (change.kind) {
      case ChangeKind::kState:
        states.insert(change.control);
        break;
      case ChangeKind::kRowsAdded:
        lists[change.control].rowsAdded = true;
        break;
      case ChangeKind::kRowsCleared:
        lists[change.control].cleared = true;
        break;
      case ChangeKind::kCell: {
        ListWork& work = lists[change.control];
        work.firstChanged =
            work.firstChanged < 0 ? change.row : std::min(work.firstChanged, change.row);
        work.lastChanged = std::max(work.lastChanged, change.row);
        break;
      }
      case ChangeKind::kShowRow:
        lists[change.control].showRow = change.row;
        break;
    }
  }
  for (int32_t index : states) ApplyState(index);
  for (const auto& [index, work] : lists) {
    ListTableModel* table = lists_[index];
    if (!table) continue;
    // Rows emptied and refilled since the last look may number as many as
    // before: only a reset makes the view forget what it painted.
    if (work.cleared) {
      table->Reset();
    } else if (work.rowsAdded) {
      table->SyncRows();
    }
    if (work.firstChanged >= 0) table->RowsChanged(work.firstChanged, work.lastChanged);
    if (work.showRow >= 0) {
      // The view grows its scroll range for new rows only when it lays
      // itself out again, so scrolling at once would stop short of the
      // newest rows: scroll once the pending layout has run.
      auto* view = static_cast<QTableView*>(widgets_[index]);
      QPersistentModelIndex row(table->index(work.showRow, 0));
      // A zero timer runs after the view's own delayed layout timer.
      QTimer::singleShot(0, view, [view, row] {
        if (!row.isValid()) return;
        if (row.row() == row.model()->rowCount() - 1) {
          view->scrollToBottom();
        } else {
          view->scrollTo(row);
        }
      });
    }
  }
}

void QtWindow::ApplyAll() {
  for (int32_t i = 0; i < static_cast<int32_t>(widgets_.size()); ++i) {
    ApplyState(i);
    if (lists_[i]) {
      lists_[i]->SyncRows();
      lists_[i]->RowsChanged(0, model_.ListRowCount(i) - 1);
    }
  }
}

void QtWindow::ApplyState(int32_t index) {
  ControlSpec spec = model_.Control(index);
  QWidget* widget = widgets_[index];
  widget->setEnabled(spec.enabled);
  const QString text = ToQString(spec.text);
  switch (spec.kind) {
    case ControlKind::kLabel:
      static_cast<QLabel*>(widget)->setText(text);
      break;
    case ControlKind::kEdit: {
      auto* edit = static_cast<QLineEdit*>(widget);
      // Setting an equal text would only move the user's cursor.
      if (edit->text() != text) {
        edit->setText(text);
        // Show the start of a long text unless the user is editing it.
        if (!edit->hasFocus()) edit->setCursorPosition(0);
      }
      break;
    }
    case ControlKind::kSpinEdit: {
      auto* spin = static_cast<QSpinBox*>(widget);
      if (spin->text() != text) {
        QSignalBlocker quiet(spin);
        spin->setValue(ToInt(spec.text));
      }
      break;
    }
    case ControlKind::kCheckBox: {
      auto* check = static_cast<QCheckBox*>(widget);
      check->setText(text);
      check->setChecked(spec.ticked);
      break;
    }
    case ControlKind::kButton:
      static_cast<QPushButton*>(widget)->setText(text);
      break;
    case ControlKind::kStatusBar: {
      const auto& labels = panes_[index];
      for (size_t i = 0; i < labels.size() && i < spec.panes.size(); ++i) {
        labels[i]->setText(ToQString(spec.panes[i].text));
      }
      break;
    }
    case ControlKind::kTab:
    case ControlKind::kList:
      break;
  }
}

void QtWindow::ShowPageControls(int32_t tab, int page) {
  for (size_t i = 0; i < specs_.size(); ++i) {
    if (specs_[i].tab != tab) continue;
    widgets_[i]->setVisible(specs_[i].page == page);
    widgets_[i]->raise();
  }
}

void QtWindow::ShowPage(int page) {
  for (size_t i = 0; i < specs_.size(); ++i) {
    if (specs_[i].kind == ControlKind::kTab) {
      static_cast<QTabWidget*>(widgets_[i])->setCurrentIndex(page);
      return;
    }
  }
}

QWidget* QtWindow::ControlWidget(std::string_view name) const {
  int32_t index = model_.IndexOf(name);
  if (index < 0 || index >= static_cast<int32_t>(widgets_.size())) return nullptr;
  return widgets_[index];
}

}  // namespace tarvik
