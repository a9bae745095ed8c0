// SPDX-License-Identifier: MIT
#include "cli/BatchCommand.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "cli/ConsoleReporter.h"
#include "cli/SendCommand.h"
#include "core/AppConstants.h"
#include "core/batch/BatchCompose.h"
#include "core/batch/BatchCsv.h"
#include "core/batch/BatchList.h"
#include "core/batch/BatchProblems.h"
#include "core/batch/BatchText.h"
#include "core/config/AnsiCodec.h"
#include "core/config/SettingsFields.h"
#include "core/i18n/Format.h"
#include "core/i18n/Localizer.h"
#include "core/i18n/Translate.h"
#include "core/net/NetProbe.h"
#include "core/sms/SmsCheck.h"
#include "core/sms/StoredSmsInputs.h"
#include "platform/Platform.h"
#include "render/BatchWriters.h"

namespace dtu {

ExitStatus RunBatch(const BatchOptions& options, const SmsCommandInputs& base, const AnsiCodec& codec,
                    platform::FileStore& files, QByteArray& out, QByteArray& err, const BatchProgress& progress,
                    const platform::Platform* platform) {
  for (const QString& output : {options.csv, options.pdf}) {
    if (!output.isEmpty() && SameFile(files, output, options.list)) {
      ReportLine(err, output, Translate("This is the list itself; an output never replaces it."));
      return ExitStatus::kUsageOrFileError;
    }
  }
  if (!options.csv.isEmpty() && !options.pdf.isEmpty() && SameFile(files, options.csv, options.pdf)) {
    ReportLine(err, options.pdf, Translate("--csv and --pdf name the same file."));
    return ExitStatus::kUsageOrFileError;
  }
  const BatchSetupProblem setup = CheckBatchInputs(base, codec);
  if (setup.any()) {
    ReportLine(err, QString::fromLatin1(kSettingsFileName), DescribeBatchSetupProblem(setup));
    return ExitStatus::kUsageOrFileError;
  }
  const Expected<QString> text = ReadBatchFile(options.list, codec);
  if (!text) {
    ReportLine(err, options.list, text.message());
    return ExitStatus::kUsageOrFileError;
  }
  const BatchList list = ComposeBatchText(text.value(), base, codec, setup);
  if (list.rows.empty()) {
    ReportLine(err, options.list, Translate("The list holds no DTU number."));
    return ExitStatus::kUsageOrFileError;
  }

  for (const BatchRow& row : list.rows)
    if (!row.ok()) ReportLine(err, ListLine(options.list, row.line), DescribeBatchProblem(row));
  if (list.truncatedAtLine) ReportLine(err, ListLine(options.list, list.truncatedAtLine), DescribeRowLimit());
  const bool allComposed = list.okCount() == static_cast<int>(list.rows.size()) && !list.truncatedAtLine;
  if (list.okCount() == 0) {
    ReportLine(err, options.list, Translate("No row composed; nothing was written."));
    return ExitStatus::kSomeRowsFailed;
  }

  const ComposedBatch batch{list, base, progress};
  // Without --csv the CSV goes to standard output, without the file's byte-order
  // mark, unless the rows are sent.
  const bool sending = options.send.any() && platform;
  if (!sending && options.csv.isEmpty()) out += BatchCsv(list, BatchCheck(base));
  const std::pair<const char*, QString> outputs[] = {{"csv", options.csv}, {"pdf", options.pdf}};
  for (const auto& [format, path] : outputs) {
    if (path.isEmpty()) continue;
    if (const Status written = WriteBatchFile(*FindBatchWriter(format), batch, path); !written) {
      ReportLine(err, path, written.message());
      return ExitStatus::kUsageOrFileError;
    }
  }
  if (sending) {
    const ExitStatus sent = SendBatch(list, options.list, options.send, *platform, err);
    if (sent != ExitStatus::kSuccess) return sent;
  }
  return allComposed ? ExitStatus::kSuccess : ExitStatus::kSomeRowsFailed;
}

ExitStatus RunBatchProcess(int argc, char** argv, const BatchOptions& options, const platform::Platform& platform) {
  // Standard error carries the list's problems only; Qt's notes about the
  // environment (no runtime folder, fonts) would read as if they were some.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "dtusms: %s\n", qPrintable(message));
  });
  std::unique_ptr<QCoreApplication> app;
  if (options.pdf.isEmpty()) {
    app = std::make_unique<QCoreApplication>(argc, argv);
  } else {
    platform.process.preferWindowlessGui();
    app = std::make_unique<QGuiApplication>(argc, argv);
  }
  const AnsiCodec codec = AnsiCodec::ForUser(platform.codePage);
  StartLocalizer(platform);
  const QString settings = SettingsFilePathFor(platform.process.executablePath(), codec);
  // A list must not go out with a server the technician did not choose.
  if (const Status readable = CheckSettingsFile(settings, codec, platform.files); !readable && !options.defaults) {
    QByteArray err;
    ReportLine(err, QString::fromLatin1(kSettingsFileName), readable.message());
    ReportLine(err, Translate("Give --defaults to compose with the default fields."));
    WriteStandardError(err);
    return ExitStatus::kUsageOrFileError;
  }
  net::ProbeServices probes;
  probes.network = &platform.network;
  const SmsCommandInputs base =
      ReadStoredSmsInputs(settings, codec, platform.files, [&] { return net::GetLocalHostAddress(probes); });

  QByteArray out;
  QByteArray err;
  const ExitStatus status = RunBatch(options, base, codec, platform.files, out, err,
                              TerminalProgress(platform.process, WriteStandardError), &platform);
  std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
  std::fwrite(err.constData(), 1, static_cast<size_t>(err.size()), stderr);
  return std::fflush(stdout) == 0 ? status : ExitStatus::kUsageOrFileError;
}

}  // namespace dtu
