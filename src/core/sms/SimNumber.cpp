// SPDX-License-Identifier: MIT
#include "core/sms/SimNumber.h"

#include <algorithm>

namespace dtu {

std::optional<QString> NormalizeSimNumber(const QString& text) {
  QString number;
  bool marked = false;  // a "-" or "+" came before
  int digits = 0;
  for (QChar c : text) {
    if (c == QLatin1Char(' ')) continue;
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
      ++digits;
    } else if (c == QLatin1Char('-') || (c == QLatin1Char('+') && !marked && number.isEmpty())) {
      marked = true;
      if (c == QLatin1Char('-')) continue;
    } else {
      return std::nullopt;
    }
    number += c;
  }
  if (digits == 0 ? marked : digits > kSimNumberMaxDigits) return std::nullopt;
  return number;
}

QString DialableNumber(const QString& simNumber) { return NormalizeSimNumber(simNumber).value_or(QString()); }

bool NamesOneSim(const QString& a, const QString& b) {
  const QString dialled = DialableNumber(a);
  return (!dialled.isEmpty() && dialled == DialableNumber(b)) || SameSimNumber(a, b);
}

bool SameSimNumber(const QString& a, const QString& b) {
  QString x = DialableNumber(a), y = DialableNumber(b);
  x.remove(QLatin1Char('+'));
  y.remove(QLatin1Char('+'));
  const qsizetype n = std::min(x.size(), y.size());
  return n >= 7 && x.right(n) == y.right(n);
}

}  // namespace dtu
