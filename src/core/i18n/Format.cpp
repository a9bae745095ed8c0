// SPDX-License-Identifier: MIT
#include "core/i18n/Format.h"

#include "core/i18n/Translate.h"

namespace dtu {

QString FormatMessage(const QString& format, const QStringList& values) {
  QString out;
  out.reserve(format.size() + 32);
  qsizetype next = 0;
  for (qsizetype i = 0; i < format.size(); ++i) {
    const QChar c = format.at(i);
    if (c != QLatin1Char('%') || i + 1 >= format.size()) {
      out.append(c);
      continue;
    }
    const QChar conversion = format.at(i + 1);
    if (conversion == QLatin1Char('%')) {
      out.append(QLatin1Char('%'));
      ++i;
    } else if ((conversion == QLatin1Char('s') || conversion == QLatin1Char('d')) && next < values.size()) {
      out.append(values.at(next++));
      ++i;
    } else {
      out.append(c);
    }
  }
  return out;
}

QString MessageLine::text() const {
  QStringList shown;
  for (const Part& part : parts) shown << FormatMessage(Translate(part.msgid), part.values);
  return shown.join(QLatin1Char(' '));
}

}  // namespace dtu
