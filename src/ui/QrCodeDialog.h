// SPDX-License-Identifier: MIT
// Shows the SMS as a QR code that opens a new message on a phone, for the
// DTU's SIM number the user gives (remembered per DTU number in the user's
// QSettings, not in the settings file beside the executable).
#pragma once

#include <QDialog>
#include <QString>

#include "core/sms/QrCode.h"
#include "core/sms/SmsComposer.h"
#include "platform/Platform.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace dtu {

// The per-user key of the remembered SIM numbers (QSettings of the
// application), and how many DTUs it keeps.
inline constexpr char kSimNumbersSettingsKey[] = "DTU SIM numbers";
inline constexpr int kSimNumbersRemembered = 1000;

// "<DTU number>.png" with what a file name cannot hold on Linux or Windows
// replaced; "dtu-sms.png" without a DTU number.
QString SuggestedImageName(const QString& dtuNumber);

class MessagePresenter;
class QrCodeView;

class QrCodeDialog : public QDialog {
  Q_OBJECT

 public:
  // `dtuNumber` (trimmed) chooses the remembered SIM number and names the code
  // in the title, the saved image and its file name.
  QrCodeDialog(const QString& sms, const QString& dtuNumber, QWidget* owner, MessagePresenter& boxes);

  // What the code holds now: the last payload made from a valid number.
  const QString& payload() const { return payload_; }
  const QrMatrix& matrix() const { return matrix_; }
  // PNG, or SVG for a name ending in ".svg"; an error box on failure. The
  // file is replaced only when the whole image was written.
  bool saveImage(const QString& path);
  // Adds "Send...": this command to this SIM number through the user's modem
  // or gateway, recorded in `logPath`.
  // `base`: the fields the command was made of, for the consent before sending.
  void enableSending(const platform::Platform& platform, const SmsCommandInputs& base, const QString& logPath);

 private:
  void numberChanged();
  void saveImageClicked();
  void sendClicked();

  MessagePresenter& boxes_;
  const platform::Platform* platform_ = nullptr;  // set by enableSending
  SmsCommandInputs base_;
  QString sendLogPath_;
  QString sms_;
  QString dtuNumber_;
  QString simNumber_;  // in the payload
  QString payload_;
  bool settingsUsable_ = true;  // false: the per-user settings file is a FIFO or a device
  QrMatrix matrix_;
  QLineEdit* numberEdit_ = nullptr;
  QLabel* numberError_ = nullptr;
  QrCodeView* view_ = nullptr;
  QPlainTextEdit* payloadText_ = nullptr;
  QPushButton* saveButton_ = nullptr;
  QPushButton* sendButton_ = nullptr;
};

}  // namespace dtu
