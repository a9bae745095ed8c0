// SPDX-License-Identifier: MIT
// What the command line tells the user: one line per problem in the form
// command-line tools use, and a counter that only a terminal sees.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "platform/Process.h"

namespace dtu {

// Told of each step as it is done (done, total); false stops the work.
using BatchProgress = std::function<bool(int page, int pages)>;

// Qt's own messages leave standard error to ours: a critical or fatal one becomes a "dtusms: message"
// line, the rest (a missing runtime folder, fonts, the platform's notes) are dropped.
void KeepStandardErrorOurs();

// "dtusms: WHERE: message" and a line end.
void ReportLine(QByteArray& err, const QString& where, const QString& message);
// "dtusms: message" and a line end.
void ReportLine(QByteArray& err, const QString& message);
// "LIST:LINE", the place of a row.
QString ListLine(const QString& list, int line);
// The bytes on standard error now, for what a terminal shows as it happens.
void WriteStandardError(const QByteArray& bytes);

// A counter on one line, handed to `write` as it changes and wiped at the
// end, when standard error is a terminal; nothing otherwise (the errors that
// follow must read as they would in a log). `format` counts something else
// than pages ("Sending %d of %d").
BatchProgress TerminalProgress(platform::Process& process, std::function<void(const QByteArray&)> write,
                               const char* format = "Writing page %d of %d");

}  // namespace dtu
