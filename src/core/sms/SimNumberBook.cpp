// SPDX-License-Identifier: MIT
#include "core/sms/SimNumberBook.h"

#include <algorithm>

namespace dtu {

QString SimNumberFor(const QStringList& book, const QString& dtuNumber) {
  for (qsizetype i = 0; i + 1 < book.size(); i += 2)
    if (book[i].compare(dtuNumber, Qt::CaseInsensitive) == 0) return book[i + 1];
  return {};
}

QStringList RememberSimNumber(QStringList book, const QString& dtuNumber, const QString& simNumber, int limit) {
  for (qsizetype i = 0; i + 1 < book.size();) {
    if (book[i].compare(dtuNumber, Qt::CaseInsensitive) == 0)
      book.remove(i, 2);
    else
      i += 2;
  }
  if (!simNumber.isEmpty()) book = QStringList{dtuNumber, simNumber} + book;
  // An odd element left by a damaged file has no pair and goes too.
  book.resize(std::min(book.size() & ~qsizetype(1), 2 * qsizetype(limit)));
  return book;
}

}  // namespace dtu
