// SPDX-License-Identifier: MIT
#include "ui/BatchDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

#include "core/batch/BatchCompose.h"
#include "core/batch/BatchProblems.h"
#include "core/batch/BatchText.h"
#include "core/batch/SameFile.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/send/SendJournal.h"
#include "core/send/SendPlan.h"
#include "render/BatchWriters.h"
#include "ui/BatchPreview.h"
#include "ui/HandlerGuard.h"
#include "ui/MessagePresenter.h"
#include "ui/RolloutDialog.h"
#include "ui/SendDialogs.h"
#include "ui/UserSettings.h"
#include "ui/WidgetAccess.h"

namespace dtu {

namespace {

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* button = new QPushButton(Translate(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

// An export that takes longer shows its progress and can be stopped.
constexpr int kProgressDelayMs = 1000;

}  // namespace

BatchDialog::BatchDialog(const SmsCommandInputs& fields, const AnsiCodec& codec, platform::FileStore& files,
                         QWidget* owner, MessagePresenter& boxes)
    : QDialog(owner),
      boxes_(boxes),
      codec_(codec),
      files_(files),
      fields_(fields),
      setupProblem_(CheckBatchInputs(fields, codec)) {
  setObjectName(QStringLiteral("batch_Dialog"));
  setWindowTitle(Translate(N_("Batch")));
  setModal(true);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  resize(920, 560);

  QPushButton* openButton = Button(this, "batch_Open", N_("&Open list..."));
  auto* hint = new QLabel(
      Translate(N_("Or paste the list: one DTU number a line, optionally a comma and the DTU's SIM number.")), this);
  hint->setWordWrap(true);
  hint->setTextFormat(Qt::PlainText);
  listEdit_ = new QPlainTextEdit(this);
  listEdit_->setObjectName(QStringLiteral("batch_List"));
  listEdit_->setLineWrapMode(QPlainTextEdit::NoWrap);
  listEdit_->setAccessibleName(Translate(N_("DTU list")));
  preview_ = new BatchPreviewModel({Translate(N_("Line")), Translate(N_("DTU number")), Translate(N_("SIM number")),
                                    Translate(N_("SMS command")), Translate(N_("Check or error"))},
                                   this);
  table_ = new QTableView(this);
  table_->setObjectName(QStringLiteral("batch_Preview"));
  table_->setModel(preview_);
  table_->setAccessibleName(Translate(N_("Preview")));
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  // Sized from a sample of rows: measuring ten thousand would stall the dialog.
  table_->horizontalHeader()->setResizeContentsPrecision(200);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("batch_Summary"));
  summary_->setWordWrap(true);
  summary_->setTextFormat(Qt::PlainText);
  for (const BatchFormat& format : BatchFormats())
    exportButtons_.push_back(Button(this, format.buttonName, format.buttonCaption));
  QPushButton* closeButton = Button(this, "batch_Close", N_("&Close"));

  auto* top = new QHBoxLayout;
  top->addWidget(openButton);
  top->addWidget(hint, 1);
  auto* buttons = new QHBoxLayout;
  buttons->setObjectName(QStringLiteral("batch_ButtonRow"));
  for (QPushButton* button : exportButtons_) buttons->addWidget(button);
  buttons->addStretch(1);
  buttons->addWidget(closeButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(listEdit_, 1);
  layout->addWidget(table_, 2);
  layout->addWidget(summary_);
  layout->addLayout(buttons);

  // Typing recomposes once the user pauses, not at every key, and never
  // holds up the next key: ten thousand rows take a second.
  composer_.setMaxThreadCount(1);
  composeTimer_ = new QTimer(this);
  composeTimer_->setSingleShot(true);
  composeTimer_->setInterval(250);
  connect(listEdit_, &QPlainTextEdit::textChanged, composeTimer_, qOverload<>(&QTimer::start));
  connect(composeTimer_, &QTimer::timeout, this, GuardedSlot(boxes_, this, &BatchDialog::composeInBackground));
  connect(openButton, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &BatchDialog::openClicked));
  for (std::size_t i = 0; i < exportButtons_.size(); ++i) {
    const BatchFormat& format = BatchFormats()[i];
    connect(exportButtons_[i], &QPushButton::clicked, this,
            [this, &format] { RunGuarded(boxes_, this, [this, &format] { exportClicked(format); }); });
  }
  connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
  PressButtonsOnEnter(this);
  compose();
}

bool BatchDialog::openList(const QString& path) {
  const Expected<QString> text = ReadBatchFile(path, codec_);
  if (!text) {
    showError(QDir::toNativeSeparators(path) + QStringLiteral(": ") + text.message());
    return false;
  }
  listPath_ = path;
  listEdit_->setPlainText(text.value());
  compose();
  return true;
}

void BatchDialog::compose() {
  composeTimer_->stop();
  ++composition_;
  list_ = ComposeBatchText(listEdit_->toPlainText(), fields_, codec_, setupProblem_);
  showRows();
}

void BatchDialog::composeInBackground() {
  composeTimer_->stop();
  const quint64 composition = ++composition_;
  composer_.clear();  // one still waiting to start is stale already
  composer_.start(
      [this, composition, text = listEdit_->toPlainText(), fields = fields_, codec = codec_, setup = setupProblem_] {
        auto list = std::make_shared<BatchList>(ComposeBatchText(text, fields, codec, setup));
        QMetaObject::invokeMethod(
            this,
            [this, composition, list] {
              if (composition != composition_) return;
              list_ = std::move(*list);
              showRows();
            },
            Qt::QueuedConnection);
      });
}

void BatchDialog::showRows() {
  table_->setUpdatesEnabled(false);
  preview_->setList(setupProblem_.any() ? BatchList() : list_, BatchCheck(fields_));
  table_->resizeColumnsToContents();
  // The check or error stays in view; the full command is in its tooltip.
  table_->setColumnWidth(3, std::min(table_->columnWidth(3), 260));
  table_->setUpdatesEnabled(true);

  const int ok = setupProblem_.any() ? 0 : list_.okCount();
  QStringList summary;
  if (setupProblem_.any()) {
    summary << DescribeBatchSetupProblem(setupProblem_);
  } else {
    summary << FormatMessage(Translate(N_("%d of %d rows composed.")),
                             {QString::number(ok), QString::number(list_.rows.size())});
    if (list_.truncatedAtLine) summary << DescribeRowLimit();
  }
  summary_->setText(summary.join(QLatin1Char(' ')));
  for (QPushButton* button : exportButtons_) button->setEnabled(ok > 0);
  if (sendButton_) sendButton_->setEnabled(ok > 0);
}

void BatchDialog::protectProgramFiles(QString executable, QString settings) {
  executable_ = std::move(executable);
  settings_ = std::move(settings);
}

bool BatchDialog::exportAs(const char* format, const QString& path) {
  // The send log the dialog's "Send..." would write to.
  const QString sendLog = listPath_.isEmpty() ? WindowSendLogPath() : DefaultSendLogPath(listPath_);
  if (const QString refusal =
          RefuseOutput(files_, path, ProtectedFiles(listPath_, sendLog, executable_, settings_, DefaultJournalPath()));
      !refusal.isEmpty()) {
    showError(QDir::toNativeSeparators(path) + QStringLiteral(": ") + refusal);
    return false;
  }
  // Its own copy: a composition may finish while the pages are written.
  const BatchList list = list_;
  QProgressDialog progress(this);
  progress.setObjectName(QStringLiteral("batch_Progress"));
  progress.setWindowTitle(Translate(N_("Batch")));
  progress.setCancelButtonText(Translate(N_("Cancel")));
  // Modal, so that it lets events through to its own Cancel only.
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(kProgressDelayMs);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  const auto step = [&progress](int done, int total) {
    progress.setMaximum(total);
    progress.setLabelText(
        FormatMessage(Translate(N_("Writing page %d of %d")), {QString::number(done), QString::number(total)}));
    progress.setValue(done);
    // Until it shows, the progress dialog lets no event through, so a Cancel
    // could not reach it.
    if (!progress.isVisible()) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return !progress.wasCanceled();
  };
  const Status written = WriteBatchFile(*FindBatchWriter(format), ComposedBatch{list, fields_, step}, path);
  if (!written && !progress.wasCanceled()) ShowFileWriteError(boxes_, this, path, written.failure().detail);
  return written.ok();
}

void BatchDialog::showError(const QString& text) { ShowApplicationError(boxes_, this, text); }

void BatchDialog::openClicked() {
  const QString path = QFileDialog::getOpenFileName(this, Translate(N_("Open list")), StartFolder(FileKind::kList),
                                                    Translate(N_("Lists (*.csv *.txt);;All files (*)")));
  if (path.isEmpty()) return;
  RememberFolder(FileKind::kList, path);
  openList(path);
}

void BatchDialog::exportClicked(const BatchFormat& format) {
  compose();  // the list as it is now, also within the typing pause
  const QString path = QFileDialog::getSaveFileName(
      this, Translate(format.saveTitle),
      QDir(StartFolder(FileKind::kExport)).filePath(SuggestedOutputName(format, listPath_)),
      Translate(format.fileFilter));
  if (path.isEmpty()) return;
  RememberFolder(FileKind::kExport, path);
  exportAs(format.writer.format(), path);
}

void BatchDialog::enableSending(const platform::Platform& platform) {
  platform_ = &platform;
  sendButton_ = Button(this, "batch_Send", N_("Se&nd..."));
  sendButton_->setEnabled(exportButtons_.back()->isEnabled());
  if (auto* row = findChild<QHBoxLayout*>(QStringLiteral("batch_ButtonRow")))
    row->insertWidget(static_cast<int>(exportButtons_.size()), sendButton_);
  setTabOrder(exportButtons_.back(), sendButton_);
  connect(sendButton_, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &BatchDialog::sendClicked));
  rolloutButton_ = Button(this, "batch_Rollout", N_("Ro&ll-out..."));
  if (auto* row = findChild<QHBoxLayout*>(QStringLiteral("batch_ButtonRow")))
    row->insertWidget(static_cast<int>(exportButtons_.size()) + 1, rolloutButton_);
  setTabOrder(sendButton_, rolloutButton_);
  connect(rolloutButton_, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &BatchDialog::rolloutClicked));
  PressButtonsOnEnter(this);
}

void BatchDialog::rolloutClicked() {
  compose();
  QStringList dtuNumbers;
  for (const BatchRow& row : list_.rows) dtuNumbers << row.dtuNumber;
  RolloutDialog dialog(dtuNumbers, DefaultJournalPath(), *platform_, this, boxes_);
  dialog.exec();
}

void BatchDialog::sendClicked() {
  compose();
  SendPlan plan = PlanSends(list_);
  if (plan.items.empty()) {
    showError(Translate(N_("No row that composed has a SIM number to send to.")));
    return;
  }
  SendDialog dialog(std::move(plan), fields_, listPath_.isEmpty() ? WindowSendLogPath() : DefaultSendLogPath(listPath_),
                    *platform_, this, boxes_);
  dialog.exec();
}

}  // namespace dtu
