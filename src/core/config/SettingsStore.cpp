// SPDX-License-Identifier: MIT
#include "core/config/SettingsStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string_view>
#include <vector>

#include "core/AppError.h"
#include "core/config/IniText.h"

namespace dtu {

namespace {

// The file calls retried on EINTR; whole reads and writes.
bool ReadAll(FileSystem& fs, int fd, std::string& out, std::size_t sizeHint) {
  out.clear();
  out.resize(sizeHint + 1);  // one spare byte sees the end in one call
  std::size_t used = 0;
  for (;;) {
    if (used == out.size()) out.resize(out.size() * 2 + 4096);
    const ssize_t n = fs.read(fd, out.data() + used, out.size() - used);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  out.resize(used);
  return true;
}

bool WriteAll(FileSystem& fs, int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = fs.write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

enum class Opened { kOk, kMissing, kFailed };

// Reads a regular file whole; `info` is its fstat.
Opened ReadFile(FileSystem& fs, const std::string& path, std::string& out, struct stat& info) {
  const int fd = fs.open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? Opened::kMissing : Opened::kFailed;
  const bool ok =
      fs.fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ReadAll(fs, fd, out, static_cast<std::size_t>(info.st_size));
  fs.close(fd);
  return ok ? Opened::kOk : Opened::kFailed;
}

std::string_view Text(const char* s) { return s ? std::string_view(s) : std::string_view(); }

constexpr int kMaxLinkHops = 40;  // the kernel's own limit for one path
constexpr char kNameChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kSuffixLength = 6;

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

// ".<base>." and six name characters, as mkstemp and TempName make them.
bool IsTemporaryName(std::string_view name, std::string_view base) {
  if (name.size() != base.size() + 2 + kSuffixLength || name[0] != '.' || name.substr(1, base.size()) != base ||
      name[base.size() + 1] != '.')
    return false;
  return name.substr(base.size() + 2).find_first_not_of(kNameChars) == std::string_view::npos;
}

std::string TempName(const Split& at) {
  static std::mt19937_64 random{std::random_device{}()};
  std::string name = at.prefix + "." + at.base + ".";
  for (std::size_t i = 0; i < kSuffixLength; ++i) name += kNameChars[random() % (sizeof kNameChars - 1)];
  return name;
}

// O_TMPFILE is missing on some file systems (EOPNOTSUPP) and old kernels.
bool NoUnnamedFiles(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

}  // namespace

SettingsStore::SettingsStore(const QString& path, const AnsiCodec& codec)
    : SettingsStore(path, codec, SystemFileSystem()) {}

SettingsStore::SettingsStore(const QString& path, const AnsiCodec& codec, FileSystem& fs)
    : shownPath_(codec.toUnicode(codec.fromUnicode(path))), codec_(codec), fs_(fs) {
  path_ = QFile::encodeName(shownPath_).toStdString();
}

void SettingsStore::fail(int error) {
  lastErrno_ = error;
  std::fprintf(stderr, "dtusms: cannot write %s: %s\n", path_.c_str(), std::strerror(error));
  throw AppError(QStringLiteral("Unable to write to ") + shownPath_);
}

std::pair<std::string, int> SettingsStore::resolveLinks() const {
  std::string current = path_;
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    struct stat info {};
    // Anything but a link (or nothing) is the place to write; errors show there.
    if (fs_.lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return {current, 0};
    if (hop == kMaxLinkHops) break;
    std::string target(4096, '\0');
    const ssize_t n = fs_.readlink(current.c_str(), target.data(), target.size());
    if (n < 0) return {{}, errno};
    if (n == 0 || static_cast<std::size_t>(n) >= target.size()) return {{}, n == 0 ? ENOENT : ENAMETOOLONG};
    target.resize(static_cast<std::size_t>(n));
    current = target.front() == '/' ? target : SplitPath(current).prefix + target;
  }
  return {{}, ELOOP};
}

void SettingsStore::rewriteInPlace(const std::string& target, const std::string& bytes) {
  const int fd = fs_.open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) fail(errno);
  struct stat info {};
  bool ok = fs_.fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (!ok) errno = EINVAL;
  // Writing before truncating keeps the old bytes the longest.
  ok = ok && WriteAll(fs_, fd, bytes) && fs_.ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && fs_.fsync(fd) == 0;
  int error = errno;
  if (fs_.close(fd) != 0 && ok) ok = false, error = errno;
  if (!ok) fail(error);
}

void SettingsStore::RemoveStaleTemporaryFiles(std::chrono::seconds minimumAge) const noexcept {
  try {
    std::vector<std::string> places{path_};
    if (const auto [target, error] = resolveLinks(); error == 0 && target != path_) places.push_back(target);
    const std::time_t cut = std::time(nullptr) - minimumAge.count();
    for (const std::string& place : places) {
      const Split at = SplitPath(place);
      if (at.base.empty()) continue;
      DIR* dir = ::opendir(at.folder.c_str());
      if (!dir) continue;
      while (const dirent* entry = ::readdir(dir)) {
        if (!IsTemporaryName(entry->d_name, at.base)) continue;
        const std::string name = at.prefix + entry->d_name;
        struct stat info {};
        if (fs_.lstat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            info.st_mtime < cut)
          fs_.unlink(name.c_str());
      }
      ::closedir(dir);
    }
  } catch (...) {
    // Tidying up is best effort.
  }
}

std::optional<std::string> SettingsStore::readFile() const {
  if (path_.empty() || path_.find('\0') != std::string::npos) return std::nullopt;
  std::string content;
  struct stat info {};
  if (ReadFile(fs_, path_, content, info) != Opened::kOk) return std::nullopt;
  return content;
}

std::optional<std::string> SettingsStore::lookup(const char* section, const char* key) const {
  const std::optional<std::string> content = readFile();
  if (!content) return std::nullopt;
  const std::optional<std::string_view> value = ini::FindValue(*content, Text(section), Text(key));
  return value ? std::optional<std::string>(*value) : std::nullopt;
}

QString SettingsStore::ReadString(const char* section, const char* key, const QString& defaultValue) const {
  const std::optional<std::string> value = lookup(section, key);
  return value ? codec_.toUnicode(*value) : defaultValue;
}

std::int32_t SettingsStore::ReadInteger(const char* section, const char* key, std::int32_t defaultValue) const {
  const std::optional<std::string> value = lookup(section, key);
  return value ? ini::ParseInteger(*value).value_or(defaultValue) : defaultValue;
}

void SettingsStore::WriteInteger(const char* section, const char* key, std::int32_t value) {
  WriteString(section, key, QString::number(value));
}

void SettingsStore::WriteString(const char* section, const char* key, const QString& value) {
  if (path_.empty() || path_.find('\0') != std::string::npos) fail(EINVAL);
  const auto [target, linkError] = resolveLinks();
  if (linkError != 0) fail(linkError);
  const Split at = SplitPath(target);
  if (at.base.empty()) fail(EISDIR);

  // Read-only the way the original platform's attribute is: no write bit at
  // all on the folder or on the existing file (root would pass access(2)).
  struct stat info {};
  if (fs_.stat(at.folder.c_str(), &info) != 0) fail(errno);
  if (!S_ISDIR(info.st_mode)) fail(ENOTDIR);
  if ((info.st_mode & 0222) == 0) fail(EACCES);
  std::string content;
  mode_t mode = 0;
  bool exists = false;
  switch (ReadFile(fs_, target, content, info)) {
    case Opened::kMissing:
      content.clear();
      mode = fs_.newFileMode();
      break;
    case Opened::kFailed:
      fail(errno != 0 ? errno : EINVAL);
    case Opened::kOk:
      if ((info.st_mode & 0222) == 0) fail(EACCES);
      mode = info.st_mode & 07777;
      exists = true;
      break;
  }
  const std::string updated = ini::ReplaceValue(content, Text(section), Text(key), codec_.fromUnicode(value));
  // Loading the fields writes every key back with the value it already has:
  // the bytes on disk are those already, so nothing needs replacing or syncing.
  if (exists && updated == content) return;

  // The temporary file lies beside the target, so that the rename stays in
  // one file system and is atomic; the old file is untouched until then. An
  // unnamed one gets a name only once its content is on disk.
  std::string temp;
  int fd = fs_.openTempFile(at.folder.c_str(), 0600);
  if (fd < 0 && NoUnnamedFiles(errno)) {
    temp = at.prefix + "." + at.base + ".XXXXXX";
    fd = fs_.mkstemp(temp.data());
    if (fd < 0) temp.clear();
  }
  if (fd < 0) {
    if (exists && (errno == EACCES || errno == EPERM)) return rewriteInPlace(target, updated);
    fail(errno);
  }
  struct stat fresh {};
  bool ok = WriteAll(fs_, fd, updated) && fs_.fstat(fd, &fresh) == 0;
  // Ownership is kept where the process may change it; chown clears the
  // set-id bits, so the mode comes after it.
  if (ok && exists && (fresh.st_uid != info.st_uid || fresh.st_gid != info.st_gid) &&
      fs_.fchown(fd, info.st_uid, info.st_gid) != 0)
    fs_.fchown(fd, static_cast<uid_t>(-1), info.st_gid);
  ok = ok && fs_.fchmod(fd, mode) == 0 && fs_.fsync(fd) == 0;
  for (int attempt = 0; ok && temp.empty() && attempt < 100; ++attempt) {
    const std::string name = TempName(at);
    if (fs_.linkTempFile(fd, name.c_str()) == 0)
      temp = name;
    else if (errno != EEXIST)
      ok = false;
  }
  ok = ok && !temp.empty();
  int error = errno;
  if (fs_.close(fd) != 0 && ok) ok = false, error = errno;  // close can report a delayed write error
  if (ok && fs_.rename(temp.c_str(), target.c_str()) != 0) ok = false, error = errno;
  if (!ok) {
    if (!temp.empty()) fs_.unlink(temp.c_str());
    fail(error != 0 ? error : EIO);
  }

  // Make the rename itself durable. Some file systems cannot sync a folder
  // (EINVAL); the file's own data is synced already then.
  const int dir = fs_.open(at.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) fail(errno);
  const int rc = fs_.fsync(dir);
  error = errno;
  fs_.close(dir);
  if (rc != 0 && error != EINVAL) fail(error);
}

}  // namespace dtu
