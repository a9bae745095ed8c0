// SPDX-License-Identifier: MIT
// Write-through access to one INI file. No cache: every read parses the file
// as it is on disk now, every write rewrites it at once.
//
// The file contract:
//  - "[Section]" header lines; sections and keys match without letter case.
//  - "key=value" lines; on reading, blanks around the value are dropped and
//    one pair of enclosing single or double quotes is removed.
//  - Values are 8-bit text in the user's charset (AnsiCodec); a value longer
//    than 2047 bytes reads as its first 2047 bytes.
//  - A missing file, section or key reads as the caller's default; a key that
//    is present with an empty value reads as the empty text.
//  - Integers: optional blanks, optional sign, then decimal digits or a hex
//    number introduced by "$", "x", "X", "0x" or "0X"; anything else, or a
//    value outside the signed 32-bit range, reads as the default.
//  - Writes replace an existing key's line in place, add a new key at the end
//    of its section and a new section at the end of the file; every other
//    line is kept byte for byte. Lines are written with CRLF.
//  - A UTF-8 byte-order mark at the start is skipped on reading and kept on
//    writing. CR and LF in a written value become blanks.
//  - A write that would leave the file's bytes as they are (the key holds
//    that value already) checks the permissions and changes nothing else.
//  - A write replaces the whole file through the file store (atomically, a
//    link written through, owner and mode kept; see platform/FileStore.h),
//    under the store's lock from the read to the replace, so that two copies
//    writing different keys lose neither. A lock not had within 2 s fails the write.
//  - SettingsSnapshot reads many keys from one read of the file;
//    SettingsUpdate makes many writes over one read and one replace.
//  - A failure raises AppError "Unable to write to <path>" (the path after
//    the charset) with the system's cause as its detail, and leaves the file
//    as it was; lastError() keeps the cause's code.
//  - The path passes through the charset (what it cannot hold becomes "?")
//    and reaches the file system in its own encoding (QFile::encodeName).
// The text rules themselves are in config/IniText.h.
#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/AppError.h"
#include "core/text/AnsiCodec.h"
#include "platform/FileStore.h"

namespace dtu {

// What one read of the file found, to read many keys from without reading
// the file again. The reading rules are the store's.
class SettingsSnapshot {
 public:
  QString ReadString(const char* section, const char* key, const QString& defaultValue) const;
  std::int32_t ReadInteger(const char* section, const char* key, std::int32_t defaultValue) const;

 private:
  friend class SettingsStore;
  friend class SettingsUpdate;
  SettingsSnapshot(const AnsiCodec& codec, platform::FileRead file) : codec_(codec), file_(std::move(file)) {}
  std::optional<std::string_view> lookup(const char* section, const char* key) const;

  AnsiCodec codec_;
  platform::FileRead file_;  // the bytes as read, with the writes of an update applied
};

class SettingsStore {
 public:
  // `path` makes a round trip through the codec's charset, as it does on its
  // way to an 8-bit file layer: a path the charset cannot hold addresses
  // another file. The file calls go to `files`.
  SettingsStore(const QString& path, const AnsiCodec& codec, platform::FileStore& files);

  QString ReadString(const char* section, const char* key, const QString& defaultValue) const;
  std::int32_t ReadInteger(const char* section, const char* key, std::int32_t defaultValue) const;
  void WriteString(const char* section, const char* key, const QString& value);
  void WriteInteger(const char* section, const char* key, std::int32_t value);

  // The file as it is now, read once for any number of keys.
  SettingsSnapshot snapshot() const;

  // The bytes the file system gets for the path.
  const std::string& nativePath() const { return path_; }
  // The system's code of the last failed write; 0 while none failed.
  int lastError() const { return lastError_; }

  // Removes temporary files a killed write left behind that are older than
  // `minimumAge`. Younger ones may belong to a write in progress in another copy.
  void removeStaleTemporaryFiles(std::chrono::seconds minimumAge = std::chrono::seconds(60)) const noexcept;

 private:
  friend class SettingsUpdate;
  platform::FileRead readFile() const;
  AppError failure(const platform::FileFailure& failure);

  std::string path_;
  QString shownPath_;
  AnsiCodec codec_;  // a copy: a store may be opened on a temporary codec
  platform::FileStore& files_;
  int lastError_ = 0;
};

// Several writes over one read of the file, as loading the fields makes
// them: the store's lock is taken and the file read when the update starts,
// reads see the writes made so far, and Commit puts them all into the file
// at once. A lock not had within its bound leaves the reads as they are and
// fails the writes. Not committed: the file is left as it was.
class SettingsUpdate {
 public:
  explicit SettingsUpdate(SettingsStore& store);

  const SettingsSnapshot& values() const { return snapshot_; }
  void WriteString(const char* section, const char* key, const QString& value);
  void WriteInteger(const char* section, const char* key, std::int32_t value);

  // Replaces the file when the writes changed its bytes, otherwise checks
  // that it could; nothing when there were no writes. Then releases the lock.
  // Returns what each write would have raised as a write of its own, in the
  // order they were made (none when all reached the file): a write that
  // changed the bytes fails as the replace did, one that kept them as the
  // check does.
  std::vector<AppError> commit();

 private:
  SettingsStore& store_;
  std::unique_ptr<platform::FileLock> lock_;
  std::optional<platform::FileFailure> lockFailure_;
  SettingsSnapshot snapshot_;
  platform::FileRead::Status read_;  // what the read found
  std::string asRead_;
  std::vector<bool> changed_;  // per write: whether it changed the bytes as read
};

}  // namespace dtu
