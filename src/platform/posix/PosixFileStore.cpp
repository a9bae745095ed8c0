// SPDX-License-Identifier: MIT
// PLACEHOLDER: to be written; every call aborts until then.
#include "platform/posix/PosixFileStore.h"

#include <cstdlib>

namespace dtu::platform {

FileRead PosixFileStore::readFile(const std::string& path) { std::abort(); }
std::optional<FileFailure> PosixFileStore::replaceFile(const std::string& path, std::string_view bytes) { std::abort(); }
std::optional<FileFailure> PosixFileStore::checkWritable(const std::string& path) { std::abort(); }
void PosixFileStore::removeStaleTemporaries(const std::string& path, std::chrono::seconds minimumAge) noexcept { std::abort(); }

}  // namespace dtu::platform
