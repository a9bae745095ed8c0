// SPDX-License-Identifier: MIT
#include "config/SettingsStore.h"

#include <fcntl.h>

#include <cerrno>
#include <string_view>

#include "AppError.h"
#include "config/IniText.h"

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

}  // namespace

SettingsStore::SettingsStore(const QString& path, const AnsiCodec& codec)
    : SettingsStore(path, codec, SystemFileSystem()) {}

SettingsStore::SettingsStore(const QString& path, const AnsiCodec& codec, FileSystem& fs)
    : path_(codec.fromUnicode(path)), codec_(codec), fs_(fs) {}

void SettingsStore::fail() const { throw AppError(QStringLiteral("Unable to write to ") + codec_.toUnicode(path_)); }

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
  const std::size_t slash = path_.rfind('/');
  const std::string base = path_.substr(slash == std::string::npos ? 0 : slash + 1);
  if (base.empty() || path_.find('\0') != std::string::npos) fail();
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path_.substr(0, slash);

  // Read-only the way the original platform's attribute is: no write bit at
  // all on the folder or on the existing file (root would pass access(2)).
  struct stat info {};
  if (fs_.stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || (info.st_mode & 0222) == 0) fail();
  std::string content;
  mode_t mode = 0;
  switch (ReadFile(fs_, path_, content, info)) {
    case Opened::kMissing:
      content.clear();
      mode = fs_.newFileMode();
      break;
    case Opened::kFailed:
      fail();
    case Opened::kOk:
      if ((info.st_mode & 0222) == 0) fail();
      mode = info.st_mode & 07777;
      break;
  }
  const std::string updated = ini::ReplaceValue(content, Text(section), Text(key), codec_.fromUnicode(value));

  // Temporary file beside the target, so that the rename stays in one file
  // system and is atomic; the old file is untouched until the rename.
  std::string temp = path_.substr(0, slash == std::string::npos ? 0 : slash + 1) + "." + base + ".XXXXXX";
  const int fd = fs_.mkstemp(temp.data());
  if (fd < 0) fail();
  bool ok = WriteAll(fs_, fd, updated) && fs_.fchmod(fd, mode) == 0 && fs_.fsync(fd) == 0;
  ok = fs_.close(fd) == 0 && ok;  // close can report a delayed write error
  if (!ok || fs_.rename(temp.c_str(), path_.c_str()) != 0) {
    fs_.unlink(temp.c_str());
    fail();
  }

  // Make the rename itself durable. Some file systems cannot sync a folder
  // (EINVAL); the file's own data is synced already then.
  const int dir = fs_.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) fail();
  const int rc = fs_.fsync(dir);
  const int error = errno;
  fs_.close(dir);
  if (rc != 0 && error != EINVAL) fail();
}

}  // namespace dtu
