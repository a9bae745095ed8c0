// SPDX-License-Identifier: MIT
#include "cli/CommandLine.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "core/AppConstants.h"
#include "core/Expected.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/send/SenderFactory.h"
#include "render/BatchWriters.h"

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

// Whether anything but `allowed` was given: an argument or another option.
bool SetBeyond(const QCommandLineParser& parser, const QList<QCommandLineOption>& options, const QStringList& allowed) {
  return !parser.positionalArguments().isEmpty() ||
         std::any_of(options.begin(), options.end(), [&](const QCommandLineOption& option) {
           return !allowed.contains(option.names().constFirst()) && parser.isSet(option);
         });
}

// The sending options' own rules.
Status CheckSendOptions(const QCommandLineParser& parser, const std::array<QCommandLineOption, 6>& o, bool batch) {
  const auto& [modem, gateway, baud, interval, log, resend] = o;
  const bool sending = parser.isSet(modem) || parser.isSet(gateway);
  if ((sending || parser.isSet(baud) || parser.isSet(interval) || parser.isSet(log) || parser.isSet(resend)) && !batch)
    return Failure{Tr(N_("--send-modem, --send-gateway and their options need --batch."))};
  if (parser.isSet(modem) && parser.isSet(gateway))
    return Failure{Tr(N_("Give --send-modem or --send-gateway, not both."))};
  if (!sending && (parser.isSet(baud) || parser.isSet(interval) || parser.isSet(log) || parser.isSet(resend)))
    return Failure{Tr(N_("--baud, --interval, --send-log and --resend need --send-modem or --send-gateway."))};
  // An empty value would quietly turn sending off.
  for (const QCommandLineOption* where : {&modem, &gateway})
    if (parser.isSet(*where) && parser.value(*where).trimmed().isEmpty())
      return Failure{FormatMessage(Tr(N_("--%s needs a value.")), {where->names().constFirst()})};
  bool ok = true;
  if (parser.isSet(baud) && (parser.value(baud).toInt(&ok) < 300 || !ok))
    return Failure{FormatMessage(Tr(N_("'%s' is not a serial speed.")), {parser.value(baud)})};
  const double seconds = parser.value(interval).toDouble(&ok);
  if (parser.isSet(interval) && (!ok || !SendIntervalInRange(seconds)))
    return Failure{FormatMessage(Tr(N_("'%s' is not a number of seconds from 0 to %d.")),
                                 {parser.value(interval), QString::number(kMaxSendInterval.count())})};
  if (parser.isSet(baud) && !parser.isSet(modem)) return Failure{Tr(N_("--baud needs --send-modem."))};
  return Done{};
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
  // Qt's platform plugin (-platform offscreen), the one option handed on to Qt.
  QCommandLineOption platform(QStringLiteral("platform"), QString(), QStringLiteral("NAME"));
  platform.setFlags(QCommandLineOption::HiddenFromHelp);
  const QCommandLineOption batch(QStringLiteral("batch"),
                                 Tr(N_("Compose one SMS command per DTU number in LIST (a CSV or text list, "
                                       "optionally with SIM numbers) with the stored fields; print the CSV.")),
                                 QStringLiteral("LIST"));
  // One option per output format, named by its writer.
  std::vector<std::pair<std::string, QCommandLineOption>> outputs;
  for (const BatchFormat& format : BatchFormats())
    outputs.emplace_back(format.writer.format(),
                         QCommandLineOption(QString::fromLatin1(format.writer.format()), Tr(format.optionHelp),
                                            QString::fromLatin1(format.valueName)));
  const QCommandLineOption defaults(QStringLiteral("defaults"),
                                    Tr(N_("With --batch: compose with the default fields when ZEREVuzi.ini is "
                                          "missing or cannot be read (without it the batch stops).")));
  const QCommandLineOption sendModem(QStringLiteral("send-modem"),
                                     Tr(N_("With --batch: send each row's command to its SIM number through the "
                                           "GSM modem on this serial device.")),
                                     QStringLiteral("DEVICE"));
  const QCommandLineOption baud(QStringLiteral("baud"), Tr(N_("The modem's speed (default 115200).")),
                                QStringLiteral("N"));
  const QCommandLineOption sendGateway(QStringLiteral("send-gateway"),
                                       Tr(N_("With --batch: send through the SMS gateway at URL, whose {phone} "
                                             "and {message} are filled in.")),
                                       QStringLiteral("URL"));
  const QCommandLineOption interval(QStringLiteral("interval"),
                                    Tr(N_("At most one message every S seconds (default 3).")), QStringLiteral("S"));
  const QCommandLineOption sendLog(QStringLiteral("send-log"),
                                   Tr(N_("The send log, a report for people (default LIST.sent.csv). What is "
                                         "sent is decided by the send journal.")),
                                   QStringLiteral("FILE"));
  const QCommandLineOption resend(QStringLiteral("resend"),
                                  Tr(N_("Send again what the send journal has as sent or unconfirmed.")));
  const QCommandLineOption acceptWarnings(
      QStringLiteral("accept-warnings"),
      Tr(N_("Send commands that the check warns about (a server a DTU cannot reach, several parts...).")));
  const QCommandLineOption receive(QStringLiteral("receive"),
                                   Tr(N_("Read the status reports and messages the GSM modem on DEVICE holds into "
                                         "the send journal, and print what is new.")),
                                   QStringLiteral("DEVICE"));
  const QCommandLineOption thenQuery(
      QStringLiteral("then-query"),
      Tr(N_("With --send-modem: after sending, wait MINUTES, read the status reports, and send the running query to "
            "each DTU whose command was delivered.")),
      QStringLiteral("MINUTES"));
  const QCommandLineOption journal(QStringLiteral("journal"),
                                   Tr(N_("List the send journal, newest first, as CSV: on standard output, or "
                                         "into the file that --csv names.")));
  QList<QCommandLineOption> options{help, version, quitWhenShown, platform, batch};
  for (const auto& output : outputs) options.append(output.second);
  options.append(
      {defaults, sendModem, sendGateway, baud, interval, sendLog, resend, acceptWarnings, receive, thenQuery, journal});
  parser.addOptions(options);
  // "-title" is one option, as Qt and X programs spell theirs, not five letters.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);

  // Options nobody here knows are set aside, and the rest read again: the window opens all the same,
  // while a command (--batch, --help, --version) still refuses them.
  // Windows' own way of asking a program for help.
  QStringList given = arguments;
  if (given.size() == 2 && (given[1] == QLatin1String("/?") || given[1] == QLatin1String("-?")))
    given[1] = QStringLiteral("--help");
  QStringList ignoredOptions;
  bool parsed = parser.parse(given);
  if (!parsed && !parser.unknownOptionNames().isEmpty()) {
    const QStringList unknown = parser.unknownOptionNames();
    QStringList known{given.value(0)};
    for (qsizetype i = 1; i < given.size(); ++i) {
      const QString& argument = given[i];
      if (argument == QLatin1String("--")) {
        known += given.mid(i);
        break;
      }
      const QString name = argument.section(QLatin1Char('='), 0, 0).remove(QRegularExpression(QStringLiteral("^--?")));
      (argument.startsWith(QLatin1Char('-')) && unknown.contains(name) ? ignoredOptions : known) << argument;
    }
    parsed = parser.parse(known);
  }
  const bool command = parser.isSet(batch) || parser.isSet(help) || parser.isSet(version) || parser.isSet(journal) ||
                       parser.isSet(receive);

  CommandLine result;
  result.qtArguments = QStringList{arguments.value(0)};
  if (parser.isSet(platform)) result.qtArguments << QStringLiteral("-platform") << parser.value(platform);
  if (!ignoredOptions.isEmpty() && command) {
    result.action = CommandLine::Action::kFail;
    result.text =
        FormatMessage(Tr(N_("Unknown option '%s'.")), {ignoredOptions.first().section(QLatin1Char('='), 0, 0)});
  } else if (!parsed) {
    result.action = CommandLine::Action::kFail;
    // Only a missing value is left; Qt's text names the option between quotes, said again in the user's language.
    result.text =
        FormatMessage(Tr(N_("Missing value after '%s'.")), {parser.errorText().section(QLatin1Char('\''), 1, 1)});
  } else if (parser.isSet(help)) {
    result.action = CommandLine::Action::kPrint;
    result.text = HelpText(description, options);
  } else if (parser.isSet(version)) {
    result.action = CommandLine::Action::kPrint;
    result.text = QStringLiteral("dtusms (%1) %2\n").arg(QLatin1String(kAppTitle), QLatin1String(kAppVersion));
  } else if (parser.isSet(receive)) {
    const bool others = SetBeyond(parser, options, {QStringLiteral("receive"), QStringLiteral("baud")});
    bool ok = true;
    const int speed = parser.isSet(baud) ? parser.value(baud).toInt(&ok) : 115200;
    result.action = CommandLine::Action::kFail;
    if (others)
      result.text = Tr(N_("--receive takes --baud only."));
    else if (parser.value(receive).trimmed().isEmpty())
      result.text = Tr(N_("--receive needs a value."));
    else if (!ok || speed < 300)
      result.text = FormatMessage(Tr(N_("'%s' is not a serial speed.")), {parser.value(baud)});
    else
      result.action = CommandLine::Action::kReceive;
    result.send.modem = parser.value(receive);
    result.send.baud = speed;
  } else if (parser.isSet(journal)) {
    const bool others = SetBeyond(parser, options, {QStringLiteral("journal"), QStringLiteral("csv")});
    result.action = others ? CommandLine::Action::kFail : CommandLine::Action::kJournal;
    if (others) result.text = Tr(N_("--journal takes --csv only."));
    for (const auto& [format, option] : outputs)
      if (parser.isSet(option)) result.batchOutputs[format] = parser.value(option);
  } else if (std::any_of(outputs.begin(), outputs.end(),
                         [&](const auto& output) { return parser.isSet(output.second); }) &&
             !parser.isSet(batch)) {
    result.action = CommandLine::Action::kFail;
    result.text = Tr(N_("--csv and --pdf need --batch."));
  } else if (parser.isSet(defaults) && !parser.isSet(batch)) {
    result.action = CommandLine::Action::kFail;
    result.text = Tr(N_("--defaults needs --batch."));
  } else if (const Status send = CheckSendOptions(parser, {sendModem, sendGateway, baud, interval, sendLog, resend},
                                                  parser.isSet(batch));
             !send) {
    result.action = CommandLine::Action::kFail;
    result.text = send.message();
  } else if (parser.isSet(thenQuery) && !parser.isSet(sendModem)) {
    result.action = CommandLine::Action::kFail;
    result.text = Tr(N_("--then-query needs --send-modem: a gateway brings no status reports."));
  } else if (bool ok = true; parser.isSet(thenQuery) && (parser.value(thenQuery).toInt(&ok) < 0 || !ok ||
                                                         parser.value(thenQuery).toInt() > 1440)) {
    result.action = CommandLine::Action::kFail;
    result.text = FormatMessage(Tr(N_("'%s' is not a number of minutes (0 to 1440).")), {parser.value(thenQuery)});
  } else if (parser.isSet(acceptWarnings) && !parser.isSet(sendModem) && !parser.isSet(sendGateway)) {
    result.action = CommandLine::Action::kFail;
    result.text = Tr(N_("--accept-warnings needs --send-modem or --send-gateway."));
  } else if (parser.isSet(batch) && parser.positionalArguments().isEmpty()) {
    result.action = CommandLine::Action::kBatch;
    result.batchList = parser.value(batch);
    for (const auto& [format, option] : outputs)
      if (parser.isSet(option)) result.batchOutputs[format] = parser.value(option);
    result.batchDefaults = parser.isSet(defaults);
    result.send.modem = parser.value(sendModem);
    result.send.gateway = parser.value(sendGateway);
    result.send.log = parser.value(sendLog);
    result.send.resend = parser.isSet(resend);
    result.send.acceptWarnings = parser.isSet(acceptWarnings);
    if (parser.isSet(thenQuery)) result.send.thenQueryMinutes = parser.value(thenQuery).toInt();
    if (parser.isSet(baud)) result.send.baud = parser.value(baud).toInt();
    if (parser.isSet(interval))
      result.send.interval = std::chrono::milliseconds(std::llround(parser.value(interval).toDouble() * 1000));
  } else if (parser.isSet(batch)) {
    result.action = CommandLine::Action::kFail;
    result.text = FormatMessage(Tr(N_("Unexpected argument '%s'.")), {parser.positionalArguments().first()});
  } else if (!parser.positionalArguments().isEmpty() || !ignoredOptions.isEmpty()) {
    // A desktop may pass a file name, a shortcut an option of another program; the window opens all the same.
    QStringList said;
    if (!ignoredOptions.isEmpty())
      said << FormatMessage(Tr(N_("Ignoring the option '%s'.")), {ignoredOptions.join(QStringLiteral("' '"))});
    if (!parser.positionalArguments().isEmpty())
      said << FormatMessage(Tr(N_("Ignoring the argument '%s'.")),
                            {parser.positionalArguments().join(QStringLiteral("' '"))});
    result.notice = QStringLiteral("dtusms: %1\n").arg(said.join(QLatin1Char(' ')));
  }
  if (result.action == CommandLine::Action::kFail)
    result.text = QStringLiteral("dtusms: %1\ndtusms: %2\n").arg(result.text, Tr(N_("Try 'dtusms --help'.")));
  result.quitWhenShown = parser.isSet(quitWhenShown);
  return result;
}

}  // namespace dtu
