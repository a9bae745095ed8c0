// SPDX-License-Identifier: MIT
#include "ui/BatchDialog.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "ui/BatchWriters.h"
#include "ui/HandlerGuard.h"
#include "ui/MessagePresenter.h"
#include "ui/WidgetAccess.h"

namespace dtu {

namespace {

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* button = new QPushButton(Translate(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

QTableWidgetItem* Cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  return item;
}

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
  table_ = new QTableWidget(0, 5, this);
  table_->setObjectName(QStringLiteral("batch_Preview"));
  table_->setHorizontalHeaderLabels({Translate(N_("Line")), Translate(N_("DTU number")), Translate(N_("SIM number")),
                                     Translate(N_("SMS command")), Translate(N_("Check or error"))});
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
  csvButton_ = Button(this, "batch_ExportCsv", N_("Export C&SV..."));
  sheetButton_ = Button(this, "batch_ExportSheet", N_("Export &QR sheet..."));
  QPushButton* closeButton = Button(this, "batch_Close", N_("&Close"));

  auto* top = new QHBoxLayout;
  top->addWidget(openButton);
  top->addWidget(hint, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(csvButton_);
  buttons->addWidget(sheetButton_);
  buttons->addStretch(1);
  buttons->addWidget(closeButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(listEdit_, 1);
  layout->addWidget(table_, 2);
  layout->addWidget(summary_);
  layout->addLayout(buttons);

  // Typing recomposes once the user pauses, not at every key.
  composeTimer_ = new QTimer(this);
  composeTimer_->setSingleShot(true);
  composeTimer_->setInterval(250);
  connect(listEdit_, &QPlainTextEdit::textChanged, composeTimer_, qOverload<>(&QTimer::start));
  connect(composeTimer_, &QTimer::timeout, this, GuardedSlot(boxes_, this, &BatchDialog::compose));
  connect(openButton, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &BatchDialog::openClicked));
  connect(csvButton_, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &BatchDialog::exportCsvClicked));
  connect(sheetButton_, &QPushButton::clicked, this, GuardedSlot(boxes_, this, &BatchDialog::exportSheetClicked));
  connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
  PressButtonsOnEnter(this);
  compose();
}

bool BatchDialog::openList(const QString& path) {
  const BatchText text = ReadBatchFile(path, codec_);
  if (text.error != BatchFileError::None) {
    showError(path + QStringLiteral(": ") + DescribeBatchFileError(text));
    return false;
  }
  listPath_ = path;
  listEdit_->setPlainText(text.text);
  compose();
  return true;
}

void BatchDialog::compose() {
  composeTimer_->stop();
  list_ = ComposeBatchText(listEdit_->toPlainText(), fields_, codec_, setupProblem_);
  showRows();
}

void BatchDialog::showRows() {
  const auto check = BatchCheck(fields_);
  table_->setUpdatesEnabled(false);
  table_->clearContents();
  table_->setRowCount(setupProblem_.any() ? 0 : static_cast<int>(list_.rows.size()));
  for (int i = 0; i < table_->rowCount(); ++i) {
    const BatchRow& row = list_.rows[static_cast<size_t>(i)];
    table_->setItem(i, 0, Cell(QString::number(row.line)));
    table_->setItem(i, 1, Cell(row.dtuNumber));
    table_->setItem(i, 2, Cell(row.simNumber));
    table_->setItem(i, 3, Cell(row.command));
    table_->item(i, 3)->setToolTip(row.command);
    QTableWidgetItem* last = Cell(row.ok() ? check(row.command) : DescribeBatchProblem(row));
    last->setToolTip(last->text());
    if (!row.ok()) last->setForeground(QColor(0xb0, 0, 0));
    table_->setItem(i, 4, last);
  }
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
  csvButton_->setEnabled(ok > 0);
  sheetButton_->setEnabled(ok > 0);
}

bool BatchDialog::exportAs(const char* format, const QString& path) {
  if (!listPath_.isEmpty() && SameFile(files_, path, listPath_)) {
    showError(path + QStringLiteral(": ") + Translate("This is the list itself; an output never replaces it."));
    return false;
  }
  QString reason;
  if (WriteBatchFile(*FindBatchWriter(format), ComposedBatch{list_, fields_}, path, &reason)) return true;
  ShowFileWriteError(boxes_, this, path, reason);
  return false;
}

void BatchDialog::showError(const QString& text) { ShowApplicationError(boxes_, this, text); }

void BatchDialog::openClicked() {
  const QString path = QFileDialog::getOpenFileName(this, Translate(N_("Open list")), QString(),
                                                    Translate(N_("Lists (*.csv *.txt);;All files (*)")));
  if (!path.isEmpty()) openList(path);
}

void BatchDialog::exportCsvClicked() {
  compose();  // the list as it is now, also within the typing pause
  const QString path = QFileDialog::getSaveFileName(this, Translate(N_("Export CSV")), QStringLiteral("dtu-sms.csv"),
                                                    Translate(N_("CSV files (*.csv)")));
  if (!path.isEmpty()) exportAs("csv", path);
}

void BatchDialog::exportSheetClicked() {
  compose();
  const QString path = QFileDialog::getSaveFileName(this, Translate(N_("Export QR sheet")),
                                                    QStringLiteral("dtu-sms.pdf"), Translate(N_("PDF files (*.pdf)")));
  if (!path.isEmpty()) exportAs("pdf", path);
}

}  // namespace dtu
