// SPDX-License-Identifier: MIT
// The file store in memory: a map from path to bytes, with one failure that
// can be planted on a path for the next writes and checks.
#pragma once

#include <cerrno>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "platform/FileStore.h"

namespace dtu::testing {

class FakeFileStore final : public platform::FileStore {
 public:
  platform::FileRead readFile(const std::string& path) override {
    using enum platform::FileRead::Status;
    ++reads;
    if (failReads && failingPath == path) return {Failed, {}, failure};
    const auto file = files.find(path);
    return file == files.end() ? platform::FileRead{} : platform::FileRead{Ok, file->second, {}};
  }
  std::optional<platform::FileFailure> replaceFile(const std::string& path, std::string_view bytes) override {
    ++replaces;
    if (failingPath == path) return failure;
    files[path] = std::string(bytes);
    return std::nullopt;
  }
  std::optional<platform::FileFailure> checkWritable(const std::string& path) override {
    ++checks;
    if (failingPath == path) return failure;
    return std::nullopt;
  }
  // A file of the map is its own identity, a link's is its target's.
  std::optional<platform::FileIdentity> fileIdentity(const std::string& path) override {
    const auto link = links.find(path);
    const std::string& target = link == links.end() ? path : link->second;
    if (!files.contains(target)) return std::nullopt;
    return platform::FileIdentity{1, std::hash<std::string>{}(target)};
  }
  void removeStaleTemporaries(const std::string&, std::chrono::seconds) noexcept override {}
  std::unique_ptr<platform::FileLock> lockForUpdate(const std::string& path, std::chrono::milliseconds,
                                                    platform::FileFailure& failed) override {
    ++locks;
    if (failLocks && failingPath == path) return failed = failure, nullptr;
    return std::make_unique<platform::FileLock>();
  }

  std::map<std::string, std::string> files;
  std::map<std::string, std::string> links;  // path -> a path of `files`
  // Writes and checks of this path fail with `failure`, and reads (locks) too with `failReads` (`failLocks`).
  std::string failingPath;
  bool failReads = false;
  bool failLocks = false;
  platform::FileFailure failure{EACCES, "Permission denied"};
  int reads = 0;
  int locks = 0;
  int replaces = 0;
  int checks = 0;
};

}  // namespace dtu::testing
