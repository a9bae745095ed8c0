// SPDX-License-Identifier: MIT
#include "cli/BatchCommand.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cli/ConsoleReporter.h"
#include "cli/SendCommand.h"
#include "core/AppConstants.h"
#include "core/batch/BatchCompose.h"
#include "core/batch/BatchCsv.h"
#include "core/batch/BatchList.h"
#include "core/batch/BatchProblems.h"
#include "core/batch/BatchText.h"
#include "core/batch/SameFile.h"
#include "core/config/SettingsFields.h"
#include "core/config/StoredSmsInputs.h"
#include "core/i18n/Format.h"
#include "core/i18n/Localizer.h"
#include "core/i18n/Translate.h"
#include "core/net/NetProbe.h"
#include "core/send/SendJournal.h"
#include "core/send/SendPlan.h"
#include "core/sms/SmsCheck.h"
#include "core/text/AnsiCodec.h"
#include "platform/Platform.h"
#include "render/BatchWriters.h"

namespace dtu {

ExitStatus RunBatch(const BatchOptions& options, const SmsCommandInputs& base, const AnsiCodec& codec,
                    platform::FileStore& files, QByteArray& out, QByteArray& err, const BatchProgress& progress,
                    const platform::Platform* platform, const ErrorFlush& flush) {
  // The outputs in the table's order, each refused before anything is written
  // when it would replace the list or another output.
  std::vector<std::pair<std::string, QString>> outputs;
  for (const BatchFormat& format : BatchFormats())
    if (const QString path = options.output(format.writer.format()); !path.isEmpty())
      outputs.emplace_back(format.writer.format(), path);
  const std::vector<ProtectedFile> protectedFiles =
      ProtectedFiles(options.list, options.send.log.isEmpty() ? DefaultSendLogPath(options.list) : options.send.log,
                     options.executable, options.settings, options.send.journalPath());
  for (const auto& [format, path] : outputs) {
    if (const QString refusal = RefuseOutput(files, path, protectedFiles); !refusal.isEmpty()) {
      ReportLine(err, path, refusal);
      return ExitStatus::kUsageOrFileError;
    }
  }
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    for (std::size_t j = i + 1; j < outputs.size(); ++j) {
      if (SameFile(files, outputs[i].second, outputs[j].second)) {
        ReportLine(err, outputs[j].second,
                   FormatMessage(Translate("--%s and --%s name the same file."),
                                 {QString::fromStdString(outputs[i].first), QString::fromStdString(outputs[j].first)}));
        return ExitStatus::kUsageOrFileError;
      }
    }
  }
  // Read and composed before either is reported, so that each step is taken
  // once; a problem of the fields is still told before one of the list.
  const Expected<QString> text = ReadBatchFile(options.list, codec);
  const BatchSetupProblem setup = CheckBatchInputs(base, codec);
  const BatchList list = text ? ComposeBatchText(text.value(), base, codec, setup) : BatchList();
  if (setup.any()) {
    ReportLine(err, QString::fromLatin1(kSettingsFileName), DescribeBatchSetupProblem(setup));
    return ExitStatus::kUsageOrFileError;
  }
  if (!text) {
    ReportLine(err, options.list, text.message());
    return ExitStatus::kUsageOrFileError;
  }
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
  if (!sending && options.output("csv").isEmpty()) out += BatchCsv(list, BatchCheck(base));
  for (const auto& [format, path] : outputs) {
    if (const Status written = WriteBatchFile(*FindBatchWriter(format), batch, path); !written) {
      ReportLine(err, path, written.message());
      return ExitStatus::kUsageOrFileError;
    }
  }
  if (sending) {
    const ExitStatus sent = SendBatch(list, options.list, base, options.send, *platform, err, flush);
    if (sent != ExitStatus::kSuccess) return sent;
  }
  return allComposed ? ExitStatus::kSuccess : ExitStatus::kSomeRowsFailed;
}

ExitStatus RunBatchProcess(int argc, char** argv, const BatchOptions& options, const platform::Platform& platform) {
  std::unique_ptr<QCoreApplication> app;
  // A drawn output needs fonts, and so an application object of the GUI (without a display).
  const bool drawn = std::any_of(BatchFormats().begin(), BatchFormats().end(), [&](const BatchFormat& format) {
    return format.drawn && !options.output(format.writer.format()).isEmpty();
  });
  if (!drawn) {
    app = std::make_unique<QCoreApplication>(argc, argv);
  } else {
    platform.process.preferWindowlessGui();
    app = std::make_unique<QGuiApplication>(argc, argv);
  }
  const AnsiCodec codec = AnsiCodec::forUser(platform.codePage);
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
  BatchOptions withOwnFiles = options;
  withOwnFiles.executable = platform.process.executablePath();
  withOwnFiles.settings = settings;
  // A send reports each row as it happens; the rest is told at the end.
  const ExitStatus status =
      RunBatch(withOwnFiles, base, codec, platform.files, out, err,
               TerminalProgress(platform.process, WriteStandardError), &platform, [](QByteArray& lines) {
                 WriteStandardError(lines);
                 lines.clear();
               });
  std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
  std::fwrite(err.constData(), 1, static_cast<size_t>(err.size()), stderr);
  return std::fflush(stdout) == 0 ? status : ExitStatus::kUsageOrFileError;
}

ExitStatus RunReceiveProcess(int argc, char** argv, const SendOptions& options, const platform::Platform& platform) {
  const QCoreApplication app(argc, argv);
  StartLocalizer(platform);
  QByteArray err;
  const ExitStatus status = ReceiveFromModem(options, platform, err, [](QByteArray& lines) {
    WriteStandardError(lines);
    lines.clear();
  });
  WriteStandardError(err);
  return status;
}

ExitStatus RunJournalProcess(int argc, char** argv, const QString& csvPath, const platform::Platform& platform) {
  const QCoreApplication app(argc, argv);
  StartLocalizer(platform);
  QByteArray out;
  QByteArray err;
  const ExitStatus status = ListJournal(DefaultJournalPath(), csvPath, platform, out, err);
  std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
  std::fwrite(err.constData(), 1, static_cast<size_t>(err.size()), stderr);
  return std::fflush(stdout) == 0 ? status : ExitStatus::kUsageOrFileError;
}

}  // namespace dtu
