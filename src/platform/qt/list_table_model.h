// ListTableModel: a report-style list view of the window model, as a Qt
// table model. It holds no cells: each repaint reads the visible ones from
// the window model, so a hundred thousand rows cost the model's memory only.
// Window thread only; the row count it reports changes only in SyncRows().
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "platform/window_model.h"

namespace tarvik {

class ListTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Shows the list view at |index| of |model|.
  ListTableModel(WindowModel& model, int32_t index, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Announces the rows the window model gained since the last call.
  void SyncRows();
  // Announces that every row may have changed, and the current row count.
  void Reset();
  // Announces that cells of rows |first| to |last| may have changed.
  void RowsChanged(int first, int last);

 private:
  WindowModel& model_;
  const int32_t index_;
  std::vector<QString> headers_;
  int rows_ = 0;  // rows announced to the view
};

}  // namespace tarvik
