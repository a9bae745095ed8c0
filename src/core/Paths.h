// SPDX-License-Identifier: MIT
// Paths as the running system writes them.
#pragma once

#include <QStandardPaths>
#include <QString>
#include <QtGlobal>
#include <algorithm>

namespace dtu {

// The length of `path`'s directory part including its last separator ("\"
// or a drive's ":" on Windows, "/" elsewhere); 0 when it has none.
inline qsizetype DirectoryPartLength(const QString& path) {
#ifdef Q_OS_WIN
  const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char(':')));
#else
  const qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
#endif
  return cut + 1;
}

// The one per-user folder of the program's own data, the send history among
// it: %LOCALAPPDATA%\dtusms on Windows, $XDG_DATA_HOME/dtusms elsewhere. It
// outlives an uninstall unless the user asks otherwise.
inline QString UserDataFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/dtusms");
}

}  // namespace dtu
