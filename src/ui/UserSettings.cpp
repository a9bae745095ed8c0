// SPDX-License-Identifier: MIT
#include "ui/UserSettings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>

#include "core/i18n/Translate.h"

namespace dtu {

bool UserSettingsUsable() {
  const QString org = QCoreApplication::organizationName();
  const QString file = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') +
                       (org.isEmpty() ? QStringLiteral("Unknown Organization") : org) + QLatin1Char('/') +
                       QCoreApplication::applicationName() + QStringLiteral(".conf");
  const QFileInfo info(file);
  if (!info.exists() || info.isFile()) return true;
  std::fprintf(stderr, "dtusms: %s: %s\n", qPrintable(file), qPrintable(Translate(N_("It is not a regular file."))));
  return false;
}

}  // namespace dtu
