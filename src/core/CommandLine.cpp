// SPDX-License-Identifier: MIT
#include "core/CommandLine.h"

#include <QCommandLineParser>

#include "core/MyDataType.h"

namespace dtu {

CommandLine ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Composes the text message that configures a GPRS data terminal unit and checks the server "
                     "side.\nEvery field is kept in ZEREVuzi.ini beside the executable."));
  // Our own help option: Qt's also offers --help-all, which needs an application object.
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("Show the version."));
  QCommandLineOption quitWhenShown(QStringLiteral("quit-when-shown"));
  quitWhenShown.setFlags(QCommandLineOption::HiddenFromHelp);
  const QCommandLineOption batch(QStringLiteral("batch"),
                                 QStringLiteral("Compose one SMS command per DTU number in LIST (a CSV or text list, "
                                                "optionally with SIM numbers) with the stored fields; print the CSV."),
                                 QStringLiteral("LIST"));
  const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("With --batch: write the CSV to this file."),
                               QStringLiteral("OUT.csv"));
  const QCommandLineOption pdf(QStringLiteral("pdf"),
                               QStringLiteral("With --batch: write a sheet of QR codes to this PDF file."),
                               QStringLiteral("OUT.pdf"));
  parser.addOptions({help, version, quitWhenShown, batch, csv, pdf});

  CommandLine result;
  if (!parser.parse(arguments)) {
    result.action = CommandLine::Action::kFail;
    result.text = parser.errorText();
  } else if (parser.isSet(help)) {
    result.action = CommandLine::Action::kPrint;
    // Without an application object Qt cannot name the program in the usage line.
    const QString text = parser.helpText();
    result.text = QStringLiteral("Usage: dtusms [options]") + text.mid(text.indexOf(QLatin1Char('\n')));
  } else if (parser.isSet(version)) {
    result.action = CommandLine::Action::kPrint;
    result.text = QStringLiteral("dtusms (%1) %2\n").arg(QLatin1String(kAppTitle), QLatin1String(kAppVersion));
  } else if ((parser.isSet(csv) || parser.isSet(pdf)) && !parser.isSet(batch)) {
    result.action = CommandLine::Action::kFail;
    result.text = QStringLiteral("--csv and --pdf need --batch.");
  } else if (parser.isSet(batch) && parser.positionalArguments().isEmpty()) {
    result.action = CommandLine::Action::kBatch;
    result.batchList = parser.value(batch);
    result.batchCsv = parser.value(csv);
    result.batchPdf = parser.value(pdf);
  } else if (!parser.positionalArguments().isEmpty()) {
    result.action = CommandLine::Action::kFail;
    result.text = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
  }
  if (result.action == CommandLine::Action::kFail)
    result.text = QStringLiteral("dtusms: %1\nTry 'dtusms --help'.\n").arg(result.text);
  result.quitWhenShown = parser.isSet(quitWhenShown);
  return result;
}

}  // namespace dtu
