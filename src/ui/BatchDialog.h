// SPDX-License-Identifier: MIT
// "Batch...": many DTUs composed with the window's current fields. The list
// comes from a file or is pasted; the preview shows every row with its
// command or its problem; the rows that composed go to a CSV file or a
// printable sheet of QR codes.
#pragma once

#include <QDialog>
#include <QThreadPool>
#include <vector>

#include "core/batch/BatchList.h"
#include "core/sms/SmsComposer.h"
#include "core/text/AnsiCodec.h"
#include "platform/Platform.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace dtu {

class BatchPreviewModel;
struct BatchFormat;
class MessagePresenter;

class BatchDialog : public QDialog {
  Q_OBJECT

 public:
  // Lists are read and fields composed in `codec`'s charset; `files` tells
  // whether an export would replace the opened list.
  BatchDialog(const SmsCommandInputs& fields, const AnsiCodec& codec, platform::FileStore& files, QWidget* owner,
              MessagePresenter& boxes);

  // What the buttons do once a file is chosen; false after an error box.
  bool openList(const QString& path);
  // `format` names a batch writer: "csv", "pdf".
  bool exportAs(const char* format, const QString& path);
  const BatchList& list() const { return list_; }
  // Adds "Send...": the rows that composed, each to its SIM number, through
  // the user's modem or gateway; the log sits beside the opened list.
  void enableSending(const platform::Platform& platform);
  // The executable and its settings file, which no export replaces either.
  void protectProgramFiles(QString executable, QString settings);

 private:
  // Now, on this thread: before an export, and for a list just opened.
  void compose();
  // On a thread of its own while the user types; the preview follows when done.
  void composeInBackground();
  void showRows();
  void openClicked();
  void exportClicked(const BatchFormat& format);
  void sendClicked();
  void rolloutClicked();
  void showError(const QString& text);

  MessagePresenter& boxes_;
  AnsiCodec codec_;
  platform::FileStore& files_;
  QString listPath_;  // the file last opened, which no export replaces
  QString executable_;
  QString settings_;
  SmsCommandInputs fields_;
  BatchSetupProblem setupProblem_;
  BatchList list_;
  QPlainTextEdit* listEdit_ = nullptr;
  QTableView* table_ = nullptr;
  BatchPreviewModel* preview_ = nullptr;
  QLabel* summary_ = nullptr;
  std::vector<QPushButton*> exportButtons_;  // one a batch format, in the table's order
  QPushButton* sendButton_ = nullptr;
  QPushButton* rolloutButton_ = nullptr;
  const platform::Platform* platform_ = nullptr;
  QTimer* composeTimer_ = nullptr;
  quint64 composition_ = 0;  // the latest; a result of an earlier one is dropped
  // Last, so that it waits for its work before anything that work posts to goes.
  QThreadPool composer_;
};

}  // namespace dtu
