// SPDX-License-Identifier: MIT
#include "core/CommandLine.h"

#include <QCommandLineParser>
#include <algorithm>

#include "core/MyDataType.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"

namespace dtu {

namespace {

// A damaged catalog must not keep the command line from answering: its ids stand.
QString Tr(const char* msgid) {
  try {
    return Translate(msgid);
  } catch (...) {
    return QString::fromUtf8(msgid);
  }
}

// Qt's own help would keep its headings in English and needs an application object to name the program.
QString HelpText(const QString& description, const QList<QCommandLineOption>& options) {
  QList<std::pair<QString, QString>> rows;
  qsizetype width = 0;
  for (const QCommandLineOption& option : options) {
    if (option.flags() & QCommandLineOption::HiddenFromHelp) continue;
    QStringList names;
    for (const QString& name : option.names())
      names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString left = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty()) left += QStringLiteral(" <%1>").arg(option.valueName());
    width = std::max(width, left.size());
    rows.append({left, option.description()});
  }
  QString text = Tr(N_("Usage: dtusms [options]")) + QLatin1Char('\n') + description + QStringLiteral("\n\n") +
                 Tr(N_("Options:")) + QLatin1Char('\n');
  for (const auto& [left, right] : rows) text += QStringLiteral("  ") + left.leftJustified(width + 2) + right + '\n';
  return text;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  // Line by line: the catalogs' line breaks are Windows ones.
  const QString description =
      Tr(N_("Composes the text message that configures a GPRS data terminal unit and checks the server side.")) +
      QLatin1Char('\n') + Tr(N_("Every field is kept in ZEREVuzi.ini beside the executable."));
  // Our own help option: Qt's also offers --help-all, which needs an application object.
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, Tr(N_("Show this help.")));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, Tr(N_("Show the version.")));
  QCommandLineOption quitWhenShown(QStringLiteral("quit-when-shown"));
  quitWhenShown.setFlags(QCommandLineOption::HiddenFromHelp);
  const QCommandLineOption batch(QStringLiteral("batch"),
                                 Tr(N_("Compose one SMS command per DTU number in LIST (a CSV or text list, "
                                       "optionally with SIM numbers) with the stored fields; print the CSV.")),
                                 QStringLiteral("LIST"));
  const QCommandLineOption csv(QStringLiteral("csv"), Tr(N_("With --batch: write the CSV to this file.")),
                               QStringLiteral("OUT.csv"));
  const QCommandLineOption pdf(QStringLiteral("pdf"),
                               Tr(N_("With --batch: write a sheet of QR codes to this PDF file.")),
                               QStringLiteral("OUT.pdf"));
  const QList<QCommandLineOption> options{help, version, quitWhenShown, batch, csv, pdf};
  parser.addOptions(options);

  CommandLine result;
  if (!parser.parse(arguments)) {
    result.action = CommandLine::Action::kFail;
    // Qt's texts name the option between quotes; they are said again in the user's language.
    const QString name = parser.errorText().section(QLatin1Char('\''), 1, 1);
    result.text = FormatMessage(
        parser.unknownOptionNames().isEmpty() ? Tr(N_("Missing value after '%s'.")) : Tr(N_("Unknown option '%s'.")),
        {name});
  } else if (parser.isSet(help)) {
    result.action = CommandLine::Action::kPrint;
    result.text = HelpText(description, options);
  } else if (parser.isSet(version)) {
    result.action = CommandLine::Action::kPrint;
    result.text = QStringLiteral("dtusms (%1) %2\n").arg(QLatin1String(kAppTitle), QLatin1String(kAppVersion));
  } else if ((parser.isSet(csv) || parser.isSet(pdf)) && !parser.isSet(batch)) {
    result.action = CommandLine::Action::kFail;
    result.text = Tr(N_("--csv and --pdf need --batch."));
  } else if (parser.isSet(batch) && parser.positionalArguments().isEmpty()) {
    result.action = CommandLine::Action::kBatch;
    result.batchList = parser.value(batch);
    result.batchCsv = parser.value(csv);
    result.batchPdf = parser.value(pdf);
  } else if (parser.isSet(batch)) {
    result.action = CommandLine::Action::kFail;
    result.text = FormatMessage(Tr(N_("Unexpected argument '%s'.")), {parser.positionalArguments().first()});
  } else if (!parser.positionalArguments().isEmpty()) {
    // A desktop may pass a file name; the window the user asked for opens all the same.
    result.notice = QStringLiteral("dtusms: %1\n").arg(FormatMessage(
        Tr(N_("Ignoring the argument '%s'.")), {parser.positionalArguments().join(QStringLiteral("' '"))}));
  }
  if (result.action == CommandLine::Action::kFail)
    result.text = QStringLiteral("dtusms: %1\ndtusms: %2\n").arg(result.text, Tr(N_("Try 'dtusms --help'.")));
  result.quitWhenShown = parser.isSet(quitWhenShown);
  return result;
}

}  // namespace dtu
