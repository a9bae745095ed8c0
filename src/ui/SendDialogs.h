// SPDX-License-Identifier: MIT
// Sending from the window: a small dialog that picks the modem or gateway
// once (kept in the per-user QSettings, never in the settings file beside the
// executable), and the dialog that sends a list of commands on a thread of
// its own, showing each row's result as it comes.
#pragma once

#include <QDialog>
#include <QString>
#include <atomic>
#include <vector>

#include "core/send/SendPlan.h"
#include "core/send/SendRun.h"
#include "core/send/SqliteJournal.h"
#include "platform/Platform.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QThread;

namespace dtu {

class MessagePresenter;

// The per-user choice; options.log stays empty (the caller knows the list).
SendOptions LoadSendOptions();
void StoreSendOptions(const SendOptions& options);
// The send log of what the window sends outside a list file: one per user.
QString WindowSendLogPath();

class SendSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  SendSettingsDialog(const platform::Platform& platform, QWidget* owner, MessagePresenter& boxes);
  SendOptions options() const;

 private:
  void methodChosen();
  // Stays open with a box while the device does not open or the address
  // cannot send: a mistake shows here, not at the first send.
  void okClicked();

  MessagePresenter& boxes_;
  const platform::Platform& platform_;
  QButtonGroup* method_ = nullptr;
  QComboBox* device_ = nullptr;
  QComboBox* baud_ = nullptr;
  QLineEdit* gateway_ = nullptr;
  QDoubleSpinBox* interval_ = nullptr;
};

class SendDialog : public QDialog {
  Q_OBJECT

 public:
  // Every row of `plan` is listed, those that cannot go with their reason;
  // `base` gives the consent its server and APN; `logPath` is the report.
  SendDialog(SendPlan plan, const SmsCommandInputs& base, QString logPath, const platform::Platform& platform,
             QWidget* owner, MessagePresenter& boxes);
  ~SendDialog() override;

  // Asks for consent, then sends on a thread of its own.
  void start();
  bool running() const { return thread_ != nullptr; }
  QTableWidget* table() const { return table_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void showOptions();
  void showJournal();
  void settingsClicked();
  void stopClicked();
  void finished(const SendSummary& summary);
  using Replies = Expected<ModemInbox>;
  void showReplies();
  void repliesRead(const QString& number, const Replies& replies);
  void setResult(int row, const QString& text, const QString& reference, int tone);
  void itemDone(std::size_t item, const SendOutcome& outcome);

  MessagePresenter& boxes_;
  const platform::Platform& platform_;
  SendPlan plan_;
  SmsCommandInputs base_;
  std::vector<int> itemRow_;  // the table row of each item
  QString logPath_;
  SendOptions options_;
  QThread* thread_ = nullptr;
  QThread* reader_ = nullptr;  // the replies
  std::atomic<bool> stop_{false};
  bool closeWhenDone_ = false;
  QLabel* through_ = nullptr;
  QLabel* what_ = nullptr;
  QTableWidget* table_ = nullptr;
  QCheckBox* resend_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* settingsButton_ = nullptr;
  QPushButton* sendButton_ = nullptr;
  QPushButton* stopButton_ = nullptr;
  QPushButton* repliesButton_ = nullptr;
};

}  // namespace dtu
