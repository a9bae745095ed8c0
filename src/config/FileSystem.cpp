// SPDX-License-Identifier: MIT
#include "config/FileSystem.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace dtu {

int FileSystem::open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int FileSystem::mkstemp(char* templ) { return ::mkostemp(templ, O_CLOEXEC); }
ssize_t FileSystem::read(int fd, void* buffer, std::size_t size) { return ::read(fd, buffer, size); }
ssize_t FileSystem::write(int fd, const void* buffer, std::size_t size) { return ::write(fd, buffer, size); }
int FileSystem::fsync(int fd) { return ::fsync(fd); }
int FileSystem::fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int FileSystem::close(int fd) { return ::close(fd); }
int FileSystem::rename(const char* from, const char* to) { return ::rename(from, to); }
int FileSystem::unlink(const char* path) { return ::unlink(path); }
int FileSystem::stat(const char* path, struct stat* info) { return ::stat(path, info); }
int FileSystem::fstat(int fd, struct stat* info) { return ::fstat(fd, info); }

mode_t FileSystem::newFileMode() {
  // umask(2) can only be read by setting it; the status file reads it safely.
  mode_t mask = 022;
  if (FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
      if (std::strncmp(line, "Umask:", 6) == 0) {
        mask = static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8)) & 0777;
        break;
      }
    }
    std::fclose(status);
  }
  return 0666 & ~mask;
}

FileSystem& SystemFileSystem() {
  static FileSystem system;
  return system;
}

}  // namespace dtu
