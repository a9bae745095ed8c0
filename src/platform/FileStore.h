// SPDX-License-Identifier: MIT
// The file store: what the settings file needs of the file system. Paths are
// the bytes the file system takes (QFile::encodeName on POSIX).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace dtu::platform {

// Why a file operation failed: the system's error number (errno, or
// GetLastError on Windows) and its text (strerror, FormatMessage).
struct FileFailure {
  int code = 0;
  std::string cause;
};

// The code of a failure for a path that names something other than a regular
// file or a folder (a FIFO, a device, a socket); no system error says that.
inline constexpr int kNotRegularFile = -1;

struct FileRead {
  enum class Status { Ok, Missing, Failed };
  Status status = Status::Missing;
  std::string bytes;    // with Ok: the whole file
  FileFailure failure;  // with Failed
};

// What tells one file from another: two paths name the same file (through
// links, "./", hard links) exactly when their identities are equal.
struct FileIdentity {
  std::uint64_t volume = 0;  // st_dev; the volume serial number
  std::uint64_t index = 0;   // st_ino; the file index
  bool operator==(const FileIdentity&) const = default;
};

// Held while one read-modify-replace of a file runs; released when destroyed,
// and by the system when the process ends, however it ends.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

class FileStore {
 public:
  virtual ~FileStore() = default;

  // The whole of a regular file. Missing: nothing at `path` (or a dangling link).
  // Anything else fails without blocking (kNotRegularFile for a FIFO or a device).
  virtual FileRead readFile(const std::string& path) = 0;

  // Replaces the file's content with `bytes`, atomically: a kill or a power
  // cut leaves the old content or the new one. A link is written through (its
  // final target is replaced and the link stays). The file keeps its owner
  // (where the process may) and its permissions; a new file gets the
  // process's defaults. A file or folder without any write permission is
  // read-only and fails. Where the folder takes no new file, an existing
  // file is rewritten in place. A failure leaves the file as it was and no
  // temporary file behind.
  virtual std::optional<FileFailure> replaceFile(const std::string& path, std::string_view bytes) = 0;

  // The checks replaceFile makes before writing (links, read-only file or
  // folder), without writing anything; also whether this user may write the
  // file (or else the folder), as the system decides.
  virtual std::optional<FileFailure> checkWritable(const std::string& path) = 0;

  // The identity of whatever is at `path`, links followed; none when nothing
  // is there or the system cannot tell. Opens nothing that could block.
  virtual std::optional<FileIdentity> fileIdentity(const std::string& path) = 0;
  // Serialises the read-modify-replace of `path` across processes: an
  // advisory lock, shared by every path that leads to the same file, waited
  // for at most `bound`. Null with `failure` set when it was not had in time.
  virtual std::unique_ptr<FileLock> lockForUpdate(const std::string& path, std::chrono::milliseconds bound,
                                                  FileFailure& failure) = 0;

  // Removes this user's temporary files that a killed replaceFile of `path`
  // left behind and that are older than `minimumAge`. Best effort.
  virtual void removeStaleTemporaries(const std::string& path, std::chrono::seconds minimumAge) noexcept = 0;
};

}  // namespace dtu::platform
