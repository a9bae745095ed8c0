// SPDX-License-Identifier: MIT
#include "core/config/FileSystem.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace dtu {

int FileSystem::open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int FileSystem::mkstemp(char* templ) { return ::mkostemp(templ, O_CLOEXEC); }
int FileSystem::openTempFile(const char* folder, mode_t mode) {
  return ::open(folder, O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
}
int FileSystem::linkTempFile(int fd, const char* path) {
  // AT_EMPTY_PATH would need CAP_DAC_READ_SEARCH; the /proc link does not.
  char self[64];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
  return ::linkat(AT_FDCWD, self, AT_FDCWD, path, AT_SYMLINK_FOLLOW);
}
ssize_t FileSystem::read(int fd, void* buffer, std::size_t size) { return ::read(fd, buffer, size); }
ssize_t FileSystem::write(int fd, const void* buffer, std::size_t size) { return ::write(fd, buffer, size); }
int FileSystem::fsync(int fd) { return ::fsync(fd); }
int FileSystem::fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int FileSystem::fchown(int fd, uid_t owner, gid_t group) { return ::fchown(fd, owner, group); }
int FileSystem::ftruncate(int fd, off_t length) { return ::ftruncate(fd, length); }
int FileSystem::close(int fd) { return ::close(fd); }
int FileSystem::rename(const char* from, const char* to) { return ::rename(from, to); }
int FileSystem::unlink(const char* path) { return ::unlink(path); }
int FileSystem::stat(const char* path, struct stat* info) { return ::stat(path, info); }
int FileSystem::lstat(const char* path, struct stat* info) { return ::lstat(path, info); }
ssize_t FileSystem::readlink(const char* path, char* buffer, std::size_t size) {
  return ::readlink(path, buffer, size);
}
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
