// SPDX-License-Identifier: MIT
// The POSIX file store on real files in a temporary folder, with single
// system calls made to fail.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>
#include <thread>
#include <tuple>

#include "core/config/AtomicFile.h"
#include "core/config/SettingsStore.h"
#include "platform/posix/PosixFileStore.h"
#include "support/TestSupport.h"

namespace dtu::platform {
namespace {

std::string Slurp(const std::string& path) { return testing::ReadBytes(QString::fromStdString(path)).toStdString(); }
void Spit(const std::string& path, const QByteArray& bytes) {
  testing::WriteBytes(QString::fromStdString(path), bytes);
}
std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}
struct stat Stat(const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info;
}

// Injects one failing call on the temporary file (or the folder); everything
// else goes to the system.
class FailingSysCalls : public SysCalls {
 public:
  FailingSysCalls(std::string call, int error) : call_(std::move(call)), error_(error) {}

  int open(const char* path, int flags, mode_t mode) override {
    const int fd = SysCalls::open(path, flags, mode);
    return flags & O_DIRECTORY ? folderFd_ = fd : fd;
  }
  int openTempFile(const char* folder, mode_t mode) override {
    return tempFd_ = fail("temp file") ? -1 : SysCalls::openTempFile(folder, mode);
  }
  int linkTempFile(int fd, const char* path) override { return fail("link") ? -1 : SysCalls::linkTempFile(fd, path); }
  ssize_t write(int fd, const void* b, std::size_t n) override {
    if (call_ == "partial write" && fd == tempFd_ && !done_) return done_ = true, SysCalls::write(fd, b, n / 2);
    return fail("write", fd) || fail("partial write", fd) ? -1 : SysCalls::write(fd, b, n);
  }
  int fsync(int fd) override { return fail("fsync", fd) || fail("folder fsync", fd) ? -1 : SysCalls::fsync(fd); }
  int rename(const char* a, const char* b) override { return fail("rename") ? -1 : SysCalls::rename(a, b); }
  int effectiveAccess(const char* p, int m) override { return fail("access") ? -1 : SysCalls::effectiveAccess(p, m); }

 private:
  // Calls on a descriptor fail on the temporary file only, a folder fsync on the folder.
  bool fail(std::string_view call, int fd = -2) {
    if (call != call_ || (fd != -2 && fd != (call == "folder fsync" ? folderFd_ : tempFd_))) return false;
    errno = error_;
    return true;
  }
  std::string call_;
  int error_;
  int tempFd_ = -1, folderFd_ = -1;
  bool done_ = false;
};

class FileStoreTest : public ::testing::Test {
 protected:
  // A folder left without write permission would not be removed.
  ~FileStoreTest() override { ::chmod(folder_.c_str(), 0700); }

  QTemporaryDir dir_;
  const std::string folder_ = dir_.path().toStdString();
  const std::string file_ = folder_ + "/ZEREVuzi.ini";
  PosixFileStore store_;
};

// A regular file is read whole; nothing there (or a dangling link) is
// missing; anything else is a failure with the system's cause, a FIFO at once.
TEST_F(FileStoreTest, ReadsRegularFilesWhole) {
  using enum FileRead::Status;
  const std::string bytes = "[Main]\r\n" + std::string(70000, 'v');
  Spit(file_, QByteArray::fromStdString(bytes));
  std::filesystem::create_symlink("nowhere.ini", folder_ + "/dangling.ini");
  ASSERT_EQ(::mkfifo((folder_ + "/fifo.ini").c_str(), 0600), 0);
  // clang-format off
  const struct { std::string path; FileRead::Status status; int code; } cases[] = {
      {file_, Ok, 0}, {folder_ + "/missing/ZEREVuzi.ini", Missing, 0}, {folder_ + "/dangling.ini", Missing, 0},
      {folder_, Failed, EISDIR}, {file_ + "/x", Failed, ENOTDIR}, {folder_ + "/fifo.ini", Failed, kNotRegularFile}};
  // clang-format on
  for (const auto& c : cases) {
    const FileRead read = store_.readFile(c.path);
    EXPECT_EQ(std::tuple(read.status, read.bytes, read.failure.code, read.failure.cause),
              std::tuple(c.status, c.status == Ok ? bytes : "", c.code,
                         c.code == kNotRegularFile ? "It is not a regular file."
                         : c.code                  ? std::strerror(c.code)
                                                   : ""))
        << c.path;
  }
}

// One replace per injected failure (or read-only file or folder: root passes
// every permission check, but no write bit at all is read-only anyway, as the
// read-only attribute makes it on Windows). A failing call leaves the old file
// and no temporary file; after the rename a folder that cannot be synced is
// reported, unless the file system does not sync folders (EINVAL). No
// temporary file for a reason of permission: the file is rewritten in place;
// without O_TMPFILE a named one does the work. Mode and (for root) owner stay;
// a new file gets the umask's mode. The check alone fails where the
// permissions make the replace fail, or where the system says this user may
// write neither the file nor the folder (root passes, so that is injected),
// and writes nothing.
TEST_F(FileStoreTest, ReplacesUnderInjectedFailures) {
  enum Outcome { kFails, kWritten, kInPlace, kWrittenButFails };
  // clang-format off
  const struct { const char* call; int error; bool exists; Outcome outcome; mode_t fileMode = 0604, folderMode = 0700; } cases[] = {
      {"", 0, true, kWritten}, {"", 0, false, kWritten}, {"", EACCES, true, kFails, 0444},
      {"", EACCES, true, kFails, 0644, 0555}, {"", EACCES, false, kFails, 0644, 0555},
      {"temp file", EMFILE, true, kFails}, {"write", ENOSPC, true, kFails}, {"partial write", ENOSPC, true, kFails},
      {"fsync", EIO, true, kFails}, {"link", ENOSPC, true, kFails}, {"rename", EXDEV, true, kFails},
      {"folder fsync", EIO, true, kWrittenButFails}, {"folder fsync", EINVAL, true, kWritten},
      {"temp file", EACCES, true, kInPlace}, {"temp file", EPERM, true, kInPlace},
      {"temp file", EOPNOTSUPP, true, kWritten}, {"temp file", EACCES, false, kFails}, {"access", EACCES, true, kWritten}};
  // clang-format on
  const mode_t mask = ::umask(022);
  ::umask(mask);
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ::chmod(folder_.c_str(), 0700);
    std::filesystem::remove(file_);
    if (c.exists) Spit(file_, "[Main]\r\nDTU number=KQ-GP000001-and-more\r\n");
    ::chmod(file_.c_str(), c.fileMode);
    ::chmod(folder_.c_str(), c.folderMode);
    if (::geteuid() == 0) ::chown(file_.c_str(), 4321, 4322);
    const std::string old = Slurp(file_);
    struct stat before = Stat(file_);
    FailingSysCalls calls(c.call, c.error);
    PosixFileStore store(calls);

    const std::optional<FileFailure> checked = store.checkWritable(file_);
    EXPECT_EQ(checked ? checked->code : 0, *c.call == '\0' || c.call == std::string_view("access") ? c.error : 0);
    EXPECT_EQ(std::tuple(Slurp(file_), Stat(file_).st_ino), std::tuple(old, before.st_ino));

    const std::optional<FileFailure> failure = store.replaceFile(file_, "[Main]\r\nDTU number=B\r\n");
    const bool fails = c.outcome == kFails || c.outcome == kWrittenButFails;
    EXPECT_EQ(failure ? failure->code : 0, fails ? c.error : 0);
    EXPECT_EQ(failure ? failure->cause : "", failure ? std::strerror(failure->code) : "");
    EXPECT_EQ(Slurp(file_), c.outcome == kFails ? old : "[Main]\r\nDTU number=B\r\n");
    EXPECT_EQ(Entries(folder_),
              c.exists || c.outcome != kFails ? std::set<std::string>{"ZEREVuzi.ini"} : std::set<std::string>{});
    if (c.outcome == kFails) continue;
    const struct stat after = Stat(file_);
    EXPECT_EQ(after.st_ino == before.st_ino, c.outcome == kInPlace);
    if (!c.exists) before.st_mode = S_IFREG | (0666 & ~mask), before.st_uid = ::geteuid(), before.st_gid = ::getegid();
    EXPECT_EQ(std::tuple(after.st_mode, after.st_uid, after.st_gid),
              std::tuple(before.st_mode, before.st_uid, before.st_gid));
  }
}

// A link is read and written through and stays a link, over two hops
// (relative and absolute), to a new target file and then an existing one; a
// loop fails the replace and the check.
TEST_F(FileStoreTest, LinksAreWrittenThrough) {
  const std::string target = folder_ + "/real/a.ini", hop = folder_ + "/hop.ini";
  std::filesystem::create_directory(folder_ + "/real");
  std::filesystem::create_symlink("hop.ini", file_);
  std::filesystem::create_symlink(target, hop);
  for (const std::string port : {"2", "3"}) {
    const std::string bytes = "[Main]\r\nPort=" + port + "\r\n";
    EXPECT_FALSE(store_.replaceFile(file_, bytes));
    EXPECT_EQ(Slurp(target), bytes);
    EXPECT_EQ(store_.readFile(file_).bytes, bytes);
  }
  EXPECT_EQ(std::filesystem::read_symlink(file_), "hop.ini");
  EXPECT_EQ(std::filesystem::read_symlink(hop), target);
  EXPECT_EQ(Entries(folder_ + "/real"), std::set<std::string>{"a.ini"});
  std::filesystem::remove(hop);
  std::filesystem::create_symlink("ZEREVuzi.ini", hop);
  for (const std::optional<FileFailure>& failure : {store_.replaceFile(file_, "x"), store_.checkWritable(file_)})
    EXPECT_EQ(failure ? failure->code : 0, ELOOP);
}

// One read-modify-replace of a file at a time: a second lock, through a link
// and another descriptor (as another process has), waits for its bound and
// fails, also after a replace. Two writers of different keys, each with its
// own store, lose none.
TEST_F(FileStoreTest, UpdatesAreSerialised) {
  using namespace std::chrono_literals;
  std::filesystem::create_symlink(file_, folder_ + "/link.ini");
  FileFailure failure;
  std::unique_ptr<FileLock> held = store_.lockForUpdate(file_, 100ms, failure);
  ASSERT_TRUE(held && !store_.replaceFile(file_, "[Main]\r\n"));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(PosixFileStore().lockForUpdate(folder_ + "/link.ini", 100ms, failure));
  EXPECT_EQ(failure.code, EWOULDBLOCK);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);
  held.reset();
  std::vector<std::jthread> writers;
  for (int w = 0; w < 2; ++w)
    writers.emplace_back([this, w] {
      PosixFileStore files;
      SettingsStore store(QString::fromStdString(file_), testing::TestCodec(), files);
      for (int k = w; k < 120; k += 2) store.WriteString("Main", ("k" + std::to_string(k)).c_str(), QString::number(k));
    });
  writers.clear();
  const std::string bytes = Slurp(file_);
  for (int k = 0; k < 120; ++k)
    EXPECT_NE(bytes.find("k" + std::to_string(k) + "=" + std::to_string(k) + "\r"), bytes.npos);
}

// A full disk cuts an output file's write short without a cause (here a file
// size limit does), whether the bytes go out at once or stay in Qt's buffer
// until the commit; the message names the system's cause, and nothing is left.
TEST_F(FileStoreTest, AShortOutputWriteNamesTheSystemsCause) {
  const QString cause = QString::fromLocal8Bit(std::strerror(EFBIG));
  for (const auto& [limit, size] : {std::pair{65536, 200000}, {100, 1000}}) {
    Status written = Done{};
    {
      const testing::FileSizeLimit small(limit);
      ASSERT_TRUE(small.set());
      written = WriteFileAtomically(QString::fromStdString(file_), QByteArray(size, 'x'));
    }
    ASSERT_FALSE(written.ok()) << size;
    EXPECT_EQ(std::pair(written.message(), written.failure().detail),
              std::pair("Cannot write the file: " + cause, cause));
    EXPECT_EQ(Entries(folder_), std::set<std::string>{});
  }
}

// Only what a replace provably made: the marker and six name characters, a
// regular file of this user older than the minimum age, beside the path
// itself and not beside a link's target. A hand-made name stays.
TEST_F(FileStoreTest, StaleTemporariesAreRemoved) {
  std::filesystem::create_directory(folder_ + "/real");
  std::filesystem::create_symlink("real/a.ini", folder_ + "/a.ini");
  // clang-format off
  const std::pair<const char*, bool> cases[] = {{".ZEREVuzi.ini.~dtusms-temp~Ab3xYz", true}, {".ZEREVuzi.ini.Ab3xYz", false}, {".ZEREVuzi.ini.201912", false},
      {".ZEREVuzi.ini.~dtusms-temp~Ab3xY", false}, {".ZEREVuzi.ini.~dtusms-temp~Ab3x-z", false}, {".other.ini.~dtusms-temp~Ab3xYz", false},
      {"ZEREVuzi.ini.~dtusms-temp~Ab3xYz", false}, {".ZEREVuzi.ini.~dtusms-temp~LinkYz", false}, {"real/.a.ini.~dtusms-temp~Ab3xYz", false},
      {".ZEREVuzi.ini.~dtusms-temp~Other1", ::geteuid() != 0}};
  // clang-format on
  const timespec old[2] = {{std::time(nullptr) - 120, 0}, {std::time(nullptr) - 120, 0}};
  for (const auto& [name, removed] : cases) {
    const std::string path = folder_ + "/" + name;
    std::string_view(name).ends_with("LinkYz") ? std::filesystem::create_symlink(file_, path) : Spit(path, "x");
    if (std::string_view(name).ends_with("Other1")) (void)!::chown(path.c_str(), 4321, 4321);  // as root: another's
    ::utimensat(AT_FDCWD, path.c_str(), old, AT_SYMLINK_NOFOLLOW);
  }
  Spit(folder_ + "/.ZEREVuzi.ini.Young1", "x");  // may be a write in progress
  store_.removeStaleTemporaries(file_, std::chrono::seconds(60));
  store_.removeStaleTemporaries(folder_ + "/a.ini", std::chrono::seconds(60));
  for (const auto& [name, removed] : cases)
    EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(folder_ + "/" + name)), !removed) << name;
  EXPECT_TRUE(std::filesystem::exists(folder_ + "/.ZEREVuzi.ini.Young1"));
}

}  // namespace
}  // namespace dtu::platform
