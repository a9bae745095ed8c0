// SPDX-License-Identifier: MIT
// The time stamp a GSM modem gives a received message ("yy/MM/dd,hh:mm:ss±zz",
// the zone in quarter hours east of UTC), as the user's own clock and format show it.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <optional>

namespace dtu {

// The moment `stamp` names; nullopt for any other text.
std::optional<QDateTime> ParseModemTime(const QString& stamp);

// `stamp` in local time and `locale`'s short format; the text as the modem
// gave it where it names no moment.
QString LocalModemTime(const QString& stamp, const QLocale& locale = QLocale());

}  // namespace dtu
