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

#include "core/send/SendRun.h"
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
  // `logPath`: the send log these rows are recorded in.
  SendDialog(std::vector<SendItem> items, QString logPath, const platform::Platform& platform, QWidget* owner,
             MessagePresenter& boxes);
  ~SendDialog() override;

  void start();
  bool running() const { return thread_ != nullptr; }
  QTableWidget* table() const { return table_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void showOptions();
  void settingsClicked();
  void stopClicked();
  void finished(const SendSummary& summary);
  using Replies = Expected<std::vector<ReceivedSms>>;
  void showReplies();
  void repliesRead(const QString& number, const Replies& replies);
  void setResult(int row, const QString& text, const QString& reference);

  MessagePresenter& boxes_;
  const platform::Platform& platform_;
  std::vector<SendItem> items_;
  QString logPath_;
  SendOptions options_;
  QThread* thread_ = nullptr;
  QThread* reader_ = nullptr;  // the replies
  std::atomic<bool> stop_{false};
  bool closeWhenDone_ = false;
  QLabel* through_ = nullptr;
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
