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
//  - A write replaces the whole file atomically; a failure raises AppError
//    "Unable to write to <path>" and leaves the file as it was.
#pragma once

#include <QString>

#include <cstdint>
#include <string>

#include "config/AnsiCodec.h"

namespace dtu {

class SettingsStore {
 public:
  // `path` is converted to 8-bit text in the codec's charset, as the file
  // layer sees it: a path the charset cannot hold addresses another file.
  explicit SettingsStore(const QString& path, const AnsiCodec& codec = Ansi());

  QString ReadString(const char* section, const char* key, const QString& defaultValue) const;
  std::int32_t ReadInteger(const char* section, const char* key, std::int32_t defaultValue) const;
  void WriteString(const char* section, const char* key, const QString& value);
  void WriteInteger(const char* section, const char* key, std::int32_t value);

  const std::string& nativePath() const { return path_; }

 private:
  std::string path_;
  const AnsiCodec& codec_;
};

}  // namespace dtu
