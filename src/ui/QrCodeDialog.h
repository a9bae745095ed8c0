// SPDX-License-Identifier: MIT
// Shows the SMS as a QR code that opens a new message on a phone, for the
// DTU's SIM number the user gives (remembered per user, not in the settings
// file beside the executable).
#pragma once

#include <QDialog>
#include <QString>

#include "core/sms/QrCode.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace dtu {

// The per-user key of the remembered SIM number (QSettings of the application).
inline constexpr char kSimNumberSettingsKey[] = "DTU SIM number";

class MessagePresenter;
class QrCodeView;

class QrCodeDialog : public QDialog {
  Q_OBJECT

 public:
  // `dtuNumber` names the code for a screen reader.
  QrCodeDialog(const QString& sms, const QString& dtuNumber, QWidget* owner, MessagePresenter& boxes);

  // What the code holds now: the last payload made from a valid number.
  const QString& payload() const { return payload_; }
  const QrMatrix& matrix() const { return matrix_; }
  // PNG, or SVG for a name ending in ".svg"; an error box on failure. The
  // file is replaced only when the whole image was written.
  bool saveImage(const QString& path);

 private:
  void numberChanged();
  void saveImageClicked();

  MessagePresenter& boxes_;
  QString sms_;
  QString payload_;
  bool settingsUsable_ = true;  // false: the per-user settings file is a FIFO or a device
  QrMatrix matrix_;
  QLineEdit* numberEdit_ = nullptr;
  QLabel* numberError_ = nullptr;
  QrCodeView* view_ = nullptr;
  QPlainTextEdit* payloadText_ = nullptr;
  QPushButton* saveButton_ = nullptr;
};

}  // namespace dtu
