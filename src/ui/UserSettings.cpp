// SPDX-License-Identifier: MIT
#include "ui/UserSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <cstdio>

#include "core/Paths.h"
#include "core/i18n/Translate.h"

namespace dtu {

namespace {

QString g_settingsBase;  // set by UseUserDataLocations; tests keep QSettings' own

QString SettingsBase() {
  return g_settingsBase.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                                  : g_settingsBase;
}

const char* FolderKey(FileKind kind) {
  switch (kind) {
    case FileKind::kList:
      return "Folders/List";
    case FileKind::kExport:
      return "Folders/Export";
    case FileKind::kImage:
      return "Folders/Image";
  }
  return "Folders/List";
}

}  // namespace

void UseUserDataLocations() {
  QCoreApplication::setOrganizationName(QStringLiteral("dtusms"));
  QCoreApplication::setApplicationName(QStringLiteral("dtusms"));
#ifdef Q_OS_WIN
  g_settingsBase = QFileInfo(UserDataFolder()).path();
#else
  g_settingsBase = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#endif
  QSettings::setDefaultFormat(QSettings::IniFormat);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, g_settingsBase);
}

void MoveEarlierUserSettings(const QString& earlierApplicationName) {
  if (!UserSettingsUsable()) return;
  QSettings current;
  if (!current.allKeys().isEmpty()) return;
  QSettings earlier(QSettings::NativeFormat, QSettings::UserScope, QCoreApplication::organizationName(),
                    earlierApplicationName);
  const QStringList keys = earlier.allKeys();
  if (keys.isEmpty()) return;
  for (const QString& key : keys) current.setValue(key, earlier.value(key));
  current.sync();
  if (current.status() == QSettings::NoError) earlier.clear();
}

QString UserSettingsFile() {
  const QString org = QCoreApplication::organizationName();
  // Qt's own format on Linux names its files .conf.
  const QString suffix =
      QSettings::defaultFormat() == QSettings::IniFormat ? QStringLiteral(".ini") : QStringLiteral(".conf");
  return SettingsBase() + QLatin1Char('/') + (org.isEmpty() ? QStringLiteral("Unknown Organization") : org) +
         QLatin1Char('/') + QCoreApplication::applicationName() + suffix;
}

bool UserSettingsUsable() {
  const QString file = UserSettingsFile();
  const QFileInfo info(file);
  if (!info.exists() || info.isFile()) return true;
  std::fprintf(stderr, "dtusms: %s: %s\n", qPrintable(QDir::toNativeSeparators(file)),
               qPrintable(Translate(N_("It is not a regular file."))));
  return false;
}

QString StartFolder(FileKind kind) {
  if (UserSettingsUsable()) {
    const QString last = QSettings().value(QLatin1String(FolderKey(kind))).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
  }
  return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

void RememberFolder(FileKind kind, const QString& chosenFile) {
  if (chosenFile.isEmpty() || !UserSettingsUsable()) return;
  QSettings().setValue(QLatin1String(FolderKey(kind)), QFileInfo(chosenFile).absolutePath());
}

}  // namespace dtu
