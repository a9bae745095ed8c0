// SPDX-License-Identifier: MIT
#include "ui/RolloutDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include "core/config/AtomicFile.h"
#include "core/csv/Csv.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/send/SenderFactory.h"
#include "core/send/SqliteJournal.h"
#include "ui/HandlerGuard.h"
#include "ui/MessagePresenter.h"
#include "ui/SendDialogs.h"
#include "ui/UserSettings.h"
#include "ui/WidgetAccess.h"

namespace dtu {

namespace {

enum Column { kDtu, kSim, kCommand, kState, kDelivered, kAnswer, kAnswered, kColumns };

// The filter's entries: the states a row can be in, untranslated, "" for all.
constexpr const char* kStates[] = {"", "sent", "delivered", "not delivered", "unconfirmed", "failed"};
constexpr const char* kStateCaptions[] = {N_("All states"),    N_("sent"),        N_("delivered"),
                                          N_("not delivered"), N_("unconfirmed"), N_("failed")};

QString Local(const QDateTime& time) {
  return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QString();
}

}  // namespace

QString RolloutState(const RolloutRow& row) {
  if (row.delivery == Delivery::Delivered || row.delivery == Delivery::NotDelivered) return DeliveryName(row.delivery);
  return row.last.state == JournalState::Submitting ? JournalStateName(JournalState::Unconfirmed)
                                                    : JournalStateName(row.last.state);
}

RolloutDialog::RolloutDialog(QStringList dtuNumbers, QString journalPath, const platform::Platform& platform,
                             QWidget* owner, MessagePresenter& boxes)
    : QDialog(owner),
      boxes_(boxes),
      platform_(platform),
      dtuNumbers_(std::move(dtuNumbers)),
      journalPath_(std::move(journalPath)) {
  setWindowTitle(Translate("Roll-out"));
  filter_ = new QComboBox;
  filter_->setObjectName(QStringLiteral("rollout_Filter"));
  filter_->setAccessibleName(Translate("Show"));
  for (const char* caption : kStateCaptions) filter_->addItem(Translate(caption));
  everyDtu_ = new QCheckBox(Translate("Every DTU of the journal"));
  everyDtu_->setObjectName(QStringLiteral("rollout_Every"));
  everyDtu_->setChecked(dtuNumbers_.isEmpty());
  everyDtu_->setEnabled(!dtuNumbers_.isEmpty());
  auto* top = new QHBoxLayout;
  auto* showLabel = new QLabel(Translate("&Show:"));
  showLabel->setBuddy(filter_);
  top->addWidget(showLabel);
  top->addWidget(filter_);
  top->addWidget(everyDtu_);
  top->addStretch(1);

  table_ = new QTableWidget(0, kColumns);
  table_->setObjectName(QStringLiteral("rollout_Table"));
  table_->setAccessibleName(Translate("Roll-out"));
  table_->setHorizontalHeaderLabels({Translate("DTU number"), Translate("SIM number"), Translate("Last command"),
                                     Translate("State"), Translate("Delivered"), Translate("Answer"),
                                     Translate("Answered")});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setSectionResizeMode(kAnswer, QHeaderView::Stretch);
  // A whole command is long; its tool tip holds it, so the answer stays in view.
  table_->horizontalHeader()->setSectionResizeMode(kCommand, QHeaderView::Interactive);
  table_->setColumnWidth(kCommand, table_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 22);
  table_->setWordWrap(false);
  table_->setTextElideMode(Qt::ElideMiddle);
  deleteRead_ = new QCheckBox(Translate("Delete from the SIM once stored"));
  deleteRead_->setObjectName(QStringLiteral("rollout_Delete"));
  status_ = new QLabel;
  status_->setObjectName(QStringLiteral("rollout_Status"));
  status_->setWordWrap(true);
  status_->setTextFormat(Qt::PlainText);

  refreshButton_ = new QPushButton(Translate("&Refresh from the modem"));
  refreshButton_->setObjectName(QStringLiteral("rollout_Refresh"));
  auto* exportButton = new QPushButton(Translate("&Export CSV..."));
  exportButton->setObjectName(QStringLiteral("rollout_Export"));
  auto* close = new QPushButton(Translate("Close"));
  for (QPushButton* b : {refreshButton_, exportButton, close}) b->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(refreshButton_);
  buttons->addWidget(deleteRead_);
  buttons->addStretch(1);
  buttons->addWidget(exportButton);
  buttons->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(table_, 1);
  layout->addWidget(status_);
  layout->addLayout(buttons);
  resize(980, 440);

  connect(filter_, &QComboBox::activated, this, GuardedSlot(boxes_, this, &RolloutDialog::show_));
  connect(everyDtu_, &QCheckBox::toggled, this, GuardedSlot(boxes_, this, &RolloutDialog::show_));
  connect(refreshButton_, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &RolloutDialog::refreshClicked));
  connect(exportButton, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &RolloutDialog::exportClicked));
  connect(close, &QPushButton::clicked, this, [this] { RunGuarded(boxes_, this, [this] { reject(); }); });
  PressButtonsOnEnter(this);
  reload();
}

RolloutDialog::~RolloutDialog() {
  if (reader_) reader_->wait();
}

void RolloutDialog::reload() {
  auto journal = SqliteJournal::open(journalPath_, LivenessOf(platform_.process));
  Expected<std::vector<RolloutRow>> rows =
      journal ? journal.value()->rollout() : Expected<std::vector<RolloutRow>>(journal.failure());
  if (!rows) {
    rows_.clear();
    status_->setText(rows.message());
  } else {
    rows_ = std::move(rows).value();
  }
  show_();
}

void RolloutDialog::show_() {
  QStringList keys;
  for (const QString& dtu : dtuNumbers_) keys << JournalDtuKey(dtu);
  const QString wanted = QString::fromLatin1(kStates[std::max(filter_->currentIndex(), 0)]);
  const bool every = everyDtu_->isChecked() || keys.isEmpty();
  table_->setRowCount(0);
  for (const RolloutRow& row : rows_) {
    const QString state = RolloutState(row);
    if (!every && !keys.contains(JournalDtuKey(row.last.dtuNumber))) continue;
    if (!wanted.isEmpty() && state != wanted) continue;
    const int r = table_->rowCount();
    table_->insertRow(r);
    QString delivered = Local(row.deliveredAt);
    if (row.delivery == Delivery::AcceptedByGateway) delivered = Translate("accepted by the gateway");
    if (!row.deliveryDetail.isEmpty()) delivered += QStringLiteral(" (") + row.deliveryDetail + QLatin1Char(')');
    const QString cells[kColumns] = {
        row.last.dtuNumber, row.last.simNumber, row.last.command,     Translate(state.toUtf8().constData()),
        delivered,          row.answer,         Local(row.answeredAt)};
    for (int c = 0; c < kColumns; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      item->setToolTip(cells[c]);
      table_->setItem(r, c, item);
    }
    // What needs a look stands out, in words and colour.
    const bool bad = state == QLatin1String("not delivered") || state == QLatin1String("failed");
    const bool look = state == QLatin1String("unconfirmed");
    if (bad || look) {
      QFont font = table_->font();
      font.setBold(true);
      table_->item(r, kState)->setFont(font);
      table_->item(r, kState)->setForeground(bad ? QColor(0xb0, 0x00, 0x20) : QColor(0xa3, 0x4a, 0x00));
    }
  }
  if (status_->text().isEmpty() || !refreshing())
    status_->setText(FormatMessage(Translate("%d DTUs shown."), {QString::number(table_->rowCount())}));
}

bool RolloutDialog::exportCsv(const QString& path) {
  QStringList header;
  for (int c = 0; c < kColumns; ++c) header << table_->horizontalHeaderItem(c)->text();
  QString text = CsvLine(header, CsvCellStyle::Spreadsheet);
  for (int r = 0; r < table_->rowCount(); ++r) {
    QStringList cells;
    for (int c = 0; c < kColumns; ++c) cells << table_->item(r, c)->text();
    text += CsvLine(cells, CsvCellStyle::Spreadsheet);
  }
  if (const Status written = WriteFileAtomically(path, "\xEF\xBB\xBF" + text.toUtf8()); !written) {
    ShowFileWriteError(boxes_, this, path, written.failure().detail);
    return false;
  }
  return true;
}

void RolloutDialog::exportClicked() {
  const QString path = QFileDialog::getSaveFileName(
      this, Translate("Export the roll-out"),
      QDir(StartFolder(FileKind::kExport)).filePath(QStringLiteral("rollout.csv")), Translate("CSV files (*.csv)"));
  if (path.isEmpty()) return;
  RememberFolder(FileKind::kExport, path);
  exportCsv(path);
}

void RolloutDialog::refreshClicked() {
  SendOptions options = LoadSendOptions();
  if (options.modem.isEmpty()) {
    ShowApplicationError(boxes_, this,
                         Translate("A gateway tells nothing back: choose a GSM modem in the Send settings."));
    return;
  }
  if (reader_) return;
  refreshButton_->setEnabled(false);
  status_->setText(FormatMessage(Translate("Reading the status reports and messages from %s..."),
                                 {QDir::toNativeSeparators(options.modem)}));
  const bool erase = deleteRead_->isChecked();
  // The modem and the journal's connection belong to the thread that reads.
  reader_ = QThread::create([this, options, erase, path = journalPath_, liveness = LivenessOf(platform_.process)] {
    QString said;
    auto journal = SqliteJournal::open(path, liveness);
    Expected<StartedSender> sender =
        journal ? StartSender(options, platform_) : Expected<StartedSender>(journal.failure());
    const Expected<ModemInbox> inbox = sender ? sender.value()->inbox() : Expected<ModemInbox>(sender.failure());
    if (!inbox) {
      said = inbox.message();
    } else {
      int reports = 0, messages = 0;
      bool kept = true;
      for (const StatusReport& report : inbox->reports) {
        bool changed = false;
        kept = journal.value()->recordReport(report, &changed).ok() && kept;
        reports += changed ? 1 : 0;
      }
      for (const IncomingSms& sms : inbox->messages) {
        bool added = false;
        const bool stored = journal.value()->storeIncoming(sms, &added).ok();
        kept = stored && kept;
        messages += added ? 1 : 0;
        // Only what the journal holds is taken off the SIM, and only when asked.
        if (stored && erase)
          for (const int index : sms.indexes) (void)sender.value()->deleteStored(index);
      }
      said = FormatMessage(Translate("%d new reports, %d new messages."),
                           {QString::number(reports), QString::number(messages)});
      if (!kept)
        said += QLatin1Char(' ') + Translate("Some could not be written to the journal; they stay on the SIM.");
    }
    QMetaObject::invokeMethod(this, [this, said] { RunGuarded(boxes_, this, [&] { refreshed(said); }); });
  });
  reader_->start();
}

void RolloutDialog::refreshed(const QString& said) {
  reader_->wait();
  delete reader_;
  reader_ = nullptr;
  refreshButton_->setEnabled(true);
  reload();
  status_->setText(said);
}

}  // namespace dtu
