// SPDX-License-Identifier: MIT
#include "ui/SendDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
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
#include <algorithm>
#include <cmath>
#include <thread>

#include "core/Paths.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/send/SendLog.h"
#include "core/send/SendPlan.h"
#include "core/send/SenderFactory.h"
#include "core/sms/SimNumber.h"
#include "ui/HandlerGuard.h"
#include "ui/MessagePresenter.h"
#include "ui/UserSettings.h"

namespace dtu {

namespace {

const QString kMethod = QStringLiteral("Send/method");
const QString kDevice = QStringLiteral("Send/modem device");
const QString kBaud = QStringLiteral("Send/modem baud");
const QString kGateway = QStringLiteral("Send/gateway URL");
const QString kInterval = QStringLiteral("Send/interval seconds");

enum Column { kDtuColumn, kSimColumn, kResultColumn, kReferenceColumn };
// How a result reads: plainly, as a success, or as something to look at.
enum Tone { kPlain, kGood, kAttention, kBad };

QString WhenText(const QDateTime& time) {
  const QDateTime local = time.toLocalTime();
  return local.date() == QDate::currentDate()
             ? FormatMessage(Translate("%s today"), {local.toString(QStringLiteral("HH:mm"))})
             : local.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

// What the journal knows of one message: "sent 06:03 today".
QString KnownText(const JournalEntry& e) {
  switch (e.state) {
    case JournalState::Sent:
      return FormatMessage(Translate("sent %s"), {WhenText(e.time)});
    case JournalState::Unconfirmed:
      return FormatMessage(Translate("unconfirmed %s"), {WhenText(e.time)});
    case JournalState::Failed:
      return FormatMessage(Translate("failed %s"), {WhenText(e.time)});
    case JournalState::Claimed:
    case JournalState::Submitting:
      break;
  }
  return Translate("another run is sending it now");
}

std::pair<QString, int> OutcomeText(const SendOutcome& outcome) {
  const SendResult& r = outcome.result;
  switch (outcome.kind) {
    case SendOutcome::Kind::Sent:
      return {Translate("sent"), kGood};
    case SendOutcome::Kind::Unconfirmed:
      return {FormatMessage(Translate("UNCONFIRMED: %s"), {r.error}), kAttention};
    case SendOutcome::Kind::Failed:
      return {FormatMessage(Translate("FAILED: %s"), {r.error}), kBad};
    case SendOutcome::Kind::SentBefore:
      return {FormatMessage(Translate("left out: %s"), {KnownText(outcome.before)}), kPlain};
    case SendOutcome::Kind::HeldElsewhere:
      return {FormatMessage(Translate("left out: %s"), {Translate("another run is sending it now")}), kAttention};
  }
  return {};
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
  bool ok = false;
  // A file edited by hand must not send without a gap, nor wait for ever.
  if (const double seconds = settings.value(kInterval).toDouble(&ok); ok && SendIntervalInRange(seconds))
    options.interval = std::chrono::milliseconds(std::llround(seconds * 1000));
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
    : QDialog(owner), boxes_(boxes), platform_(platform) {
  setWindowTitle(Translate("Send settings"));
  const SendOptions current = LoadSendOptions();
  auto* form = new QFormLayout;
  auto* modem = new QRadioButton(Translate("GSM modem"));
  auto* gateway = new QRadioButton(Translate("SMS gateway"));
  method_ = new QButtonGroup(this);
  method_->addButton(modem, 0);
  method_->addButton(gateway, 1);
  (current.gateway.isEmpty() ? modem : gateway)->setChecked(true);
  modem->setObjectName(QStringLiteral("send_Modem"));
  gateway->setObjectName(QStringLiteral("send_GatewayChosen"));
  device_ = new QComboBox;
  device_->setObjectName(QStringLiteral("send_Device"));
  device_->setEditable(true);
  if (platform.serial) device_->addItems(platform.serial->names());
  device_->setCurrentText(current.modem);
  // A list to pick from: an editable one would take Enter as a new entry.
  baud_ = new QComboBox;
  baud_->setObjectName(QStringLiteral("send_Baud"));
  for (const int b : {9600, 19200, 38400, 57600, 115200, 230400, 460800}) baud_->addItem(QString::number(b));
  if (baud_->findText(QString::number(current.baud)) < 0) baud_->addItem(QString::number(current.baud));
  baud_->setCurrentIndex(baud_->findText(QString::number(current.baud)));
  gateway_ = new QLineEdit(current.gateway);
  gateway_->setObjectName(QStringLiteral("send_Gateway"));
  gateway_->setMinimumWidth(gateway_->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);
  gateway_->setPlaceholderText(QStringLiteral("http://192.168.1.20:8080/send?to={phone}&text={message}"));
  interval_ = new QDoubleSpinBox;
  interval_->setObjectName(QStringLiteral("send_Interval"));
  interval_->setRange(0, static_cast<double>(kMaxSendInterval.count()));
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
  const SendOptions chosen = options();
  if (!chosen.any()) {
    ShowApplicationError(boxes_, this, Translate("Give the modem's serial device or the gateway's address."));
    return;
  }
  if (const Status usable = CheckSendTarget(chosen, platform_); !usable) {
    ShowApplicationError(boxes_, this, usable.message());
    return;
  }
  StoreSendOptions(chosen);
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

SendDialog::SendDialog(SendPlan plan, const SmsCommandInputs& base, QString logPath, const platform::Platform& platform,
                       QWidget* owner, MessagePresenter& boxes)
    : QDialog(owner),
      boxes_(boxes),
      platform_(platform),
      plan_(std::move(plan)),
      base_(base),
      logPath_(std::move(logPath)) {
  setWindowTitle(Translate("Send"));
  through_ = new QLabel;
  settingsButton_ = new QPushButton(Translate("Settings..."));
  auto* top = new QHBoxLayout;
  top->addWidget(through_, 1);
  top->addWidget(settingsButton_);
  what_ = new QLabel;
  what_->setWordWrap(true);
  what_->setTextFormat(Qt::PlainText);
  what_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  // Every row of the list in its order, by the list's own line numbers.
  struct Row {
    int line;
    QString dtu, sim, reason;
    int item;
  };
  std::vector<Row> rows;
  for (std::size_t i = 0; i < plan_.items.size(); ++i) {
    const SendItem& item = plan_.items[i];
    rows.push_back({item.line, item.dtuNumber, item.simNumber, {}, static_cast<int>(i)});
  }
  for (const UnsentRow& row : plan_.unsent) rows.push_back({row.line, row.dtuNumber, {}, row.reason, -1});
  std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.line < b.line; });
  itemRow_.assign(plan_.items.size(), 0);

  table_ = new QTableWidget(static_cast<int>(rows.size()), 4);
  table_->setObjectName(QStringLiteral("send_Table"));
  table_->setAccessibleName(Translate("Messages"));
  table_->setHorizontalHeaderLabels(
      {Translate("DTU number"), Translate("SIM number"), Translate("Result"), Translate("Reference")});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setSectionResizeMode(kResultColumn, QHeaderView::Stretch);
  QStringList lines;
  for (int row = 0; row < table_->rowCount(); ++row) {
    const Row& r = rows[static_cast<std::size_t>(row)];
    lines << (r.line > 0 ? QString::number(r.line) : QString());
    table_->setItem(row, kDtuColumn, new QTableWidgetItem(r.dtu));
    table_->setItem(row, kSimColumn, new QTableWidgetItem(r.sim));
    table_->setItem(row, kResultColumn, new QTableWidgetItem);
    table_->setItem(row, kReferenceColumn, new QTableWidgetItem);
    if (r.item >= 0)
      itemRow_[static_cast<std::size_t>(r.item)] = row;
    else
      setResult(row, FormatMessage(Translate("cannot go: %s"), {r.reason}), {}, kBad);
  }
  table_->setVerticalHeaderLabels(lines);
  table_->selectRow(0);
  resend_ = new QCheckBox(Translate("Send again what the send journal has as sent or unconfirmed"));
  progress_ = new QProgressBar;
  progress_->setObjectName(QStringLiteral("send_Progress"));
  progress_->setAccessibleName(Translate("Sending progress"));
  progress_->setRange(0, static_cast<int>(plan_.items.size()));
  progress_->setValue(0);
  status_ = new QLabel(FormatMessage(Translate("Send log: %s"), {QDir::toNativeSeparators(logPath_)}));
  status_->setObjectName(QStringLiteral("send_Status"));
  status_->setWordWrap(true);

  sendButton_ = new QPushButton(Translate("Send"));
  stopButton_ = new QPushButton(Translate("Stop"));
  repliesButton_ = new QPushButton(Translate("Replies..."));
  auto* close = new QPushButton(Translate("Close"));
  sendButton_->setObjectName(QStringLiteral("send_Send"));
  stopButton_->setEnabled(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(sendButton_);
  buttons->addWidget(stopButton_);
  buttons->addWidget(repliesButton_);
  buttons->addStretch(1);
  buttons->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(what_);
  layout->addWidget(table_, 1);
  layout->addWidget(resend_);
  layout->addWidget(progress_);
  layout->addWidget(status_);
  layout->addLayout(buttons);
  resize(720, 440);

  connect(settingsButton_, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &SendDialog::settingsClicked));
  connect(sendButton_, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &SendDialog::start));
  connect(stopButton_, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &SendDialog::stopClicked));
  connect(repliesButton_, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &SendDialog::showReplies));
  connect(close, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &SendDialog::reject));
  showOptions();
  showJournal();
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
      : !options_.gateway.isEmpty() ? FormatMessage(Translate("Through the SMS gateway %s"), {SendRoute(options_)})
                                    : Translate("No modem or gateway chosen yet: Settings..."));
  sendButton_->setEnabled(options_.any() && !thread_ && !plan_.items.empty());
  repliesButton_->setEnabled(!options_.modem.isEmpty() && !thread_);
  what_->setText(ConsentLines(DescribeSends(plan_, base_, options_)).join(QLatin1Char('\n')));
}

void SendDialog::showJournal() {
  auto journal = SqliteJournal::open(options_.journalPath(), LivenessOf(platform_.process));
  if (!journal) {
    status_->setText(journal.message());
    return;
  }
  for (std::size_t i = 0; i < plan_.items.size(); ++i) {
    const auto known = journal.value()->lookUp(plan_.items[i].dtuNumber, plan_.items[i].command);
    if (known && known.value())
      setResult(itemRow_[i], FormatMessage(Translate("in the journal: %s"), {KnownText(*known.value())}),
                known.value()->reference, kPlain);
  }
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

void SendDialog::setResult(int row, const QString& text, const QString& reference, int tone) {
  QTableWidgetItem* item = table_->item(row, kResultColumn);
  item->setText(text);
  item->setToolTip(text);
  QFont font = table_->font();
  font.setBold(tone == kAttention || tone == kBad);
  item->setFont(font);
  const QColor colours[] = {palette().color(QPalette::Text), QColor(0x1b, 0x6e, 0x20), QColor(0xa3, 0x4a, 0x00),
                            QColor(0xb0, 0x00, 0x20)};
  item->setForeground(colours[tone]);
  table_->item(row, kReferenceColumn)->setText(reference);
}

void SendDialog::itemDone(std::size_t i, const SendOutcome& outcome) {
  const auto [text, tone] = OutcomeText(outcome);
  const int row = itemRow_[i];
  setResult(row, text, outcome.result.reference, tone);
  progress_->setValue(static_cast<int>(i) + 1);
  // Said as it happens, for a screen reader too: the label's text is its name.
  const SendItem& item = plan_.items[i];
  status_->setText(item.line > 0
                       ? FormatMessage(Translate("Line %d, %s: %s"), {QString::number(item.line), item.dtuNumber, text})
                       : FormatMessage(Translate("%s: %s"), {item.dtuNumber, text}));
}

void SendDialog::start() {
  if (thread_ || !options_.any() || plan_.items.empty()) return;
  const bool resend = resend_->isChecked();
  if (resend) {
    auto journal = SqliteJournal::open(options_.journalPath(), LivenessOf(platform_.process));
    int went = 0;
    for (const SendItem& item : plan_.items) {
      const auto known = journal ? journal.value()->lookUp(item.dtuNumber, item.command)
                                 : Expected<std::optional<JournalEntry>>(journal.failure());
      if (known && known.value() &&
          (known.value()->state == JournalState::Sent || known.value()->state == JournalState::Unconfirmed))
        ++went;
    }
    if (went > 0 &&
        !boxes_.confirm({this, Translate("Send again"),
                         FormatMessage(Translate("%d of these messages went before (sent or unconfirmed). A DTU that "
                                                 "gets its command twice may go off line. Send them again?"),
                                       {QString::number(went)}),
                         Translate("Send again"), true}))
      return;
  }
  const SendConsent consent = DescribeSends(plan_, base_, options_);
  QString text = ConsentLines(consent).join(QLatin1Char('\n'));
  if (!plan_.unsent.empty())
    text += QLatin1Char('\n') +
            FormatMessage(Translate("Rows of the list that cannot go: %d; they are listed with the reason."),
                          {QString::number(plan_.unsent.size())});
  const QString confirm =
      consent.warnings.isEmpty()
          ? FormatMessage(Translate("Send %d message(s)"), {QString::number(consent.messages)})
          : FormatMessage(Translate("Send despite %d warning(s)"), {QString::number(consent.warnings.size())});
  if (!boxes_.confirm({this, Translate("Send"), text, confirm, !consent.warnings.isEmpty()})) return;

  stop_ = false;
  options_.resend = resend;
  for (std::size_t i = 0; i < plan_.items.size(); ++i) setResult(itemRow_[i], {}, {}, kPlain);
  progress_->setValue(0);
  sendButton_->setEnabled(false);
  repliesButton_->setEnabled(false);
  settingsButton_->setEnabled(false);
  stopButton_->setEnabled(true);
  status_->setText(Translate("Sending..."));
  // The device and the journal's connection belong to the thread that sends.
  thread_ = QThread::create([this, items = plan_.items, options = options_, liveness = LivenessOf(platform_.process)] {
    SendSummary summary;
    SendLog log;
    auto journal = SqliteJournal::open(options.journalPath(), liveness);
    if (!journal) {
      summary.fatal = journal.failure();
    } else if (const Status begun = journal.value()->beginRun(SendRoute(options), options.modem.isEmpty()); !begun) {
      summary.fatal = begun.failure();
    } else if (const Status opened = log.open(options.log, platform_.files, journal.value().get()); !opened) {
      summary.fatal = Failure{options.log + QStringLiteral(": ") + opened.message(), opened.message()};
    } else if (Expected<StartedSender> sender = StartSender(options, platform_); !sender) {
      summary.fatal = sender.failure();
    } else {
      SendEvents events;
      events.starting = [this](std::size_t i) {
        QMetaObject::invokeMethod(this, [this, i] {
          const int row = itemRow_[i];
          setResult(row, Translate("sending..."), {}, kPlain);
          table_->selectRow(row);
          table_->scrollToItem(table_->item(row, kResultColumn));
        });
      };
      events.done = [this](std::size_t i, const SendOutcome& outcome) {
        QMetaObject::invokeMethod(this, [this, i, outcome] { itemDone(i, outcome); });
      };
      events.stopRequested = [this] { return stop_.load(); };
      events.wait = [this](std::chrono::milliseconds wait) { WaitUnlessStopped(wait, stop_); };
      summary = RunSends(items, *sender.value(), *journal.value(), &log, {options.interval, options.resend}, events);
    }
    QMetaObject::invokeMethod(this, [this, summary] { RunGuarded(boxes_, this, [&] { finished(summary); }); });
  });
  thread_->start();
}

void SendDialog::finished(const SendSummary& summary) {
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
  QString text = SendSummaryLine(summary, plan_);
  if (summary.fatal) text = summary.fatal->message + QLatin1Char('\n') + text;
  if (summary.unconfirmed > 0)
    text += QLatin1Char('\n') +
            Translate("Unconfirmed messages may have reached their DTUs: check them before sending again.");
  status_->setText(text);
  stopButton_->setEnabled(false);
  settingsButton_->setEnabled(true);
  showOptions();
  if (closeWhenDone_) QDialog::reject();
}

void SendDialog::showReplies() {
  const int row = table_->currentRow() < 0 ? 0 : table_->currentRow();
  const QString number = table_->rowCount() == 0 ? QString() : table_->item(row, kSimColumn)->text();
  repliesButton_->setEnabled(false);
  status_->setText(FormatMessage(Translate("Reading the messages from %s on the modem..."), {number}));
  if (reader_) return;
  reader_ = QThread::create([this, number, options = options_] {
    Expected<StartedSender> sender = StartSender(options, platform_);
    const Replies replies = sender ? sender.value()->inbox() : Replies(sender.failure());
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
    for (const IncomingSms& m : replies->messages)
      if (NamesOneSim(m.sender, number))
        text += QStringLiteral("%1  %2\n%3\n\n")
                    .arg(QLocale().toString(m.sent.toLocalTime(), QLocale::ShortFormat), m.sender, m.text);
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
