// SPDX-License-Identifier: MIT
// "dtusms --batch LIST [--csv OUT.csv] [--pdf OUT.pdf] [--defaults]": composes
// a list with the stored fields, without a window and without writing the
// settings file; without that file it stops unless told to use the defaults.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <map>
#include <string>

#include "cli/ConsoleReporter.h"
#include "cli/ExitStatus.h"
#include "cli/SendCommand.h"
#include "core/send/SendRun.h"
#include "core/sms/SmsComposer.h"
#include "platform/Platform.h"

namespace dtu {

struct CommandLine;

struct BatchOptions {
  QString list;
  // A batch writer's format ("csv", "pdf") and the file it writes. Without
  // "csv" the CSV goes to standard output.
  std::map<std::string, QString> outputs;
  QString output(const std::string& format) const {
    const auto found = outputs.find(format);
    return found == outputs.end() ? QString() : found->second;
  }
  bool defaults = false;  // compose with the default fields when the settings file cannot be read
  SendOptions send{};     // nothing: compose only
  // The program's own files, which no output replaces.
  QString executable;
  QString settings;
};

// Everything but the process: `out` receives the CSV when it is not written
// to a file, `err` one line per problem ("LIST:LINE: message"). An output
// that names the list, the send log, the program's own files or the other
// output is refused before anything is written.
// With options.send, the rows go to `platform`'s modem or gateway instead of
// the CSV to `out`.
ExitStatus RunBatch(const BatchOptions& options, const SmsCommandInputs& base, const AnsiCodec& codec,
                    platform::FileStore& files, QByteArray& out, QByteArray& err, const BatchProgress& progress = {},
                    const platform::Platform* platform = nullptr, const ErrorFlush& flush = {});

// The process around RunBatch: the application object (a PDF needs fonts,
// so a display-less one then), the stored fields, standard output and error.
ExitStatus RunBatchProcess(int argc, char** argv, const BatchOptions& options, const platform::Platform& platform);
// "dtusms --receive DEVICE [--baud N]".
ExitStatus RunReceiveProcess(int argc, char** argv, const SendOptions& options, const platform::Platform& platform);
// "dtusms --journal [--csv OUT]".
ExitStatus RunJournalProcess(int argc, char** argv, const QString& csvPath, const platform::Platform& platform);

}  // namespace dtu
