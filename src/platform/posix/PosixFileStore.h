// SPDX-License-Identifier: MIT
// The file store on POSIX: an atomic replace through a temporary file beside
// the target (O_TMPFILE where the file system has it, mkstemp otherwise),
// linked as ".<name>.~dtusms-temp~XXXXXX" only once its content is on disk. A kill can
// leave a named temporary only between the link and the rename;
// removeStaleTemporaries tidies those up.
#pragma once

#include "platform/FileStore.h"
#include "platform/posix/PosixSysCalls.h"

namespace dtu::platform {

class PosixFileStore : public FileStore {
 public:
  // Every file call goes through `calls` (tests inject failures there).
  explicit PosixFileStore(SysCalls& calls = SystemSysCalls()) : calls_(calls) {}

  FileRead readFile(const std::string& path) override;
  std::optional<FileFailure> replaceFile(const std::string& path, std::string_view bytes) override;
  std::optional<FileFailure> checkWritable(const std::string& path) override;
  std::optional<FileIdentity> fileIdentity(const std::string& path) override;
  // flock on the file's folder, tried again until `bound` has passed.
  std::unique_ptr<FileLock> lockForUpdate(const std::string& path, std::chrono::milliseconds bound,
                                          FileFailure& failure) override;
  void removeStaleTemporaries(const std::string& path, std::chrono::seconds minimumAge) noexcept override;

 private:
  SysCalls& calls_;
};

}  // namespace dtu::platform
