// SPDX-License-Identifier: MIT
#include "core/config/SettingsStore.h"

#include <QFile>
#include <algorithm>
#include <string_view>
#include <utility>

#include "core/config/IniText.h"
#include "core/i18n/Translate.h"

namespace dtu {

namespace {

std::string_view Text(const char* s) { return s ? std::string_view(s) : std::string_view(); }

// Long enough for another copy's write on a slow disk, short enough not to look hung.
constexpr std::chrono::milliseconds kLockBound(2000);

}  // namespace

std::optional<std::string_view> SettingsSnapshot::lookup(const char* section, const char* key) const {
  if (file_.status != platform::FileRead::Status::Ok) return std::nullopt;
  return ini::FindValue(file_.bytes, Text(section), Text(key));
}

QString SettingsSnapshot::ReadString(const char* section, const char* key, const QString& defaultValue) const {
  const std::optional<std::string_view> value = lookup(section, key);
  return value ? codec_.toUnicode(*value) : defaultValue;
}

std::int32_t SettingsSnapshot::ReadInteger(const char* section, const char* key, std::int32_t defaultValue) const {
  const std::optional<std::string_view> value = lookup(section, key);
  return value ? ini::ParseInteger(*value).value_or(defaultValue) : defaultValue;
}

SettingsStore::SettingsStore(const QString& path, const AnsiCodec& codec, platform::FileStore& files)
    : shownPath_(codec.toUnicode(codec.fromUnicode(path))), codec_(codec), files_(files) {
  path_ = QFile::encodeName(shownPath_).toStdString();
}

AppError SettingsStore::failure(const platform::FileFailure& failure) {
  lastError_ = failure.code;
  const QString cause = failure.code == platform::kNotRegularFile ? Translate(N_("It is not a regular file."))
                                                                  : QString::fromLocal8Bit(failure.cause);
  return AppError(QStringLiteral("Unable to write to ") + shownPath_, cause);
}

void SettingsStore::removeStaleTemporaryFiles(std::chrono::seconds minimumAge) const noexcept {
  files_.removeStaleTemporaries(path_, minimumAge);
}

platform::FileRead SettingsStore::readFile() const {
  return path_.empty() ? platform::FileRead{} : files_.readFile(path_);
}

SettingsSnapshot SettingsStore::snapshot() const { return SettingsSnapshot(codec_, readFile()); }

QString SettingsStore::ReadString(const char* section, const char* key, const QString& defaultValue) const {
  return snapshot().ReadString(section, key, defaultValue);
}

std::int32_t SettingsStore::ReadInteger(const char* section, const char* key, std::int32_t defaultValue) const {
  return snapshot().ReadInteger(section, key, defaultValue);
}

void SettingsStore::WriteInteger(const char* section, const char* key, std::int32_t value) {
  WriteString(section, key, QString::number(value));
}

void SettingsStore::WriteString(const char* section, const char* key, const QString& value) {
  SettingsUpdate update(*this);
  update.WriteString(section, key, value);
  if (std::vector<AppError> failures = update.commit(); !failures.empty()) throw failures.front();
}

// Another copy's write between the read and the replace would be lost: the
// lock comes first.
SettingsUpdate::SettingsUpdate(SettingsStore& store) : store_(store), snapshot_(store.codec_, {}) {
  if (!store_.path_.empty()) {
    platform::FileFailure failed;
    lock_ = store_.files_.lockForUpdate(store_.path_, kLockBound, failed);
    if (!lock_) lockFailure_ = failed;
  }
  snapshot_.file_ = store_.readFile();
  read_ = snapshot_.file_.status;
  asRead_ = snapshot_.file_.bytes;
}

void SettingsUpdate::WriteInteger(const char* section, const char* key, std::int32_t value) {
  WriteString(section, key, QString::number(value));
}

void SettingsUpdate::WriteString(const char* section, const char* key, const QString& value) {
  using Status = platform::FileRead::Status;
  const std::string bytes = snapshot_.codec_.fromUnicode(value);
  platform::FileRead& file = snapshot_.file_;
  file.bytes = ini::ReplaceValue(file.bytes, Text(section), Text(key), bytes);
  // Later reads see the write as they would in the file; a file that could not be read stays unread.
  if (file.status == Status::Missing) file.status = Status::Ok;
  changed_.push_back(read_ != Status::Ok || ini::ReplaceValue(asRead_, Text(section), Text(key), bytes) != asRead_);
}

std::vector<AppError> SettingsUpdate::commit() {
  const std::vector<bool> changed = std::exchange(changed_, {});
  const bool anyChanged = std::ranges::find(changed, true) != changed.end();
  const bool anyKept = std::ranges::find(changed, false) != changed.end();
  // What a write that changed the bytes met, and what one that kept them.
  std::optional<platform::FileFailure> byReplace, byCheck;
  if (lockFailure_) {
    byReplace = byCheck = lockFailure_;
  } else if (read_ == platform::FileRead::Status::Failed) {
    // A file that is there but cannot be read is not overwritten blind.
    byReplace = byCheck = snapshot_.file_.failure;
  } else {
    if (anyChanged) byReplace = store_.files_.replaceFile(store_.path_, snapshot_.file_.bytes);
    // Writes that kept the bytes (loading writes back what it read) need no
    // replace of their own, only the check, unless a replace put them in.
    if (anyKept && (byReplace || !anyChanged)) byCheck = store_.files_.checkWritable(store_.path_);
  }
  lock_.reset();
  std::vector<AppError> failures;
  for (const bool change : changed)
    if (const std::optional<platform::FileFailure>& failed = change ? byReplace : byCheck)
      failures.push_back(store_.failure(*failed));
  return failures;
}

}  // namespace dtu
