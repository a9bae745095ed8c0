// SPDX-License-Identifier: MIT
#include "core/config/SettingsFields.h"

#include <QFile>
#include <algorithm>

#include "core/Paths.h"
#include "core/config/IniText.h"
#include "core/config/SettingsStore.h"
#include "core/i18n/Translate.h"
#include "core/text/AnsiCodec.h"

namespace dtu {

StoredFields ReadStoredFields(const SettingsSnapshot& file, const QString& localAddress) {
  StoredFields values;
  for (const Field* field : kFields) {
    if (field->kind == FieldKind::Integer) {
      values.*field->integer = file.ReadInteger(kSettingsSection, field->key, field->number);
    } else {
      const QString byDefault = field->byDefault ? QString::fromLatin1(field->byDefault) : localAddress;
      values.*field->text = file.ReadString(kSettingsSection, field->key, byDefault);
    }
  }
  return values;
}

QString FieldText(const Field& field, const StoredFields& values) {
  return field.kind == FieldKind::Integer ? QString::number(values.*field.integer) : values.*field.text;
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
  // An empty file, another section or another encoding: the defaults would
  // go out, with this computer's own address as the server.
  const bool holdsCommandField = std::any_of(kFields.begin(), kFields.end(), [&](const Field* field) {
    return field != &fields::kLanguageId && ini::FindValue(file.bytes, kSettingsSection, field->key).has_value();
  });
  if (!holdsCommandField) return Failure{Translate("The file holds none of the fields of the command.")};
  return Done{};
}

QString SettingsFilePathFor(const QString& executablePath, const AnsiCodec& codec, QString* appDirectory) {
  const QString exe = codec.toUnicode(codec.fromUnicode(executablePath));
  const QString directory = exe.left(DirectoryPartLength(exe));
  if (appDirectory) *appDirectory = directory;
  return directory + QString::fromLatin1(kSettingsFileName);
}

}  // namespace dtu
