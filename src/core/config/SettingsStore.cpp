// SPDX-License-Identifier: MIT
#include "core/config/SettingsStore.h"

#include <QFile>
#include <string_view>

#include "core/AppError.h"
#include "core/config/IniText.h"
#include "core/i18n/Translate.h"

namespace dtu {

namespace {

std::string_view Text(const char* s) { return s ? std::string_view(s) : std::string_view(); }

// Long enough for another copy's write on a slow disk, short enough not to look hung.
constexpr std::chrono::milliseconds kLockBound(2000);

}  // namespace

SettingsStore::SettingsStore(const QString& path, const AnsiCodec& codec, platform::FileStore& files)
    : shownPath_(codec.toUnicode(codec.fromUnicode(path))), codec_(codec), files_(files) {
  path_ = QFile::encodeName(shownPath_).toStdString();
}

void SettingsStore::fail(const platform::FileFailure& failure) {
  lastError_ = failure.code;
  const QString cause = failure.code == platform::kNotRegularFile ? Translate(N_("It is not a regular file."))
                                                                   : QString::fromLocal8Bit(failure.cause);
  throw AppError(QStringLiteral("Unable to write to ") + shownPath_, cause);
}

void SettingsStore::RemoveStaleTemporaryFiles(std::chrono::seconds minimumAge) const noexcept {
  files_.removeStaleTemporaries(path_, minimumAge);
}

std::optional<std::string> SettingsStore::lookup(const char* section, const char* key) const {
  if (path_.empty()) return std::nullopt;
  const platform::FileRead file = files_.readFile(path_);
  if (file.status != platform::FileRead::Status::Ok) return std::nullopt;
  const std::optional<std::string_view> value = ini::FindValue(file.bytes, Text(section), Text(key));
  return value ? std::optional<std::string>(*value) : std::nullopt;
}

QString SettingsStore::ReadString(const char* section, const char* key, const QString& defaultValue) const {
  const std::optional<std::string> value = lookup(section, key);
  return value ? codec_.toUnicode(*value) : defaultValue;
}

std::int32_t SettingsStore::ReadInteger(const char* section, const char* key, std::int32_t defaultValue) const {
  const std::optional<std::string> value = lookup(section, key);
  return value ? ini::ParseInteger(*value).value_or(defaultValue) : defaultValue;
}

void SettingsStore::WriteInteger(const char* section, const char* key, std::int32_t value) {
  WriteString(section, key, QString::number(value));
}

void SettingsStore::WriteString(const char* section, const char* key, const QString& value) {
  // Another copy's write between this read and replace would be lost.
  platform::FileFailure lockFailure;
  std::unique_ptr<platform::FileLock> lock;
  if (!path_.empty() && !(lock = files_.lockForUpdate(path_, kLockBound, lockFailure))) fail(lockFailure);
  platform::FileRead file;
  if (!path_.empty()) file = files_.readFile(path_);
  // A file that is there but cannot be read is not overwritten blind.
  if (file.status == platform::FileRead::Status::Failed) fail(file.failure);
  const bool exists = file.status == platform::FileRead::Status::Ok;
  const std::string updated = ini::ReplaceValue(file.bytes, Text(section), Text(key), codec_.fromUnicode(value));
  // Loading the fields writes every key back with the value it already has:
  // the bytes on disk are those already, so nothing needs replacing or syncing.
  std::optional<platform::FileFailure> failure =
      exists && updated == file.bytes ? files_.checkWritable(path_) : files_.replaceFile(path_, updated);
  if (failure) fail(*failure);
}

}  // namespace dtu
