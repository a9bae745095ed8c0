// SPDX-License-Identifier: MIT
// The program's options. They are read before any window exists, so that the
// options that only print work without a display.
#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <string>

#include "core/send/SendRun.h"

namespace dtu {

struct CommandLine {
  enum class Action {
    kRun,      // open the window
    kPrint,    // print `text` on standard output and exit with 0
    kFail,     // print `text` on standard error and exit with ExitStatus::kUsageOrFileError
    kBatch,    // compose the list `batchList` without a window (app/BatchCommand.h)
    kJournal,  // list the send journal as CSV (into batchOutputs["csv"] when given)
    kReceive,  // read the modem `send.modem` into the journal
  };
  Action action = Action::kRun;
  QString text;
  // With kRun: a line for standard error before the window opens (ignored options and arguments).
  QString notice;
  // What Qt's application object is given: the program's name and the -platform option, none of
  // Qt's other options (-title, -reverse, -style...), which would change the window.
  QStringList qtArguments;
  // Hidden from --help: close the window once it is shown (start-up checks).
  bool quitWhenShown = false;
  QString batchList;
  // A batch writer's format and the file it writes; a format not given is not written.
  std::map<std::string, QString> batchOutputs;
  bool batchDefaults = false;
  SendOptions send{};
};

// `arguments` starts with the program's name, as argv does.
CommandLine ParseCommandLine(const QStringList& arguments);

}  // namespace dtu
