// SPDX-License-Identifier: MIT
#include "platform/posix/PosixSysCalls.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace dtu::platform {

int SysCalls::open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int SysCalls::mkstemp(char* templ) { return ::mkostemp(templ, O_CLOEXEC); }
int SysCalls::openTempFile(const char* folder, mode_t mode) {
  return ::open(folder, O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
}
int SysCalls::linkTempFile(int fd, const char* path) {
  // AT_EMPTY_PATH would need CAP_DAC_READ_SEARCH; the /proc link does not.
  char self[64];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
  return ::linkat(AT_FDCWD, self, AT_FDCWD, path, AT_SYMLINK_FOLLOW);
}
ssize_t SysCalls::read(int fd, void* buffer, std::size_t size) { return ::read(fd, buffer, size); }
ssize_t SysCalls::write(int fd, const void* buffer, std::size_t size) { return ::write(fd, buffer, size); }
int SysCalls::fsync(int fd) { return ::fsync(fd); }
int SysCalls::fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int SysCalls::fchown(int fd, uid_t owner, gid_t group) { return ::fchown(fd, owner, group); }
int SysCalls::ftruncate(int fd, off_t length) { return ::ftruncate(fd, length); }
int SysCalls::close(int fd) { return ::close(fd); }
int SysCalls::rename(const char* from, const char* to) { return ::rename(from, to); }
int SysCalls::unlink(const char* path) { return ::unlink(path); }
int SysCalls::stat(const char* path, struct stat* info) { return ::stat(path, info); }
int SysCalls::lstat(const char* path, struct stat* info) { return ::lstat(path, info); }
ssize_t SysCalls::readlink(const char* path, char* buffer, std::size_t size) { return ::readlink(path, buffer, size); }
int SysCalls::fstat(int fd, struct stat* info) { return ::fstat(fd, info); }
int SysCalls::flock(int fd, int operation) { return ::flock(fd, operation); }
int SysCalls::effectiveAccess(const char* path, int mode) { return ::faccessat(AT_FDCWD, path, mode, AT_EACCESS); }

mode_t SysCalls::newFileMode() {
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

SysCalls& SystemSysCalls() {
  static SysCalls system;
  return system;
}

}  // namespace dtu::platform
