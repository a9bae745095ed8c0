// SPDX-License-Identifier: MIT
// The seam between the POSIX file store and the operating system's file calls.
//
// Every method is the POSIX call of the same name (on 8-bit path bytes) and
// returns what it returns, with errno set the same way. Tests derive from
// SysCalls and override one call to make it fail (ENOSPC on write, a
// failing fsync or rename, ...); everything else keeps going to the system.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>

namespace dtu::platform {

class SysCalls {
 public:
  virtual ~SysCalls() = default;

  virtual int open(const char* path, int flags, mode_t mode = 0);
  // mkostemp(templ, O_CLOEXEC): creates and opens a unique file, mode 0600.
  virtual int mkstemp(char* templ);
  // open(folder, O_TMPFILE | O_WRONLY | O_CLOEXEC, mode): an unnamed file in
  // `folder` that vanishes with its descriptor unless it is linked.
  virtual int openTempFile(const char* folder, mode_t mode);
  // Gives the unnamed file behind `fd` the name `path` (linkat through
  // /proc/self/fd); fails with EEXIST when the name is taken.
  virtual int linkTempFile(int fd, const char* path);
  virtual ssize_t read(int fd, void* buffer, std::size_t size);
  virtual ssize_t write(int fd, const void* buffer, std::size_t size);
  virtual int fsync(int fd);
  virtual int fchmod(int fd, mode_t mode);
  virtual int fchown(int fd, uid_t owner, gid_t group);
  virtual int ftruncate(int fd, off_t length);
  virtual int close(int fd);
  virtual int rename(const char* from, const char* to);
  virtual int unlink(const char* path);
  virtual int stat(const char* path, struct stat* info);
  virtual int lstat(const char* path, struct stat* info);
  virtual ssize_t readlink(const char* path, char* buffer, std::size_t size);
  virtual int fstat(int fd, struct stat* info);
  virtual int flock(int fd, int operation);
  // faccessat(AT_FDCWD, path, mode, AT_EACCESS): what this process may do, as the system decides.
  virtual int effectiveAccess(const char* path, int mode);
  // The permission bits a new file gets from open(O_CREAT, 0666): 0666 less
  // the process's umask (read from /proc/self/status, without changing it).
  virtual mode_t newFileMode();
};

// The real calls; what the file store uses unless it is given others.
SysCalls& SystemSysCalls();

}  // namespace dtu::platform
