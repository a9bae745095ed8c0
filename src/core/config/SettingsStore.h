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
//  - A write replaces the whole file atomically: an unnamed temporary file
//    (O_TMPFILE; a named one where the file system has none) in the same
//    folder is written, given the old file's permission bits and, where the
//    process may, its owner, synced, linked as ".<name>.XXXXXX" and renamed
//    over the file; then the folder is synced. A kill can leave a named
//    temporary only between the link and the rename; such files of ours
//    older than a minute are removed by RemoveStaleTemporaryFiles.
//  - Where no temporary file may be created in the folder (EACCES, EPERM: a
//    shared install) an existing file is rewritten in place instead (write,
//    truncate, sync): the one case where a failure or a kill midway can
//    leave a torn file.
//  - A symbolic link is written through: its final target is replaced (the
//    temporary file lies beside the target) and the link stays; a dangling
//    link creates its target; more than 40 links in a row fail (ELOOP).
//  - A failure raises AppError "Unable to write to <path>" (the path after
//    the charset) and leaves the file as it was, with no temporary file
//    behind; lastErrno() keeps the cause, which also goes to stderr. An
//    existing file or a folder without any write permission bit is
//    read-only (even for root) and fails the write. Only a failure to sync
//    the folder comes after the rename: it is reported too (except EINVAL, a
//    file system that cannot sync folders), with the new content in place.
//  - The path passes through the charset (what it cannot hold becomes "?")
//    and reaches the file system in its own encoding (QFile::encodeName).
// The text rules themselves are in config/IniText.h.
#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "core/config/AnsiCodec.h"
#include "core/config/FileSystem.h"

namespace dtu {

class SettingsStore {
 public:
  // `path` makes a round trip through the codec's charset, as the file layer
  // of the original platform saw it: a path the charset cannot hold
  // addresses another file.
  SettingsStore(const QString& path, const AnsiCodec& codec);
  // The same, with the file calls going through `fs` (tests inject failures).
  SettingsStore(const QString& path, const AnsiCodec& codec, FileSystem& fs);

  QString ReadString(const char* section, const char* key, const QString& defaultValue) const;
  std::int32_t ReadInteger(const char* section, const char* key, std::int32_t defaultValue) const;
  void WriteString(const char* section, const char* key, const QString& value);
  void WriteInteger(const char* section, const char* key, std::int32_t value);

  // The bytes the file system gets for the path.
  const std::string& nativePath() const { return path_; }
  // errno of the last failed write; 0 while none failed.
  int lastErrno() const { return lastErrno_; }

  // Removes temporary files of this user, named as a write names them, that
  // are older than `minimumAge`, beside the file and beside a link's target.
  // Younger ones may belong to a write in progress in another copy.
  void RemoveStaleTemporaryFiles(std::chrono::seconds minimumAge = std::chrono::seconds(60)) const noexcept;

 private:
  // The file's bytes; nullopt when it cannot be read (missing, not a file).
  std::optional<std::string> readFile() const;
  // The raw value of a key, or nothing when the file, section or key is missing.
  std::optional<std::string> lookup(const char* section, const char* key) const;
  // The final target of a chain of links, or errno.
  std::pair<std::string, int> resolveLinks() const;
  void rewriteInPlace(const std::string& target, const std::string& bytes);
  [[noreturn]] void fail(int error);

  std::string path_;
  QString shownPath_;
  AnsiCodec codec_;  // a copy: a store may be opened on a temporary codec
  FileSystem& fs_;
  int lastErrno_ = 0;
};

}  // namespace dtu
