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
//  - A write replaces the whole file atomically: a temporary file in the same
//    folder is written, synced, given the old file's permission bits and
//    renamed over the file, then the folder is synced. A failure raises
//    AppError "Unable to write to <path>" and leaves the file as it was, with
//    no temporary file behind. An existing file or a folder without any write
//    permission bit is read-only (even for root) and fails the write. Only a
//    failure to sync the folder comes after the rename: it is reported too
//    (except EINVAL, a file system that cannot sync folders), with the new
//    content already in place. A symbolic link at `path` is replaced by a
//    regular file; a crash between the temporary file's creation and the
//    rename can leave a hidden ".<name>.XXXXXX" beside the file.
// The text rules themselves are in config/IniText.h.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "config/AnsiCodec.h"
#include "config/FileSystem.h"

namespace dtu {

class SettingsStore {
 public:
  // `path` is converted to 8-bit text in the codec's charset, as the file
  // layer sees it: a path the charset cannot hold addresses another file.
  explicit SettingsStore(const QString& path, const AnsiCodec& codec = Ansi());
  // The same, with the file calls going through `fs` (tests inject failures).
  SettingsStore(const QString& path, const AnsiCodec& codec, FileSystem& fs);

  QString ReadString(const char* section, const char* key, const QString& defaultValue) const;
  std::int32_t ReadInteger(const char* section, const char* key, std::int32_t defaultValue) const;
  void WriteString(const char* section, const char* key, const QString& value);
  void WriteInteger(const char* section, const char* key, std::int32_t value);

  const std::string& nativePath() const { return path_; }

 private:
  // The file's bytes; nullopt when it cannot be read (missing, not a file).
  std::optional<std::string> readFile() const;
  // The raw value of a key, or nothing when the file, section or key is missing.
  std::optional<std::string> lookup(const char* section, const char* key) const;
  [[noreturn]] void fail() const;

  std::string path_;
  AnsiCodec codec_;  // a copy: a store may be opened on a temporary codec
  FileSystem& fs_;
};

}  // namespace dtu
