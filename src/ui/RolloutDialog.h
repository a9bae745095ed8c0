// SPDX-License-Identifier: MIT
// The roll-out as the journal knows it: one row per DTU with its last
// command, what came of it (sent, delivered, not delivered, unconfirmed,
// failed) and its last answer. Filtered by state, exported as CSV, and
// refreshed from the modem (status reports and answers read into the journal).
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <vector>

#include "core/send/SendJournal.h"
#include "platform/Platform.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QThread;

namespace dtu {

class MessagePresenter;

// The state a roll-out row shows: the delivery where the network told, the
// journal's state otherwise. Not translated ("delivered", "sent"...).
QString RolloutState(const RolloutRow& row);

class RolloutDialog : public QDialog {
  Q_OBJECT

 public:
  // `dtuNumbers`: the list's DTUs; empty shows every DTU of the journal.
  RolloutDialog(QStringList dtuNumbers, QString journalPath, const platform::Platform& platform, QWidget* owner,
                MessagePresenter& boxes);
  ~RolloutDialog() override;

  QTableWidget* table() const { return table_; }
  // Reads the journal again and shows what the filters let through.
  void reload();
  bool exportCsv(const QString& path);
  bool refreshing() const { return reader_ != nullptr; }

 private:
  void show_();
  void exportClicked();
  void refreshClicked();
  void refreshed(const QString& said);

  MessagePresenter& boxes_;
  const platform::Platform& platform_;
  QStringList dtuNumbers_;
  QString journalPath_;
  std::vector<RolloutRow> rows_;
  QThread* reader_ = nullptr;
  QComboBox* filter_ = nullptr;
  QCheckBox* everyDtu_ = nullptr;
  QCheckBox* deleteRead_ = nullptr;
  QTableWidget* table_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* refreshButton_ = nullptr;
};

}  // namespace dtu
