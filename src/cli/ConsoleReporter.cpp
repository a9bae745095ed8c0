// SPDX-License-Identifier: MIT
#include "cli/ConsoleReporter.h"

#include <QDir>
#include <QtGlobal>
#include <algorithm>
#include <cstdio>

#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"

namespace dtu {

void KeepStandardErrorOurs() {
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
      QByteArray line;
      ReportLine(line, message);
      WriteStandardError(line);
    }
  });
}

void ReportLine(QByteArray& err, const QString& where, const QString& message) {
  ReportLine(err, QDir::toNativeSeparators(where) + QStringLiteral(": ") + message);
}

void ReportLine(QByteArray& err, const QString& message) {
  err += (QStringLiteral("dtusms: ") + message + QLatin1Char('\n')).toLocal8Bit();
}

QString ListLine(const QString& list, int line) { return list + QLatin1Char(':') + QString::number(line); }

void WriteStandardError(const QByteArray& bytes) {
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
  std::fflush(stderr);
}

BatchProgress TerminalProgress(platform::Process& process, std::function<void(const QByteArray&)> write,
                               const char* format) {
  if (!process.errorIsTerminal()) return {};
  return [write = std::move(write), format, width = qsizetype(0)](int page, int pages) mutable {
    const QByteArray line =
        (QStringLiteral("dtusms: ") + FormatMessage(Translate(format), {QString::number(page), QString::number(pages)}))
            .toLocal8Bit();
    width = std::max(width, line.size());
    write('\r' + line + (page < pages ? QByteArray() : '\r' + QByteArray(width, ' ') + '\r'));
    return true;
  };
}

}  // namespace dtu
