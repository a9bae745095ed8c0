// SPDX-License-Identifier: MIT
#include "ui/BatchPreview.h"
#include "core/batch/BatchProblems.h"

#include <QColor>

namespace dtu {

BatchPreviewModel::BatchPreviewModel(QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), headers_(std::move(headers)) {}

void BatchPreviewModel::setList(BatchList list, std::function<QString(const QString&)> check) {
  beginResetModel();
  list_ = std::move(list);
  check_ = std::move(check);
  endResetModel();
}

int BatchPreviewModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.rows.size());
}

int BatchPreviewModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString BatchPreviewModel::text(const BatchRow& row, int column) const {
  switch (column) {
    case LineColumn:
      return QString::number(row.line);
    case DtuColumn:
      return row.dtuNumber;
    case SimColumn:
      return row.simNumber;
    case CommandColumn:
      return row.command;
    default:
      return row.ok() ? check_(row.command) : DescribeBatchProblem(row);
  }
}

QVariant BatchPreviewModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const BatchRow& row = list_.rows[static_cast<size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      return text(row, index.column());
    case Qt::ToolTipRole:
      // The full command and check, however narrow their columns.
      return index.column() >= CommandColumn ? QVariant(text(row, index.column())) : QVariant();
    case Qt::ForegroundRole:
      return index.column() == CheckColumn && !row.ok() ? QVariant(QColor(0xb0, 0, 0)) : QVariant();
    default:
      return {};
  }
}

QVariant BatchPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < headers_.size()) return headers_[section];
  return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags BatchPreviewModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

}  // namespace dtu
