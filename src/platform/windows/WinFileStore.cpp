// SPDX-License-Identifier: MIT
#include "platform/windows/WinFileStore.h"

#include <random>
#include <vector>

#include "platform/windows/WinHeaders.h"
#include "platform/windows/WinText.h"
// After <windows.h>, which the header above brings in the right order.
#include <aclapi.h>

namespace dtu::platform {

namespace {

FileFailure Failure(DWORD error) {
  if (error == static_cast<DWORD>(kNotRegularFile)) return {kNotRegularFile, "It is not a regular file."};
  return {static_cast<int>(error), ErrorText(error)};
}

struct Handle {
  HANDLE h;
  explicit Handle(HANDLE handle) : h(handle) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return h != INVALID_HANDLE_VALUE; }
  // False with the error when the close reports a delayed write failure.
  bool Close() {
    const bool ok = !valid() || CloseHandle(h);
    h = INVALID_HANDLE_VALUE;
    return ok;
  }
};

constexpr wchar_t kNameChars[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kSuffixLength = 6;
// Between ".<name>" and the random part: no one names a file of their own so.
constexpr std::wstring_view kTempMarker = L".~dtusms-temp~";
constexpr std::wstring_view kTempEnd = L".tmp";

// The path split after its last separator; the split is made on UTF-16, as a
// DBCS character's second byte may be 0x5C, the backslash.
struct Target {
  std::wstring path;
  std::wstring prefix;  // the folder with its separator, empty for a bare name
  std::wstring base;
  bool exists = false;
};

bool IsTemporaryName(std::wstring_view name, std::wstring_view base) {
  const std::size_t head = 1 + base.size() + kTempMarker.size();
  if (name.size() != head + kSuffixLength + kTempEnd.size() || name[0] != L'.' || name.substr(1, base.size()) != base ||
      name.substr(1 + base.size(), kTempMarker.size()) != kTempMarker || !name.ends_with(kTempEnd))
    return false;
  return name.substr(head, kSuffixLength).find_first_not_of(kNameChars) == std::wstring_view::npos;
}

std::wstring TempName(const Target& target) {
  static std::mt19937_64 random{std::random_device{}()};
  std::wstring name = target.prefix + L"." + target.base + std::wstring(kTempMarker);
  for (std::size_t i = 0; i < kSuffixLength; ++i) name += kNameChars[random() % (std::size(kNameChars) - 1)];
  return name + std::wstring(kTempEnd);
}

DWORD Split(const std::string& path, Target& target) {
  if (path.empty() || path.find('\0') != std::string::npos) return ERROR_INVALID_NAME;
  target.path = ToWide(path, CP_ACP);
  const std::size_t cut = target.path.find_last_of(L"\\/:");
  target.prefix = cut == std::wstring::npos ? L"" : target.path.substr(0, cut + 1);
  target.base = cut == std::wstring::npos ? target.path : target.path.substr(cut + 1);
  return target.base.empty() ? ERROR_INVALID_NAME : ERROR_SUCCESS;
}

// The checks before any write; an error, or ERROR_SUCCESS with `target` filled in.
DWORD Examine(const std::string& path, Target& target) {
  if (const DWORD error = Split(path, target)) return error;
  const DWORD folder = GetFileAttributesW(target.prefix.empty() ? L"." : target.prefix.c_str());
  if (folder == INVALID_FILE_ATTRIBUTES) return GetLastError();
  if (!(folder & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_DIRECTORY;
  const DWORD file = GetFileAttributesW(target.path.c_str());
  if (file == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
  }
  if (file & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return ERROR_ACCESS_DENIED;
  // Opened for writing, which changes nothing yet, so that an ACL or another
  // program's lock is seen before the temporary is made.
  Handle h(CreateFileW(target.path.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.valid()) return GetLastError();
  if (GetFileType(h.h) != FILE_TYPE_DISK) return static_cast<DWORD>(kNotRegularFile);
  target.exists = true;
  return ERROR_SUCCESS;
}

bool WriteAll(HANDLE h, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > (1u << 30) ? 1u << 30 : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(h, bytes.data(), chunk, &written, nullptr)) return false;
    if (written == 0) return SetLastError(ERROR_WRITE_FAULT), false;
    bytes.remove_prefix(written);
  }
  return true;
}

std::optional<FileFailure> RewriteInPlace(const Target& target, std::string_view bytes) {
  Handle h(CreateFileW(target.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.valid()) return Failure(GetLastError());
  // Writing before cutting the end keeps the old bytes the longest.
  if (!WriteAll(h.h, bytes) || !SetEndOfFile(h.h) || !FlushFileBuffers(h.h) || !h.Close())
    return Failure(GetLastError());
  return std::nullopt;
}

// The ReplaceFileW failures after which a plain rename still puts the new
// file in place: the target went away (also by ReplaceFileW itself, when it
// could not move the new file in) or the file system does not do the swap.
bool MoveCanFinish(DWORD error) {
  return error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_FILE_NOT_FOUND || error == ERROR_NOT_SUPPORTED ||
         error == ERROR_INVALID_FUNCTION || error == ERROR_INVALID_PARAMETER;
}

// The process's user, for the owner check of the tidying; empty where unknown.
std::vector<BYTE> CurrentUserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  const bool ok = size != 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size);
  CloseHandle(token);
  if (!ok) return {};
  const PSID sid = reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
  std::vector<BYTE> copy(GetLengthSid(sid));
  return CopySid(static_cast<DWORD>(copy.size()), copy.data(), sid) ? copy : std::vector<BYTE>{};
}

// A file system without owners (FAT) has none to compare; an owner that cannot be read is not ours.
bool OwnedBy(const std::wstring& path, std::vector<BYTE>& user) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                            &descriptor) != ERROR_SUCCESS)
    return false;
  const bool same = !owner || (!user.empty() && EqualSid(owner, user.data()));
  LocalFree(descriptor);
  return same;
}

// A mutex named after the file: LockFileEx takes no folder, and a lock file
// beside the settings would be litter. The session's processes share the
// name; a process that ends abandons the mutex, which frees it.
class MutexLock final : public FileLock {
 public:
  explicit MutexLock(HANDLE mutex) : mutex_(mutex) {}
  ~MutexLock() override {
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }

 private:
  HANDLE mutex_;
};

}  // namespace

std::unique_ptr<FileLock> WinFileStore::lockForUpdate(const std::string& path, std::chrono::milliseconds bound,
                                                      FileFailure& failure) {
  Target target;
  if (Split(path, target) != ERROR_SUCCESS) return std::make_unique<FileLock>();  // the write says why
  // One name for every spelling of the path: full, in capitals (FNV-1a of it, as names are limited).
  std::wstring full(32768, L'\0');
  const DWORD length = GetFullPathNameW(target.path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  full.resize(length < full.size() ? length : 0);
  if (full.empty()) full = target.path;
  CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
  unsigned long long hash = 14695981039346656037ULL;
  for (const wchar_t c : full) hash = (hash ^ static_cast<unsigned short>(c)) * 1099511628211ULL;
  wchar_t name[64];
  swprintf(name, 64, L"Local\\dtusms-settings-%016llx", hash);
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
  if (!mutex) return std::make_unique<FileLock>();
  const DWORD waited = WaitForSingleObject(mutex, static_cast<DWORD>(bound.count()));
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return std::make_unique<MutexLock>(mutex);
  CloseHandle(mutex);
  failure = Failure(waited == WAIT_TIMEOUT ? ERROR_TIMEOUT : GetLastError());
  return nullptr;
}

FileRead WinFileStore::readFile(const std::string& path) {
  FileRead result;
  auto fail = [&result](DWORD error) {
    result.status = FileRead::Status::Failed;
    result.failure = Failure(error);
    result.bytes.clear();
    return result;
  };
  Target target;
  if (const DWORD error = Split(path, target)) return fail(error);
  Handle h(CreateFileW(target.path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return result;
    return fail(error);
  }
  // A device (CON, a pipe) is no settings file and could block.
  if (GetFileType(h.h) != FILE_TYPE_DISK) return fail(static_cast<DWORD>(kNotRegularFile));
  LARGE_INTEGER size{};
  if (GetFileSizeEx(h.h, &size)) result.bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(h.h, buffer, sizeof buffer, &got, nullptr)) return fail(GetLastError());
    if (got == 0) break;
    result.bytes.append(buffer, got);
  }
  result.status = FileRead::Status::Ok;
  return result;
}

std::optional<FileIdentity> WinFileStore::fileIdentity(const std::string& path) {
  Target target;
  if (Split(path, target) != ERROR_SUCCESS) return std::nullopt;
  // No access asked: a handle for the attributes only, which a folder
  // (backup semantics) and a file in use by others both give.
  Handle h(CreateFileW(target.path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!h.valid() || !GetFileInformationByHandle(h.h, &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
}

std::optional<FileFailure> WinFileStore::checkWritable(const std::string& path) {
  Target target;
  if (const DWORD error = Examine(path, target)) return Failure(error);
  return std::nullopt;
}

std::optional<FileFailure> WinFileStore::replaceFile(const std::string& path, std::string_view bytes) {
  Target target;
  if (const DWORD error = Examine(path, target)) return Failure(error);

  // The temporary lies beside the target, so that the swap stays in one volume.
  std::wstring temp;
  Handle h(INVALID_HANDLE_VALUE);
  for (int attempt = 0; attempt < 100 && !h.valid(); ++attempt) {
    temp = TempName(target);
    h.h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!h.valid() && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (!h.valid()) {
    const DWORD error = GetLastError();
    // A shared install: no new file in the folder, but the file itself may be written.
    if (target.exists && error == ERROR_ACCESS_DENIED) return RewriteInPlace(target, bytes);
    return Failure(error);
  }
  bool ok = WriteAll(h.h, bytes) && FlushFileBuffers(h.h);
  DWORD error = GetLastError();
  if (!h.Close() && ok) ok = false, error = GetLastError();
  if (ok && target.exists &&
      !ReplaceFileW(target.path.c_str(), temp.c_str(), nullptr,
                    REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr)) {
    error = GetLastError();
    ok = MoveCanFinish(error) &&
         MoveFileExW(temp.c_str(), target.path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  } else if (ok && !target.exists &&
             !MoveFileExW(temp.c_str(), target.path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ok = false, error = GetLastError();
  }
  if (!ok) {
    // Where ReplaceFileW removed the target but could not move the new file
    // in, the temporary is the only copy left: it stays for the user.
    if (error != ERROR_UNABLE_TO_MOVE_REPLACEMENT) DeleteFileW(temp.c_str());
    return Failure(error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT);
  }
  return std::nullopt;
}

void WinFileStore::removeStaleTemporaries(const std::string& path, std::chrono::seconds minimumAge) noexcept {
  try {
    Target target;
    if (Split(path, target) != ERROR_SUCCESS) return;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG cut = (ULARGE_INTEGER{{now.dwLowDateTime, now.dwHighDateTime}}.QuadPart) -
                          static_cast<ULONGLONG>(minimumAge.count()) * 10'000'000ULL;  // 100 ns units
    std::vector<BYTE> user = CurrentUserSid();
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = target.prefix + L"." + target.base + L".*" + std::wstring(kTempEnd);
    const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      // The pattern matches short (8.3) names too; the long name decides.
      const ULONGLONG written =
          ULARGE_INTEGER{{found.ftLastWriteTime.dwLowDateTime, found.ftLastWriteTime.dwHighDateTime}}.QuadPart;
      // A link (reparse point) with our name is not ours to follow or remove.
      const std::wstring name = target.prefix + found.cFileName;
      if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
          IsTemporaryName(found.cFileName, target.base) && written < cut && OwnedBy(name, user))
        DeleteFileW(name.c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  } catch (...) {
    // Tidying up is best effort.
  }
}

}  // namespace dtu::platform
