// SPDX-License-Identifier: MIT
#pragma once

#include "platform/FileStore.h"

namespace dtu::platform {

class PosixFileStore : public FileStore {
 public:
  FileRead readFile(const std::string& path) override;
  std::optional<FileFailure> replaceFile(const std::string& path, std::string_view bytes) override;
  std::optional<FileFailure> checkWritable(const std::string& path) override;
  void removeStaleTemporaries(const std::string& path, std::chrono::seconds minimumAge) noexcept override;
};

}  // namespace dtu::platform
