// SPDX-License-Identifier: MIT
// The batch dialog's preview table: each row of the list with its command
// and its check or problem. Cells are read from the list when the view
// draws them, so ten thousand rows cost no more to show than the few in view.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <functional>

#include "core/batch/BatchList.h"

namespace dtu {

class BatchPreviewModel final : public QAbstractTableModel {
 public:
  enum Column { LineColumn, DtuColumn, SimColumn, CommandColumn, CheckColumn, ColumnCount };

  BatchPreviewModel(QStringList headers, QObject* parent);

  // `check` gives the check column of a row that composed.
  void setList(BatchList list, std::function<QString(const QString&)> check);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  QString text(const BatchRow& row, int column) const;

  QStringList headers_;
  BatchList list_;
  std::function<QString(const QString&)> check_;
};

}  // namespace dtu
