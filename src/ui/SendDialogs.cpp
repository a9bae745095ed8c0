// SPDX-License-Identifier: MIT
#include "ui/SendDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>
#include <thread>

#include "core/Paths.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/send/ModemTime.h"
#include "core/send/SendPlan.h"
#include "core/send/SenderFactory.h"
#include "ui/HandlerGuard.h"
#include "ui/UserSettings.h"

namespace dtu {

namespace {

const QString kMethod = QStringLiteral("Send/method");
const QString kDevice = QStringLiteral("Send/modem device");
const QString kBaud = QStringLiteral("Send/modem baud");
const QString kGateway = QStringLiteral("Send/gateway URL");
const QString kInterval = QStringLiteral("Send/interval seconds");

enum Column { kDtuColumn, kSimColumn, kResultColumn, kReferenceColumn };

QString ResultText(const SendResult& result, bool skipped) {
  if (skipped) return Translate("sent before (in the send log)");
  switch (result.status) {
    case SendResult::Status::Sent:
      return Translate("sent");
    case SendResult::Status::Unconfirmed:
      return FormatMessage(Translate("not confirmed: %s"), {result.error});
    case SendResult::Status::Failed:
    case SendResult::Status::Broken:
      break;
  }
  return FormatMessage(Translate("not sent: %s"), {result.error});
}

// Waits in short steps, so that Stop is not held up by the pacing.
void WaitUnlessStopped(std::chrono::milliseconds wait, const std::atomic<bool>& stop) {
  const auto until = std::chrono::steady_clock::now() + wait;
  while (!stop && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

}  // namespace

SendOptions LoadSendOptions() {
  SendOptions options;
  if (!UserSettingsUsable()) return options;
  const QSettings settings;
  const bool gateway = settings.value(kMethod).toString() == QLatin1String("gateway");
  (gateway ? options.gateway : options.modem) = settings.value(gateway ? kGateway : kDevice).toString();
  options.baud = settings.value(kBaud, options.baud).toInt();
  options.interval =
      std::chrono::milliseconds(static_cast<long long>(settings.value(kInterval, 3.0).toDouble() * 1000));
  return options;
}

void StoreSendOptions(const SendOptions& options) {
  if (!UserSettingsUsable()) return;
  QSettings settings;
  settings.setValue(kMethod, options.gateway.isEmpty() ? QStringLiteral("modem") : QStringLiteral("gateway"));
  if (!options.modem.isEmpty()) settings.setValue(kDevice, options.modem);
  if (!options.gateway.isEmpty()) settings.setValue(kGateway, options.gateway);
  settings.setValue(kBaud, options.baud);
  settings.setValue(kInterval, static_cast<double>(options.interval.count()) / 1000);
}

QString WindowSendLogPath() {
  const QString folder = UserDataFolder();
  QDir().mkpath(folder);
  return DefaultSendLogPath({}, folder);
}

SendSettingsDialog::SendSettingsDialog(const platform::Platform& platform, QWidget* owner, MessagePresenter& boxes)
    : QDialog(owner), boxes_(boxes) {
  setWindowTitle(Translate("Send settings"));
  const SendOptions current = LoadSendOptions();
  auto* form = new QFormLayout;
  auto* modem = new QRadioButton(Translate("GSM modem"));
  auto* gateway = new QRadioButton(Translate("SMS gateway"));
  method_ = new QButtonGroup(this);
  method_->addButton(modem, 0);
  method_->addButton(gateway, 1);
  (current.gateway.isEmpty() ? modem : gateway)->setChecked(true);
  device_ = new QComboBox;
  device_->setEditable(true);
  if (platform.serial) device_->addItems(platform.serial->names());
  device_->setCurrentText(current.modem);
  baud_ = new QComboBox;
  baud_->setEditable(true);
  for (const int b : {9600, 19200, 38400, 57600, 115200, 230400, 460800}) baud_->addItem(QString::number(b));
  baud_->setCurrentText(QString::number(current.baud));
  gateway_ = new QLineEdit(current.gateway);
  gateway_->setMinimumWidth(gateway_->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);
  gateway_->setPlaceholderText(QStringLiteral("http://192.168.1.20:8080/send?to={phone}&text={message}"));
  interval_ = new QDoubleSpinBox;
  interval_->setRange(0, 3600);
  interval_->setDecimals(1);
  interval_->setSuffix(Translate(" s"));
  interval_->setValue(static_cast<double>(current.interval.count()) / 1000);
  form->addRow(modem);
  form->addRow(Translate("Serial device:"), device_);
  form->addRow(Translate("Speed (baud):"), baud_);
  form->addRow(gateway);
  form->addRow(Translate("Gateway URL:"), gateway_);
  form->addRow(Translate("At most one message every:"), interval_);
  connect(method_, &QButtonGroup::idClicked, this, GuardedSlot(boxes_, this, &SendSettingsDialog::methodChosen));
  methodChosen();
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, GuardedSlot(boxes_, this, &SendSettingsDialog::okClicked));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void SendSettingsDialog::methodChosen() {
  const bool useModem = method_->checkedId() == 0;
  device_->setEnabled(useModem);
  baud_->setEnabled(useModem);
  gateway_->setEnabled(!useModem);
}

void SendSettingsDialog::okClicked() {
  StoreSendOptions(options());
  accept();
}

SendOptions SendSettingsDialog::options() const {
  SendOptions options;
  if (method_->checkedId() == 0)
    options.modem = device_->currentText().trimmed();
  else
    options.gateway = gateway_->text().trimmed();
  options.baud = baud_->currentText().toInt() > 0 ? baud_->currentText().toInt() : 115200;
  options.interval = std::chrono::milliseconds(static_cast<long long>(interval_->value() * 1000));
  return options;
}

SendDialog::SendDialog(std::vector<SendItem> items, QString logPath, const platform::Platform& platform, QWidget* owner,
                       MessagePresenter& boxes)
    : QDialog(owner), boxes_(boxes), platform_(platform), items_(std::move(items)), logPath_(std::move(logPath)) {
  setWindowTitle(Translate("Send"));
  through_ = new QLabel;
  settingsButton_ = new QPushButton(Translate("Settings..."));
  auto* top = new QHBoxLayout;
  top->addWidget(through_, 1);
  top->addWidget(settingsButton_);

  table_ = new QTableWidget(static_cast<int>(items_.size()), 4);
  table_->setHorizontalHeaderLabels(
      {Translate("DTU number"), Translate("SIM number"), Translate("Result"), Translate("Reference")});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setSectionResizeMode(kResultColumn, QHeaderView::Stretch);
  for (int row = 0; row < table_->rowCount(); ++row) {
    table_->setItem(row, kDtuColumn, new QTableWidgetItem(items_[static_cast<std::size_t>(row)].dtuNumber));
    table_->setItem(row, kSimColumn, new QTableWidgetItem(items_[static_cast<std::size_t>(row)].simNumber));
    table_->setItem(row, kResultColumn, new QTableWidgetItem);
    table_->setItem(row, kReferenceColumn, new QTableWidgetItem);
  }
  table_->selectRow(0);
  resend_ = new QCheckBox(Translate("Send again what the send log records as sent"));
  progress_ = new QProgressBar;
  progress_->setRange(0, static_cast<int>(items_.size()));
  progress_->setValue(0);
  status_ = new QLabel(FormatMessage(Translate("Send log: %s"), {QDir::toNativeSeparators(logPath_)}));
  status_->setWordWrap(true);

  sendButton_ = new QPushButton(Translate("Send"));
  stopButton_ = new QPushButton(Translate("Stop"));
  repliesButton_ = new QPushButton(Translate("Replies..."));
  auto* close = new QPushButton(Translate("Close"));
  stopButton_->setEnabled(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(sendButton_);
  buttons->addWidget(stopButton_);
  buttons->addWidget(repliesButton_);
  buttons->addStretch(1);
  buttons->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(table_, 1);
  layout->addWidget(resend_);
  layout->addWidget(progress_);
  layout->addWidget(status_);
  layout->addLayout(buttons);
  resize(640, 400);

  connect(settingsButton_, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &SendDialog::settingsClicked));
  connect(sendButton_, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &SendDialog::start));
  connect(stopButton_, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &SendDialog::stopClicked));
  connect(repliesButton_, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &SendDialog::showReplies));
  connect(close, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &SendDialog::reject));
  showOptions();
}

SendDialog::~SendDialog() {
  stop_ = true;
  if (thread_) thread_->wait();
  if (reader_) reader_->wait();
}

void SendDialog::showOptions() {
  options_ = LoadSendOptions();
  options_.log = logPath_;
  through_->setText(
      !options_.modem.isEmpty()     ? FormatMessage(Translate("Through the GSM modem on %s"), {options_.modem})
      : !options_.gateway.isEmpty() ? FormatMessage(Translate("Through the SMS gateway %s"), {options_.gateway})
                                    : Translate("No modem or gateway chosen yet: Settings..."));
  sendButton_->setEnabled(options_.any() && !thread_);
  repliesButton_->setEnabled(!options_.modem.isEmpty() && !thread_);
}

void SendDialog::settingsClicked() {
  SendSettingsDialog settings(platform_, this, boxes_);
  if (settings.exec() == QDialog::Accepted) showOptions();
}

void SendDialog::stopClicked() {
  stop_ = true;
  stopButton_->setEnabled(false);
  status_->setText(Translate("Stopping after the message in flight..."));
}

void SendDialog::setResult(int row, const QString& text, const QString& reference) {
  table_->item(row, kResultColumn)->setText(text);
  table_->item(row, kResultColumn)->setToolTip(text);
  table_->item(row, kReferenceColumn)->setText(reference);
}

void SendDialog::start() {
  if (thread_ || !options_.any()) return;
  stop_ = false;
  options_.resend = resend_->isChecked();
  for (int row = 0; row < table_->rowCount(); ++row) setResult(row, {}, {});
  progress_->setValue(0);
  sendButton_->setEnabled(false);
  repliesButton_->setEnabled(false);
  settingsButton_->setEnabled(false);
  stopButton_->setEnabled(true);
  status_->setText(Translate("Sending..."));
  // The device belongs to the thread that sends: it is opened and closed there.
  thread_ = QThread::create([this, items = items_, options = options_] {
    SendSummary summary;
    SendLog log;
    if (const Status opened = log.open(options.log, platform_.files); !opened) {
      summary.fatal = Failure{options.log + QStringLiteral(": ") + opened.message(), opened.message()};
    } else if (Expected<StartedSender> sender = StartSender(options, platform_); !sender) {
      summary.fatal = sender.failure();
    } else {
      SendEvents events;
      events.starting = [this](std::size_t i) {
        QMetaObject::invokeMethod(this, [this, i] { setResult(static_cast<int>(i), Translate("sending..."), {}); });
      };
      events.done = [this](std::size_t i, const SendResult& result, bool skipped) {
        QMetaObject::invokeMethod(this, [this, i, text = ResultText(result, skipped), ref = result.reference] {
          setResult(static_cast<int>(i), text, ref);
          progress_->setValue(static_cast<int>(i) + 1);
        });
      };
      events.stopRequested = [this] { return stop_.load(); };
      events.wait = [this](std::chrono::milliseconds wait) { WaitUnlessStopped(wait, stop_); };
      summary = RunSends(items, *sender.value(), log, options.interval, options.resend, events);
    }
    QMetaObject::invokeMethod(this, [this, summary] { RunGuarded(boxes_, this, [&] { finished(summary); }); });
  });
  thread_->start();
}

void SendDialog::finished(const SendSummary& summary) {
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
  QString text = SendSummaryLine(summary);
  if (summary.fatal) text = summary.fatal->message + QLatin1Char('\n') + text;
  status_->setText(text);
  stopButton_->setEnabled(false);
  settingsButton_->setEnabled(true);
  showOptions();
  if (closeWhenDone_) QDialog::reject();
}

void SendDialog::showReplies() {
  const int row = table_->currentRow() < 0 ? 0 : table_->currentRow();
  const QString number = items_.empty() ? QString() : items_[static_cast<std::size_t>(row)].simNumber;
  repliesButton_->setEnabled(false);
  status_->setText(FormatMessage(Translate("Reading the messages from %s on the modem..."), {number}));
  if (reader_) return;
  reader_ = QThread::create([this, number, options = options_] {
    Expected<StartedSender> sender = StartSender(options, platform_);
    const Replies replies = sender ? sender.value()->received(number) : Replies(sender.failure());
    QMetaObject::invokeMethod(
        this, [this, number, replies] { RunGuarded(boxes_, this, [&] { repliesRead(number, replies); }); });
  });
  reader_->start();
}

void SendDialog::repliesRead(const QString& number, const Replies& replies) {
  reader_->wait();
  delete reader_;
  reader_ = nullptr;
  status_->setText(FormatMessage(Translate("Send log: %s"), {QDir::toNativeSeparators(logPath_)}));
  repliesButton_->setEnabled(true);
  QString text = replies.message();
  if (replies) {
    for (const ReceivedSms& m : replies.value())
      text += QStringLiteral("%1  %2\n%3\n\n").arg(LocalModemTime(m.time), m.sender, m.text);
  }
  QDialog box(this);
  box.setWindowTitle(FormatMessage(Translate("Messages from %s"), {number}));
  auto* view = new QPlainTextEdit(text.isEmpty() ? Translate("No message from this number on the SIM.") : text);
  view->setReadOnly(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
  auto* layout = new QVBoxLayout(&box);
  layout->addWidget(view);
  layout->addWidget(buttons);
  box.resize(480, 320);
  box.exec();
}

void SendDialog::closeEvent(QCloseEvent* event) {
  if (!thread_) return QDialog::closeEvent(event);
  event->ignore();
  reject();
}

void SendDialog::reject() {
  if (!thread_) return QDialog::reject();
  // The message in flight completes and is logged; the dialog closes then.
  closeWhenDone_ = true;
  stop_ = true;
  stopButton_->setEnabled(false);
  status_->setText(Translate("Stopping after the message in flight..."));
}

}  // namespace dtu
