// SPDX-License-Identifier: MIT
// The file store on Windows: paths are ANSI code page text. A replace writes
// ".<name>.~dtusms-temp~XXXXXX.tmp" beside the target and swaps it in with ReplaceFileW,
// which keeps the target's attributes and ACL; a kill before the swap leaves
// that temporary, which removeStaleTemporaries tidies up.
#pragma once

#include "platform/FileStore.h"

namespace dtu::platform {

class WinFileStore : public FileStore {
 public:
  FileRead readFile(const std::string& path) override;
  std::optional<FileFailure> replaceFile(const std::string& path, std::string_view bytes) override;
  std::optional<FileFailure> checkWritable(const std::string& path) override;
  std::optional<FileIdentity> fileIdentity(const std::string& path) override;
  // A named mutex of the session, per file (see the source).
  std::unique_ptr<FileLock> lockForUpdate(const std::string& path, std::chrono::milliseconds bound,
                                          FileFailure& failure) override;
  void removeStaleTemporaries(const std::string& path, std::chrono::seconds minimumAge) noexcept override;
};

}  // namespace dtu::platform
