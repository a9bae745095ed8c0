// SPDX-License-Identifier: MIT
#include "core/config/SettingsFields.h"

#include <QFile>

#include "core/Paths.h"
#include "core/config/AnsiCodec.h"
#include "core/config/SettingsStore.h"
#include "core/i18n/Translate.h"

namespace dtu {

std::int32_t ReadField(const SettingsStore& store, const Field& field) {
  return store.ReadInteger(kSettingsSection, field.key, field.number);
}

QString ReadField(const SettingsStore& store, const Field& field, const QString& localAddress) {
  return store.ReadString(kSettingsSection, field.key, field.text ? QString::fromLatin1(field.text) : localAddress);
}

StoredFields ReadStoredFields(const SettingsStore& store, const QString& localAddress) {
  StoredFields out;
  out.languageId = ReadField(store, fields::kLanguageId);
  out.serverMode = ReadField(store, fields::kServerAddressMode);
  out.port = ReadField(store, fields::kPort);
  out.staticIp = ReadField(store, fields::kStaticIp, localAddress);
  out.domainAddress = ReadField(store, fields::kDomainAddress, localAddress);
  out.commandType = ReadField(store, fields::kSmsCommandType);
  out.apnIndex = ReadField(store, fields::kServiceNetwork);
  out.otherApn = ReadField(store, fields::kOtherApn, localAddress);
  out.dtuNumber = ReadField(store, fields::kDtuNumber, localAddress);
  return out;
}

Status CheckSettingsFile(const QString& settingsPath, const AnsiCodec& codec, platform::FileStore& files) {
  // The path as the settings store takes it.
  const platform::FileRead file =
      files.readFile(QFile::encodeName(codec.toUnicode(codec.fromUnicode(settingsPath))).toStdString());
  switch (file.status) {
    case platform::FileRead::Status::Ok:
      break;
    case platform::FileRead::Status::Missing:
      return Failure{Translate("The file does not exist.")};
    case platform::FileRead::Status::Failed: {
      const QString cause = QString::fromLocal8Bit(file.failure.cause);
      return Failure{cause, cause};
    }
  }
  return Done{};
}

QString SettingsFilePathFor(const QString& executablePath, const AnsiCodec& codec, QString* appDirectory) {
  const QString exe = codec.toUnicode(codec.fromUnicode(executablePath));
  const QString directory = exe.left(DirectoryPartLength(exe));
  if (appDirectory) *appDirectory = directory;
  return directory + QString::fromLatin1(kSettingsFileName);
}

}  // namespace dtu
