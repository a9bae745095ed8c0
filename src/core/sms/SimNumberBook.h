// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

namespace dtu {

// Remembered SIM numbers, most recently used first, as a flat list of DTU
// number and SIM number pairs (the shape QSettings stores). DTU numbers match
// without regard to case, as a technician reads them.
QString SimNumberFor(const QStringList& book, const QString& dtuNumber);
// `book` with the pair moved to the front (an empty SIM number forgets the
// DTU), cut to the `limit` most recent DTUs.
QStringList RememberSimNumber(QStringList book, const QString& dtuNumber, const QString& simNumber, int limit);

}  // namespace dtu
