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
#include <optional>
#include <string>

#include "core/config/AnsiCodec.h"
#include "platform/FileStore.h"

namespace dtu {

class SettingsStore {
 public:
  // `path` makes a round trip through the codec's charset, as the file layer
  // of the original platform saw it: a path the charset cannot hold
  // addresses another file. The file calls go to `files`.
  SettingsStore(const QString& path, const AnsiCodec& codec, platform::FileStore& files);

  QString ReadString(const char* section, const char* key, const QString& defaultValue) const;
  std::int32_t ReadInteger(const char* section, const char* key, std::int32_t defaultValue) const;
  void WriteString(const char* section, const char* key, const QString& value);
  void WriteInteger(const char* section, const char* key, std::int32_t value);

  // The bytes the file system gets for the path.
  const std::string& nativePath() const { return path_; }
  // The system's code of the last failed write; 0 while none failed.
  int lastError() const { return lastError_; }

  // Removes temporary files a killed write left behind that are older than
  // `minimumAge`. Younger ones may belong to a write in progress in another copy.
  void RemoveStaleTemporaryFiles(std::chrono::seconds minimumAge = std::chrono::seconds(60)) const noexcept;

 private:
  // The raw value of a key, or nothing when the file, section or key is missing.
  std::optional<std::string> lookup(const char* section, const char* key) const;
  [[noreturn]] void fail(const platform::FileFailure& failure);

  std::string path_;
  QString shownPath_;
  AnsiCodec codec_;  // a copy: a store may be opened on a temporary codec
  platform::FileStore& files_;
  int lastError_ = 0;
};

}  // namespace dtu
