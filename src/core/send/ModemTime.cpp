// SPDX-License-Identifier: MIT
#include "core/send/ModemTime.h"

#include <QRegularExpression>

namespace dtu {

std::optional<QDateTime> ParseModemTime(const QString& stamp) {
  static const QRegularExpression form(
      QStringLiteral("^(\\d\\d)/(\\d\\d)/(\\d\\d),(\\d\\d):(\\d\\d):(\\d\\d)([+-])(\\d\\d?)$"));
  const QRegularExpressionMatch m = form.match(stamp.trimmed());
  if (!m.hasMatch()) return std::nullopt;
  const auto n = [&m](int i) { return m.captured(i).toInt(); };
  // Two-digit years: the messages a modem holds were received this century.
  const QDate date(2000 + n(1), n(2), n(3));
  const QTime time(n(4), n(5), n(6));
  const int quarters = m.captured(7) == QLatin1String("-") ? -n(8) : n(8);
  if (!date.isValid() || !time.isValid() || quarters < -48 || quarters > 56) return std::nullopt;
  return QDateTime(date, time, Qt::OffsetFromUTC, quarters * 15 * 60);
}

QString LocalModemTime(const QString& stamp, const QLocale& locale) {
  const std::optional<QDateTime> moment = ParseModemTime(stamp);
  return moment ? locale.toString(moment->toLocalTime(), QLocale::ShortFormat) : stamp;
}

}  // namespace dtu
