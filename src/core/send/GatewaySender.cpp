// SPDX-License-Identifier: MIT
#include "core/send/GatewaySender.h"

#include <QUrl>
#include <array>

#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/sms/SmsAlphabet.h"

namespace dtu {

namespace {

const QString kPhone = QStringLiteral("{phone}");
const QString kMessage = QStringLiteral("{message}");
const QString kCoding = QStringLiteral("{coding}");
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

// Where the authority ("user:password@host:port") of `url` ends: at the first
// '/', '?' or '#' after "scheme://"; 0 without "://".
qsizetype AuthorityEnd(const QString& url, qsizetype* start = nullptr) {
  const qsizetype scheme = url.indexOf(QLatin1String("://"));
  if (scheme < 0) return 0;
  if (start) *start = scheme + 3;
  qsizetype end = scheme + 3;
  while (end < url.size() && url.at(end) != QLatin1Char('/') && url.at(end) != QLatin1Char('?') &&
         url.at(end) != QLatin1Char('#'))
    ++end;
  return end;
}

// Scheme, host and port, the default port spelled out.
std::array<QString, 3> Origin(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  const int port = url.port(scheme == QLatin1String("https") ? 443 : scheme == QLatin1String("http") ? 80 : -1);
  return {scheme, url.host().toLower(), QString::number(port)};
}

}  // namespace

QString MaskedUrl(const QString& url) {
  qsizetype start = 0;
  const qsizetype end = AuthorityEnd(url, &start);
  const qsizetype at = url.lastIndexOf(QLatin1Char('@'), end - 1);
  if (at < start) return url;
  const qsizetype colon = url.indexOf(QLatin1Char(':'), start);
  if (colon < 0 || colon > at) return url;
  return url.left(colon + 1) + QStringLiteral("***") + url.mid(at);
}

QString GatewayUrl(const QString& urlTemplate, const QString& number, const QString& text) {
  const QString coding = SmsEncodingOf(text) == SmsEncoding::Gsm7 ? QStringLiteral("0") : QStringLiteral("2");
  // One pass, so that a "{message}" inside the phone number is not filled again.
  QString out;
  for (qsizetype i = 0; i < urlTemplate.size();) {
    if (urlTemplate.mid(i, kPhone.size()) == kPhone) {
      out += QString::fromLatin1(QUrl::toPercentEncoding(number));
      i += kPhone.size();
    } else if (urlTemplate.mid(i, kMessage.size()) == kMessage) {
      out += QString::fromLatin1(QUrl::toPercentEncoding(text));
      i += kMessage.size();
    } else if (urlTemplate.mid(i, kCoding.size()) == kCoding) {
      out += coding;
      i += kCoding.size();
    } else {
      out += urlTemplate.at(i++);
    }
  }
  return out;
}

Status CheckGatewayTemplate(const QString& urlTemplate) {
  const QString shown = MaskedUrl(urlTemplate);
  const QUrl url(GatewayUrl(urlTemplate, QStringLiteral("1"), QStringLiteral("x")), QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) || url.host().isEmpty())
    return Failure{FormatMessage(Translate("%s is not an http or https address."), {shown})};
  if (!urlTemplate.contains(kPhone) || !urlTemplate.contains(kMessage))
    return Failure{FormatMessage(Translate("The gateway address must hold {phone} and {message}: %s"), {shown})};
  const qsizetype pathStart = AuthorityEnd(urlTemplate);
  const qsizetype fragment = urlTemplate.indexOf(QLatin1Char('#'), pathStart);
  for (const QString& field : {kPhone, kMessage, kCoding}) {
    for (qsizetype at = urlTemplate.indexOf(field); at >= 0; at = urlTemplate.indexOf(field, at + 1)) {
      if (at < pathStart || (fragment >= 0 && at > fragment))
        return Failure{FormatMessage(Translate("%s must stand in the gateway address's path or query, never in its "
                                               "host or after '#' (which is never sent): %s"),
                                     {field, shown})};
    }
  }
  return Done{};
}

Status GatewaySender::start() { return CheckGatewayTemplate(template_); }

SendResult GatewaySender::send(const QString& number, const QString& text) {
  const QString url = GatewayUrl(template_, number, text);
  const auto sameOrigin = [](const std::string& from, const std::string& to) {
    return Origin(QUrl(QString::fromStdString(from))) == Origin(QUrl(QString::fromStdString(to)));
  };
  if (const Status ready = beforeSubmit(); !ready) return {SendResult::Status::Failed, {}, ready.message(), true};
  const platform::HttpResponse response = net::FetchGuarded(url.toStdString(), kMaxGatewayBody, services_, sameOrigin);
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
    case Outcome::Redirected:
      // Every message would be sent there: the address is wrong, not this message.
      return {SendResult::Status::Failed,
              {},
              FormatMessage(Translate("The gateway redirected to %s, another server; the request was not sent there. "
                                      "Check the gateway address."),
                            {MaskedUrl(QString::fromStdString(response.location))}),
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
