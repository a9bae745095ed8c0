// SPDX-License-Identifier: MIT
#include "core/send/GatewaySender.h"

#include <QUrl>

#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"

namespace dtu {

namespace {

const QString kPhone = QStringLiteral("{phone}");
const QString kMessage = QStringLiteral("{message}");
// A gateway answers in a few bytes; more is not a gateway.
constexpr std::size_t kMaxGatewayBody = 64 * 1024;

// The first line of what the gateway said, printable and short enough for a log line.
QString FirstAnswerLine(const std::string& body) {
  constexpr qsizetype kLongest = 200;
  QString line = QString::fromUtf8(body.data(), static_cast<qsizetype>(body.size())).trimmed();
  line = line.left(line.indexOf(QLatin1Char('\n')) < 0 ? line.size() : line.indexOf(QLatin1Char('\n'))).trimmed();
  QString printable;
  for (const QChar c : line) printable += c.isPrint() ? c : QChar(u'?');
  if (printable.size() > kLongest) printable = printable.left(kLongest - 1) + QChar(0x2026);
  return printable;
}

}  // namespace

QString GatewayUrl(const QString& urlTemplate, const QString& number, const QString& text) {
  // One pass, so that a "{message}" inside the phone number is not filled again.
  QString out;
  for (qsizetype i = 0; i < urlTemplate.size();) {
    if (urlTemplate.mid(i, kPhone.size()) == kPhone) {
      out += QString::fromLatin1(QUrl::toPercentEncoding(number));
      i += kPhone.size();
    } else if (urlTemplate.mid(i, kMessage.size()) == kMessage) {
      out += QString::fromLatin1(QUrl::toPercentEncoding(text));
      i += kMessage.size();
    } else {
      out += urlTemplate.at(i++);
    }
  }
  return out;
}

Status GatewaySender::start() {
  const QUrl url(GatewayUrl(template_, QStringLiteral("1"), QStringLiteral("x")), QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) || url.host().isEmpty())
    return Failure{FormatMessage(Translate("%s is not an http or https address."), {template_})};
  if (!template_.contains(kPhone) || !template_.contains(kMessage))
    return Failure{FormatMessage(Translate("The gateway address must hold {phone} and {message}: %s"), {template_})};
  return Done{};
}

Expected<std::vector<ReceivedSms>> GatewaySender::received(const QString&) {
  return Failure{Translate("An SMS gateway keeps no messages to list.")};
}

SendResult GatewaySender::send(const QString& number, const QString& text) {
  const QString url = GatewayUrl(template_, number, text);
  if (const Status ready = beforeSubmit(); !ready) return {SendResult::Status::Failed, {}, ready.message(), true};
  const platform::HttpResponse response = net::FetchGuarded(url.toStdString(), kMaxGatewayBody, services_);
  using Outcome = platform::HttpResponse::Outcome;
  switch (response.outcome) {
    case Outcome::Ok: {
      if (response.status >= 200 && response.status < 300) return {SendResult::Status::Sent, {}, {}};
      QString error =
          FormatMessage(Translate("The gateway answered with HTTP status %d."), {QString::number(response.status)});
      if (const QString said = FirstAnswerLine(response.body); !said.isEmpty())
        error += QLatin1Char(' ') + FormatMessage(Translate("It said: %s"), {said});
      return {SendResult::Status::Failed, {}, error};
    }
    case Outcome::Refused:
      return {SendResult::Status::Failed,
              {},
              Translate("The gateway redirected to an address in the local network; nothing was sent."),
              true};
    case Outcome::TooLarge:
      // It answered, so the message may have been taken.
      return {SendResult::Status::Unconfirmed, {}, Translate("The gateway's answer is too large to be one.")};
    case Outcome::Failed:
      break;
  }
  const QString cause = QString::fromStdString(response.error);
  // Once the request is out, the gateway may have taken it before the line failed.
  if (response.requestSent)
    return {SendResult::Status::Unconfirmed,
            {},
            FormatMessage(Translate("The gateway took the request but gave no answer: %s"), {cause})};
  return {SendResult::Status::Failed, {}, FormatMessage(Translate("Could not reach the gateway: %s"), {cause})};
}

}  // namespace dtu
