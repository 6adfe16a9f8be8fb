#include "platform/qt/list_table_model.h"

#include <algorithm>

#include "platform/encoding.h"

namespace tarvik {
namespace {

QString ToQString(const std::string& gbk) { return QString::fromStdU16String(GbkToUtf16(gbk)); }

}  // namespace

ListTableModel::ListTableModel(WindowModel& model, int32_t index, QObject* parent)
    : QAbstractTableModel(parent), model_(model), index_(index) {
  for (const ListColumn& column : model_.Control(index_).columns) {
    headers_.push_back(ToQString(column.title));
  }
}

int ListTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int ListTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant ListTableModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  return ToQString(model_.ListCell(index_, index.row(), index.column()));
}

QVariant ListTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  if (section < 0 || section >= static_cast<int>(headers_.size())) return {};
  return headers_[section];
}

void ListTableModel::SyncRows() {
  int now = model_.ListRowCount(index_);
  if (now < rows_) {
    // The list was emptied (and perhaps refilled in part) since the last look.
    beginResetModel();
    rows_ = now;
    endResetModel();
    return;
  }
  if (now == rows_) return;
  beginInsertRows(QModelIndex(), rows_, now - 1);
  rows_ = now;
  endInsertRows();
}

void ListTableModel::Reset() {
  beginResetModel();
  rows_ = model_.ListRowCount(index_);
  endResetModel();
}

void ListTableModel::RowsChanged(int first, int last) {
  first = std::max(first, 0);
  last = std::min(last, rows_ - 1);
  if (first > last || headers_.empty()) return;
  emit dataChanged(index(first, 0), index(last, static_cast<int>(headers_.size()) - 1),
                   {Qt::DisplayRole});
}

}  // namespace tarvik
