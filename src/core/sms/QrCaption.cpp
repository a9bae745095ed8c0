// SPDX-License-Identifier: MIT
#include "core/sms/QrCaption.h"

namespace dtu {

QStringList CaptionLines(const QString& heading, const QString& sms, const std::function<bool(const QString&)>& fits) {
  QStringList lines;
  if (!heading.isEmpty()) lines << heading;
  QString line;
  for (qsizetype start = 0; start < sms.size();) {
    const qsizetype hash = sms.indexOf(QLatin1Char('#'), start);
    const qsizetype end = hash < 0 ? sms.size() : hash + 1;
    const QString group = sms.mid(start, end - start);
    if (!line.isEmpty() && !fits(line + group)) {
      lines << line;
      line.clear();
    }
    line += group;
    start = end;
  }
  if (!line.isEmpty()) lines << line;
  return lines;
}

}  // namespace dtu
