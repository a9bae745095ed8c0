// SPDX-License-Identifier: MIT
#include "platform/posix/PosixFileStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <random>
#include <thread>
#include <utility>

namespace dtu::platform {

namespace {

FileFailure Failure(int error) {
  if (error == kNotRegularFile) return {error, "It is not a regular file."};
  return {error, std::strerror(error)};
}

// The file calls retried on EINTR; whole reads and writes.
bool ReadAll(SysCalls& calls, int fd, std::string& out, std::size_t sizeHint) {
  out.clear();
  out.resize(sizeHint + 1);  // one spare byte sees the end in one call
  std::size_t used = 0;
  for (;;) {
    if (used == out.size()) out.resize(out.size() * 2 + 4096);
    const ssize_t n = calls.read(fd, out.data() + used, out.size() - used);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  out.resize(used);
  return true;
}

bool WriteAll(SysCalls& calls, int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = calls.write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

constexpr int kMaxLinkHops = 40;  // the kernel's own limit for one path
constexpr char kNameChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kSuffixLength = 6;
// Between ".<name>" and the random part: no one names a file of their own so.
constexpr std::string_view kTempMarker = ".~dtusms-temp~";

struct Split {
  std::string folder;  // "." for a bare name
  std::string prefix;  // the folder with its "/", empty for a bare name
  std::string base;
};
Split SplitPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", "", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(0, slash + 1), path.substr(slash + 1)};
}

// ".<base>", the marker and six name characters, as mkstemp and TempName make them.
bool IsTemporaryName(std::string_view name, std::string_view base) {
  const std::size_t head = 1 + base.size() + kTempMarker.size();
  if (name.size() != head + kSuffixLength || name[0] != '.' || name.substr(1, base.size()) != base ||
      name.substr(1 + base.size(), kTempMarker.size()) != kTempMarker)
    return false;
  return name.substr(head).find_first_not_of(kNameChars) == std::string_view::npos;
}

std::string TempName(const Split& at) {
  static std::mt19937_64 random{std::random_device{}()};
  std::string name = at.prefix + "." + at.base + std::string(kTempMarker);
  for (std::size_t i = 0; i < kSuffixLength; ++i) name += kNameChars[random() % (sizeof kNameChars - 1)];
  return name;
}

// O_TMPFILE is missing on some file systems (EOPNOTSUPP) and old kernels.
bool NoUnnamedFiles(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

// The final target of a chain of links, or errno.
std::pair<std::string, int> ResolveLinks(SysCalls& calls, const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    struct stat info {};
    // Anything but a link (or nothing) is the place to write; errors show there.
    if (calls.lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return {current, 0};
    if (hop == kMaxLinkHops) break;
    std::string target(4096, '\0');
    const ssize_t n = calls.readlink(current.c_str(), target.data(), target.size());
    if (n < 0) return {{}, errno};
    if (n == 0 || static_cast<std::size_t>(n) >= target.size()) return {{}, n == 0 ? ENOENT : ENAMETOOLONG};
    target.resize(static_cast<std::size_t>(n));
    current = target.front() == '/' ? target : SplitPath(current).prefix + target;
  }
  return {{}, ELOOP};
}

// Where a replace writes, and what is there now.
struct Target {
  std::string path;  // the final target of the links
  Split at;
  bool exists = false;
  struct stat info {};  // the existing file's
};

// The checks before any write; errno, or 0 with `target` filled in.
// Read-only the way Windows' read-only attribute is: no write bit at all on
// the folder or on the existing file (root would pass access(2)).
int Examine(SysCalls& calls, const std::string& path, Target& target) {
  if (path.empty() || path.find('\0') != std::string::npos) return EINVAL;
  auto [resolved, linkError] = ResolveLinks(calls, path);
  if (linkError != 0) return linkError;
  target.path = std::move(resolved);
  target.at = SplitPath(target.path);
  if (target.at.base.empty()) return EISDIR;
  struct stat folder {};
  if (calls.stat(target.at.folder.c_str(), &folder) != 0) return errno;
  if (!S_ISDIR(folder.st_mode)) return ENOTDIR;
  if ((folder.st_mode & 0222) == 0) return EACCES;
  // Opened, not just stat'ed: a file the process cannot read is not replaced.
  const int fd = calls.open(target.path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? 0 : errno;
  int error = 0;
  if (calls.fstat(fd, &target.info) != 0)
    error = errno;
  else if (!S_ISREG(target.info.st_mode))
    error = S_ISDIR(target.info.st_mode) ? EISDIR : kNotRegularFile;
  else if ((target.info.st_mode & 0222) == 0)
    error = EACCES;
  calls.close(fd);
  target.exists = error == 0;
  return error;
}

std::optional<FileFailure> RewriteInPlace(SysCalls& calls, const std::string& target, std::string_view bytes) {
  const int fd = calls.open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return Failure(errno);
  struct stat info {};
  bool ok = calls.fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (!ok) errno = EINVAL;
  // Writing before truncating keeps the old bytes the longest.
  ok = ok && WriteAll(calls, fd, bytes) && calls.ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 &&
       calls.fsync(fd) == 0;
  int error = errno;
  if (calls.close(fd) != 0 && ok) ok = false, error = errno;
  if (!ok) return Failure(error);
  return std::nullopt;
}

}  // namespace

FileRead PosixFileStore::readFile(const std::string& path) {
  FileRead result;
  if (path.find('\0') != std::string::npos) {
    result.status = FileRead::Status::Failed;
    result.failure = Failure(EINVAL);
    return result;
  }
  const int fd = calls_.open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    const int error = errno;
    if (error != ENOENT) result.status = FileRead::Status::Failed, result.failure = Failure(error);
    return result;
  }
  struct stat info {};
  int error = 0;
  if (calls_.fstat(fd, &info) != 0)
    error = errno;
  else if (!S_ISREG(info.st_mode))
    error = S_ISDIR(info.st_mode) ? EISDIR : kNotRegularFile;
  else if (!ReadAll(calls_, fd, result.bytes, static_cast<std::size_t>(info.st_size)))
    error = errno;
  calls_.close(fd);
  if (error != 0) {
    result.status = FileRead::Status::Failed;
    result.failure = Failure(error);
    result.bytes.clear();
  } else {
    result.status = FileRead::Status::Ok;
  }
  return result;
}

std::optional<FileIdentity> PosixFileStore::fileIdentity(const std::string& path) {
  struct stat info {};
  if (path.find('\0') != std::string::npos || calls_.stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

std::optional<FileFailure> PosixFileStore::checkWritable(const std::string& path) {
  Target target;
  if (const int error = Examine(calls_, path, target)) return Failure(error);
  // The write bits alone pass a file this user may not write (another's
  // 0644 file); a writable folder still lets the replace put a new one there.
  if (target.exists && calls_.effectiveAccess(target.path.c_str(), W_OK) != 0) {
    const int error = errno;
    if (calls_.effectiveAccess(target.at.folder.c_str(), W_OK | X_OK) != 0) return Failure(error);
  }
  return std::nullopt;
}

namespace {

class FolderLock final : public FileLock {
 public:
  FolderLock(SysCalls& calls, int fd) : calls_(calls), fd_(fd) {}
  ~FolderLock() override { calls_.close(fd_); }  // the lock goes with the descriptor

 private:
  SysCalls& calls_;
  int fd_;
};

}  // namespace

std::unique_ptr<FileLock> PosixFileStore::lockForUpdate(const std::string& path, std::chrono::milliseconds bound,
                                                        FileFailure& failure) {
  // The folder, not the file: a replace puts another file in its place, the
  // folder stays. Every link to the file leads to the same folder.
  const auto [target, linkError] = ResolveLinks(calls_, path);
  const std::string folder = SplitPath(linkError == 0 ? target : path).folder;
  const int fd = calls_.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A folder that cannot be opened, or a file system without locks, goes
  // unlocked: the write itself says what is wrong there.
  if (fd < 0) return std::make_unique<FileLock>();
  const auto deadline = std::chrono::steady_clock::now() + bound;
  std::chrono::microseconds pause(500);
  for (;;) {
    if (calls_.flock(fd, LOCK_EX | LOCK_NB) == 0) return std::make_unique<FolderLock>(calls_, fd);
    const int error = errno;
    if (error == EINTR) continue;
    const auto now = std::chrono::steady_clock::now();
    if (error != EWOULDBLOCK || now >= deadline) {
      calls_.close(fd);
      if (error != EWOULDBLOCK) return std::make_unique<FileLock>();
      failure = Failure(error);
      return nullptr;
    }
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::microseconds(16000));
  }
}

std::optional<FileFailure> PosixFileStore::replaceFile(const std::string& path, std::string_view bytes) {
  Target target;
  if (const int error = Examine(calls_, path, target)) return Failure(error);
  const Split& at = target.at;
  const mode_t mode = target.exists ? target.info.st_mode & 07777 : calls_.newFileMode();

  // The temporary file lies beside the target, so that the rename stays in
  // one file system and is atomic; the old file is untouched until then. An
  // unnamed one gets a name only once its content is on disk.
  std::string temp;
  int fd = calls_.openTempFile(at.folder.c_str(), 0600);
  if (fd < 0 && NoUnnamedFiles(errno)) {
    temp = at.prefix + "." + at.base + std::string(kTempMarker) + "XXXXXX";
    fd = calls_.mkstemp(temp.data());
    if (fd < 0) temp.clear();
  }
  if (fd < 0) {
    // A shared install: no new file in the folder, but the file itself may be written.
    if (target.exists && (errno == EACCES || errno == EPERM)) return RewriteInPlace(calls_, target.path, bytes);
    return Failure(errno);
  }
  struct stat fresh {};
  bool ok = WriteAll(calls_, fd, bytes) && calls_.fstat(fd, &fresh) == 0;
  // Ownership is kept where the process may change it; chown clears the
  // set-id bits, so the mode comes after it.
  const struct stat& old = target.info;
  if (ok && target.exists && (fresh.st_uid != old.st_uid || fresh.st_gid != old.st_gid) &&
      calls_.fchown(fd, old.st_uid, old.st_gid) != 0)
    calls_.fchown(fd, static_cast<uid_t>(-1), old.st_gid);
  ok = ok && calls_.fchmod(fd, mode) == 0 && calls_.fsync(fd) == 0;
  for (int attempt = 0; ok && temp.empty() && attempt < 100; ++attempt) {
    const std::string name = TempName(at);
    if (calls_.linkTempFile(fd, name.c_str()) == 0)
      temp = name;
    else if (errno != EEXIST)
      ok = false;
  }
  ok = ok && !temp.empty();
  int error = errno;
  if (calls_.close(fd) != 0 && ok) ok = false, error = errno;  // close can report a delayed write error
  if (ok && calls_.rename(temp.c_str(), target.path.c_str()) != 0) ok = false, error = errno;
  if (!ok) {
    if (!temp.empty()) calls_.unlink(temp.c_str());
    return Failure(error != 0 ? error : EIO);
  }

  // Make the rename itself durable. Some file systems cannot sync a folder
  // (EINVAL); the file's own data is synced already then.
  const int dir = calls_.open(at.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return Failure(errno);
  const int rc = calls_.fsync(dir);
  error = errno;
  calls_.close(dir);
  if (rc != 0 && error != EINVAL) return Failure(error);
  return std::nullopt;
}

void PosixFileStore::removeStaleTemporaries(const std::string& path, std::chrono::seconds minimumAge) noexcept {
  try {
    // Beside `path` only, never beside a link's target: what is there is not
    // provably ours. lstat: a link with our name is not followed either.
    const std::time_t cut = std::time(nullptr) - minimumAge.count();
    const Split at = SplitPath(path);
    if (at.base.empty()) return;
    DIR* dir = ::opendir(at.folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
      if (!IsTemporaryName(entry->d_name, at.base)) continue;
      const std::string name = at.prefix + entry->d_name;
      struct stat info {};
      if (calls_.lstat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
          info.st_mtime < cut)
        calls_.unlink(name.c_str());
    }
    ::closedir(dir);
  } catch (...) {
    // Tidying up is best effort.
  }
}

}  // namespace dtu::platform
