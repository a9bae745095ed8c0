// SPDX-License-Identifier: MIT
#include "ui/QrCodeDialog.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "core/AppConstants.h"
#include "core/config/AtomicFile.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/send/SendPlan.h"
#include "core/sms/QrSvg.h"
#include "core/sms/SimNumber.h"
#include "core/sms/SimNumberBook.h"
#include "core/sms/SmsComposer.h"
#include "render/QrPainter.h"
#include "ui/HandlerGuard.h"
#include "ui/MessagePresenter.h"
#include "ui/SendDialogs.h"
#include "ui/UserSettings.h"
#include "ui/WidgetAccess.h"

namespace dtu {

namespace {
// PNG, or SVG for a name ending in ".svg"; empty when there is no code.
QByteArray ImageFile(const QrMatrix& matrix, const QString& heading, const QString& sms, const QString& path) {
  if (matrix.isEmpty()) return {};
  if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) return QrCodeSvg(matrix, heading, sms);
  QByteArray png;
  QBuffer buffer(&png);
  const bool drawn = buffer.open(QIODevice::WriteOnly) && RenderQrSheet(matrix, heading, sms).save(&buffer, "PNG");
  return drawn ? png : QByteArray();
}

// The code's side on screen at most: with the rest of the dialog it stays
// within a 1024x768 screen, title bar and task bar included.
constexpr int kMaxCodeSide = 440;

}  // namespace

// QSettings opens its per-user file (where the format is one) with a blocking
// open: a FIFO there would hang the dialog for good, so it is left unused.
QString SuggestedImageName(const QString& dtuNumber) {
  QString name;
  for (QChar c : dtuNumber) name += c.unicode() < 32 || QStringView(u"\\/:*?\"<>|").contains(c) ? QChar(u'_') : c;
  // Windows drops trailing dots and blanks; a leading dot hides the file here.
  while (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' '))) name.chop(1);
  if (name.startsWith(QLatin1Char('.'))) name[0] = QLatin1Char('_');
  if (name.isEmpty()) name = QStringLiteral("dtu-sms");
  static const QRegularExpression device(QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\\..*)?$"),
                                         QRegularExpression::CaseInsensitiveOption);
  if (device.match(name).hasMatch()) name.prepend(QLatin1Char('_'));  // a device name on Windows
  return name + QStringLiteral(".png");
}

// The code at four pixels a module, fewer (down to two) for a large code, or a
// message in its place.
class QrCodeView : public QWidget {
 public:
  explicit QrCodeView(QWidget* parent) : QWidget(parent) {}
  void show(const QrMatrix& matrix, const QString& message) {
    matrix_ = matrix;
    message_ = message;
    const int modules = matrix.size + 2 * kQrQuietZone;
    const int side = std::max(240, modules * std::clamp(kMaxCodeSide / modules, 2, 4));
    setFixedSize(side, side);
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    if (!matrix_.isEmpty()) {
      PaintQrCode(painter, matrix_, rect());
      return;
    }
    painter.fillRect(rect(), palette().window());
    painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, message_);
  }

 private:
  QrMatrix matrix_;
  QString message_;
};

QrCodeDialog::QrCodeDialog(const QString& sms, const QString& dtuNumber, QWidget* owner, MessagePresenter& boxes)
    : QDialog(owner), boxes_(boxes), sms_(sms), dtuNumber_(TrimField(dtuNumber)) {
  setObjectName(QStringLiteral("qr_Dialog"));
  setWindowTitle(dtuNumber_.isEmpty() ? Translate(N_("QR code"))
                                      : FormatMessage(Translate(N_("QR code for DTU %s")), {dtuNumber_}));
  setModal(true);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  auto* numberLabel = new QLabel(Translate(N_("DTU SIM number")), this);
  numberLabel->setObjectName(QStringLiteral("qr_SimNumberLabel"));
  numberLabel->setTextFormat(Qt::PlainText);
  numberEdit_ = new QLineEdit(this);
  numberEdit_->setObjectName(QStringLiteral("qr_SimNumber"));
  numberLabel->setBuddy(numberEdit_);
  numberError_ = new QLabel(this);
  numberError_->setObjectName(QStringLiteral("qr_SimNumberError"));
  numberError_->setStyleSheet(QStringLiteral("color: #b00000"));
  numberError_->setWordWrap(true);
  numberError_->setTextFormat(Qt::PlainText);  // it quotes what the user typed
  view_ = new QrCodeView(this);
  view_->setObjectName(QStringLiteral("qr_Code"));
  view_->setAccessibleName(FormatMessage(Translate(N_("QR code for DTU %s")), {dtuNumber}));
  // The exact text, wrapped anywhere (it has no blanks) and selectable.
  payloadText_ = new QPlainTextEdit(this);
  payloadText_->setObjectName(QStringLiteral("qr_Payload"));
  payloadText_->setReadOnly(true);
  payloadText_->setWordWrapMode(QTextOption::WrapAnywhere);
  payloadText_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  payloadText_->setFixedHeight(payloadText_->fontMetrics().lineSpacing() * 3 + 12);
  saveButton_ = new QPushButton(Translate(N_("&Save image...")), this);
  saveButton_->setObjectName(QStringLiteral("qr_SaveImage"));
  saveButton_->setAutoDefault(false);
  auto* closeButton = new QPushButton(Translate(N_("&Close")), this);
  closeButton->setObjectName(QStringLiteral("qr_Close"));

  auto* numberRow = new QHBoxLayout;
  numberRow->addWidget(numberLabel);
  numberRow->addWidget(numberEdit_, 1);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->setObjectName(QStringLiteral("qr_ButtonRow"));
  buttonRow->addWidget(saveButton_);
  buttonRow->addStretch(1);
  buttonRow->addWidget(closeButton);
  auto* layout = new QVBoxLayout(this);
  // The dialog takes the size its contents need and the user cannot change it.
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addLayout(numberRow);
  layout->addWidget(numberError_);
  layout->addWidget(view_, 0, Qt::AlignHCenter);
  layout->addWidget(payloadText_);
  layout->addLayout(buttonRow);

  connect(numberEdit_, &QLineEdit::textChanged, this, GuardedSlot(boxes_, this, &QrCodeDialog::numberChanged));
  connect(saveButton_, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &QrCodeDialog::saveImageClicked));
  connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);

  PressButtonsOnEnter(this);

  settingsUsable_ = UserSettingsUsable();
  const QString remembered =
      !settingsUsable_ || dtuNumber_.isEmpty()
          ? QString()
          : SimNumberFor(QSettings().value(QLatin1String(kSimNumbersSettingsKey)).toStringList(), dtuNumber_);
  numberEdit_->setText(remembered);
  if (remembered.isEmpty()) numberChanged();  // setText raised nothing
}

void QrCodeDialog::numberChanged() {
  const std::optional<QString> number = NormalizeSimNumber(numberEdit_->text());
  if (!number) {
    // The code keeps the last valid payload, so what is shown always scans.
    numberError_->setText(
        Translate(N_("Use up to 20 digits, with blanks or \"-\" between them and at most one \"+\" "
                     "in front. The code is unchanged.")));
    if (!payload_.isEmpty()) return;
  } else {
    numberError_->clear();
    if (settingsUsable_ && !dtuNumber_.isEmpty()) {
      QSettings settings;
      const QStringList book = settings.value(QLatin1String(kSimNumbersSettingsKey)).toStringList();
      settings.setValue(QLatin1String(kSimNumbersSettingsKey),
                        RememberSimNumber(book, dtuNumber_, numberEdit_->text(), kSimNumbersRemembered));
    }
  }
  simNumber_ = number.value_or(QString());
  payload_ = SmsToPayload(simNumber_, sms_);
  matrix_ = EncodeQrCode(payload_);
  view_->show(matrix_, Translate(N_("The SMS is too long for a QR code.")));
  payloadText_->setPlainText(payload_);
  payloadText_->setFixedWidth(view_->width());
  saveButton_->setEnabled(!matrix_.isEmpty());
  if (sendButton_) sendButton_->setEnabled(!simNumber_.isEmpty());
}

void QrCodeDialog::enableSending(const platform::Platform& platform, const SmsCommandInputs& base,
                                 const QString& logPath) {
  platform_ = &platform;
  base_ = base;
  sendLogPath_ = logPath;
  sendButton_ = new QPushButton(Translate(N_("Se&nd...")), this);
  sendButton_->setObjectName(QStringLiteral("qr_Send"));
  sendButton_->setAutoDefault(false);
  sendButton_->setEnabled(!simNumber_.isEmpty());
  if (auto* row = findChild<QHBoxLayout*>(QStringLiteral("qr_ButtonRow"))) row->insertWidget(1, sendButton_);
  setTabOrder(saveButton_, sendButton_);
  connect(sendButton_, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &QrCodeDialog::sendClicked));
  PressButtonsOnEnter(this);
}

void QrCodeDialog::sendClicked() {
  SendPlan plan = PlanSend(dtuNumber_, simNumber_, sms_);
  if (plan.items.empty()) return ShowApplicationError(boxes_, this, plan.unsent.front().reason);
  SendDialog dialog(std::move(plan), base_, sendLogPath_, *platform_, this, boxes_);
  dialog.exec();
}

bool QrCodeDialog::saveImage(const QString& path) {
  // "KQ-GP000777 → +8613800138000": which DTU and SIM the code is for.
  QString heading = dtuNumber_;
  if (!simNumber_.isEmpty()) heading += (heading.isEmpty() ? QStringLiteral("→ ") : QStringLiteral(" → ")) + simNumber_;
  const QByteArray image = ImageFile(matrix_, heading, sms_, path);
  if (image.isEmpty()) {
    ShowFileWriteError(boxes_, this, path, QString());  // not drawn: there is no system cause to name
    return false;
  }
  const Status written = WriteFileAtomically(path, image);
  if (!written) ShowFileWriteError(boxes_, this, path, written.failure().detail);
  return written.ok();
}

void QrCodeDialog::saveImageClicked() {
  const QString png = Translate(N_("PNG image (*.png)"));
  QString filter = png;
  const QString path = QFileDialog::getSaveFileName(
      this, Translate(N_("Save image")), QDir(StartFolder(FileKind::kImage)).filePath(SuggestedImageName(dtuNumber_)),
      png + QStringLiteral(";;") + Translate(N_("SVG image (*.svg)")), &filter);
  if (path.isEmpty()) return;
  RememberFolder(FileKind::kImage, path);
  const bool svg = filter != png;
  const bool hasSuffix = !QFileInfo(path).suffix().isEmpty();
  saveImage(hasSuffix ? path : path + (svg ? QStringLiteral(".svg") : QStringLiteral(".png")));
}

}  // namespace dtu
