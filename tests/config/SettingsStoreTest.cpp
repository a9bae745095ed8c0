// SPDX-License-Identifier: MIT
// SettingsStore on real files in a temporary folder; the text rules in detail
// are in IniTextTest.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <tuple>
#include <vector>

#include "config/SettingsStore.h"
#include "support/TestSupport.h"

namespace dtu {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
void Spit(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
std::string Fixture(const std::string& name) { return Slurp(DTU_TEST_FIXTURES "/" + name); }
mode_t Mode(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  // The folder's entries: a write must leave no temporary file behind.
  std::set<std::string> Entries(const std::string& folder) const {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
  }
  // Expects `write` to fail with the error text and leave the folder as it was.
  template <typename F>
  void ExpectWriteFails(F write, const QString& shownPath, const std::string& folder, const std::string& file) {
    const std::string before = Slurp(file);
    const std::set<std::string> entries = Entries(folder);
    EXPECT_APP_ERROR(write(), QStringLiteral("Unable to write to ") + shownPath);
    EXPECT_EQ(Slurp(file), before);
    EXPECT_EQ(Entries(folder), entries);
  }

  // QTemporaryDir cannot remove names that are not UTF-8 (the GBK folder).
  ~SettingsStoreTest() override {
    ::chmod(folder_.c_str(), 0700);
    std::filesystem::remove_all(folder_);
  }

  QTemporaryDir dir_;
  const std::string folder_ = dir_.path().toStdString();
  const std::string file_ = folder_ + "/ZEREVuzi.ini";
  const QString path_ = QString::fromStdString(file_);
};

// The text rules in detail are in IniTextTest; here, that the store applies them to the file.
TEST_F(SettingsStoreTest, ReadsByTheRules) {
  Spit(file_, Fixture("rules.ini"));
  const SettingsStore store(path_);
  const QString none = QStringLiteral("<default>");
  const std::pair<const char*, QString> texts[] = {
      {"port", "8000"}, {"Double", "quoted value"}, {"Empty", ""}, {"Late", none}, {"; Port", none}, {"Missing", none},
  };
  for (const auto& [key, value] : texts) EXPECT_EQ(store.ReadString("Main", key, none), value) << key;
  EXPECT_EQ(store.ReadString("Other", "Port", none), "1111");
  const std::pair<const char*, std::int32_t> numbers[] = {
      {"Hex0x", 8000}, {"HexDollar", 8000}, {"HexX", 8000}, {"Trailing", 6000}, {"Empty", 6000}, {"Too big", 6000},
  };
  for (const auto& [key, value] : numbers) EXPECT_EQ(store.ReadInteger("Main", key, 6000), value) << key;
  EXPECT_EQ(Slurp(file_), Fixture("rules.ini"));  // reading changes nothing
}

// Loading writes every key back unchanged: no new file, but read-only stays read-only.
TEST_F(SettingsStoreTest, RewritingTheSameValueKeepsTheFile) {
  SettingsStore store(path_);
  store.WriteInteger("Main", "Port", 7);
  struct stat before {}, after {};
  ::stat(file_.c_str(), &before);
  store.WriteInteger("Main", "Port", 7);
  ::stat(file_.c_str(), &after);
  EXPECT_EQ(after.st_ino, before.st_ino);
  ::chmod(file_.c_str(), 0444);
  ExpectWriteFails([&] { store.WriteInteger("Main", "Port", 7); }, path_, folder_, file_);
}

TEST_F(SettingsStoreTest, ReadingAMissingFileGivesDefaultsAndCreatesNothing) {
  for (const std::string& path : {file_, folder_ + "/missing/ZEREVuzi.ini", folder_, std::string()}) {
    const SettingsStore store(QString::fromStdString(path));
    EXPECT_EQ(store.ReadString("Main", "DTU number", "KQ-GP000001"), "KQ-GP000001") << path;
    EXPECT_EQ(store.ReadInteger("Main", "Port", 6000), 6000) << path;
  }
  EXPECT_EQ(Entries(folder_), std::set<std::string>{});
}

// Byte-for-byte content after a sequence of writes on a fixture (or none);
// the edits themselves are tabled in IniTextTest.
TEST_F(SettingsStoreTest, WritesEditInPlaceAndKeepEveryOtherByte) {
  const struct {
    std::string fixture;
    std::vector<std::pair<const char*, QString>> writes;
    std::string after;
  } cases[] = {
      {"",  // first start
       {{"Port", "6000"}, {"Static IP", "192.0.2.15"}, {"DTU number", "KQ-GP000001"}},
       "[Main]\r\nPort=6000\r\nStatic IP=192.0.2.15\r\nDTU number=KQ-GP000001\r\n"},
      {"bom_no_final_newline.ini",
       {{"Port", "7001"}, {"Static IP", "192.0.2.9"}},
       "\xEF\xBB\xBF[Main]\r\nPort=7001\r\nDTU number=KQ-GP000009\r\nStatic IP=192.0.2.9\r\n"},
      {"",  // a value can never add lines or keys
       {{"k", "a\r\n[Evil]\nPort=1\r"}},
       "[Main]\r\nk=a  [Evil] Port=1 \r\n"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(file_);
    if (!c.fixture.empty()) Spit(file_, Fixture(c.fixture));
    SettingsStore store(path_);
    for (const auto& [key, value] : c.writes) store.WriteString("Main", key, value);
    EXPECT_EQ(Slurp(file_), c.after) << c.fixture;
    EXPECT_EQ(Entries(folder_), std::set<std::string>{"ZEREVuzi.ini"}) << c.fixture;
    EXPECT_EQ(store.ReadString("Evil", "Port", "<none>"), "<none>");
  }
}

TEST_F(SettingsStoreTest, NoCacheAndLongValues) {
  SettingsStore store(path_);
  store.WriteString("Main", "DTU number", "A");
  Spit(file_, "[Main]\r\nDTU number=B\r\n; added by hand\r\n");
  EXPECT_EQ(store.ReadString("Main", "DTU number", ""), "B");
  const std::string longValue(3000, 'v');
  store.WriteString("Main", "Long", QString::fromStdString(longValue));
  EXPECT_EQ(Slurp(file_), "[Main]\r\nDTU number=B\r\nLong=" + longValue + "\r\n; added by hand\r\n");
  EXPECT_EQ(store.ReadString("Main", "Long", ""), QString::fromStdString(longValue.substr(0, 2047)));
}

TEST_F(SettingsStoreTest, KeepsPermissionBitsAndGivesNewFilesTheUmaskMode) {
  SettingsStore store(path_);
  store.WriteInteger("Main", "Port", 1);
  const mode_t mask = ::umask(022);
  ::umask(mask);
  EXPECT_EQ(Mode(file_), 0666 & ~mask);
  ::chmod(file_.c_str(), 0604);
  store.WriteInteger("Main", "Port", 2);
  EXPECT_EQ(Mode(file_), 0604u);
}

// The path makes a round trip through the charset and reaches the disk in
// UTF-8: "é" survives CP1252 and "测" GB18030; CP1252 turns "测试" into "??",
// another (missing) place. The folder names on disk are UTF-8.
TEST_F(SettingsStoreTest, PathGoesThroughTheCharset) {
  const struct {
    const char* folder;
    const char* charset;
    bool reaches;
  } cases[] = {{"dir_café", "CP1252", true},
               {"dir_测试", "GB18030", true},
               {"dir_测试", "GBK", true},
               {"dir_测试", "CP1252", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.folder) + " " + c.charset);
    const std::string folder = folder_ + "/" + c.folder;
    std::filesystem::create_directory(folder);
    Spit(folder + "/ZEREVuzi.ini", "[Main]\r\nPort=7000\r\n");
    const QString path = QString::fromStdString(folder + "/ZEREVuzi.ini");
    SettingsStore store(path, AnsiCodec(c.charset));
    EXPECT_EQ(store.ReadInteger("Main", "Port", 6000), c.reaches ? 7000 : 6000);
    if (c.reaches) {
      EXPECT_EQ(store.nativePath(), folder + "/ZEREVuzi.ini");
      store.WriteInteger("Main", "Port", 7001);
      EXPECT_EQ(Slurp(folder + "/ZEREVuzi.ini"), "[Main]\r\nPort=7001\r\n");
    } else {
      EXPECT_EQ(store.nativePath(), folder_ +
                                        "/dir_?"
                                        "?/ZEREVuzi.ini");
      ExpectWriteFails([&] { store.WriteInteger("Main", "Port", 1); },
                       dir_.path() + QStringLiteral("/dir_?"
                                                    "?/ZEREVuzi.ini"),
                       folder, folder + "/ZEREVuzi.ini");
      EXPECT_EQ(store.lastErrno(), ENOENT);
    }
  }
}

// Root passes every permission check; a file or folder without any write bit
// is read-only anyway, as the original platform's attribute made it.
TEST_F(SettingsStoreTest, ReadOnlyFileOrFolderFailsTheWrite) {
  const struct {
    bool fileExists;
    mode_t fileMode, folderMode;
  } cases[] = {{true, 0444, 0755}, {true, 0, 0755}, {true, 0644, 0555}, {false, 0, 0555}};
  for (const auto& c : cases) {
    std::filesystem::remove(file_);
    if (c.fileExists) {
      Spit(file_, "[Main]\r\nPort=7000\r\n");
      ::chmod(file_.c_str(), c.fileMode);
    }
    ::chmod(folder_.c_str(), c.folderMode);
    SettingsStore store(path_);
    ExpectWriteFails([&] { store.WriteInteger("Main", "Port", 1); }, path_, folder_, file_);
    const bool readable = c.fileExists && ((c.fileMode & 0444) != 0 || ::geteuid() == 0);
    EXPECT_EQ(store.ReadInteger("Main", "Port", 6000), readable ? 7000 : 6000);
    ::chmod(folder_.c_str(), 0700);
  }
}

// Injects one failing call on the temporary file (or the folder); everything
// else goes to the system.
class FailingFileSystem : public FileSystem {
 public:
  FailingFileSystem(std::string call, int error) : call_(std::move(call)), error_(error) {}

  int open(const char* path, int flags, mode_t mode) override {
    const int fd = FileSystem::open(path, flags, mode);
    if (flags & O_DIRECTORY) folderFd_ = fd;
    return fd;
  }
  int openTempFile(const char* folder, mode_t mode) override {
    return tempFd_ = Fail("temp file") ? -1 : FileSystem::openTempFile(folder, mode);
  }
  int linkTempFile(int fd, const char* path) override { return Fail("link") ? -1 : FileSystem::linkTempFile(fd, path); }
  ssize_t write(int fd, const void* b, std::size_t n) override {
    if (call_ == "partial write" && fd == tempFd_ && !wrote_) return wrote_ = true, FileSystem::write(fd, b, n / 2);
    return Fail("write", fd) || Fail("partial write", fd) ? -1 : FileSystem::write(fd, b, n);
  }
  int fsync(int fd) override { return Fail("fsync", fd) || Fail("folder fsync", fd) ? -1 : FileSystem::fsync(fd); }
  int rename(const char* a, const char* b) override { return Fail("rename") ? -1 : FileSystem::rename(a, b); }

 private:
  bool Fail(std::string_view call, int fd = -2) {
    const int target = call == "folder fsync" ? folderFd_ : tempFd_;
    if (call != call_ || (fd != -2 && fd != target)) return false;
    errno = error_;
    return true;
  }
  std::string call_;
  int error_;
  int tempFd_ = -1, folderFd_ = -1;
  bool wrote_ = false;
};

TEST_F(SettingsStoreTest, AFailingCallLeavesTheOldFileAndNoTemporaryFile) {
  const std::pair<const char*, int> cases[] = {
      {"temp file", EMFILE}, {"write", ENOSPC}, {"partial write", ENOSPC},
      {"fsync", EIO},        {"link", ENOSPC},  {"rename", EXDEV},
  };
  for (const auto& [call, error] : cases) {
    SCOPED_TRACE(call);
    Spit(file_, Fixture("nine_keys_crlf.ini"));
    FailingFileSystem fs(call, error);
    SettingsStore store(path_, Ansi(), fs);
    ExpectWriteFails([&] { store.WriteString("Main", "DTU number", "KQ-GP000002"); }, path_, folder_, file_);
    EXPECT_EQ(store.lastErrno(), error);
  }
}

// After the rename the new file is in place; a folder that cannot be synced
// is reported, except where the file system does not sync folders (EINVAL).
TEST_F(SettingsStoreTest, AFailingFolderSyncIsReportedUnlessUnsupported) {
  for (const int error : {EIO, EINVAL}) {
    Spit(file_, "[Main]\r\nPort=1\r\n");
    FailingFileSystem fs("folder fsync", error);
    SettingsStore store(path_, Ansi(), fs);
    if (error == EINVAL) {
      EXPECT_NO_THROW(store.WriteInteger("Main", "Port", 2));
    } else {
      EXPECT_THROW(store.WriteInteger("Main", "Port", 2), AppError);
    }
    EXPECT_EQ(Slurp(file_), "[Main]\r\nPort=2\r\n");
    EXPECT_EQ(Entries(folder_), std::set<std::string>{"ZEREVuzi.ini"});
  }
}

TEST_F(SettingsStoreTest, LinksAreWrittenThrough) {
  std::filesystem::create_directory(folder_ + "/real");
  for (const char* name : {"/real/a.ini", "/real/b.ini"}) Spit(folder_ + name, "[Main]\r\nPort=1\r\n");
  const struct {
    std::vector<std::pair<std::string, std::string>> links;  // name, target
    const char* written;                                     // null: fails (a loop)
  } cases[] = {{{{"ZEREVuzi.ini", "real/a.ini"}}, "real/a.ini"},
               {{{"ZEREVuzi.ini", "hop.ini"}, {"hop.ini", folder_ + "/real/b.ini"}}, "real/b.ini"},
               {{{"ZEREVuzi.ini", "real/new.ini"}}, "real/new.ini"},
               {{{"ZEREVuzi.ini", "hop.ini"}, {"hop.ini", "ZEREVuzi.ini"}}, nullptr}};
  for (const auto& c : cases) {
    for (const auto& [name, target] : c.links) {
      std::filesystem::remove(folder_ + "/" + name);
      std::filesystem::create_symlink(target, folder_ + "/" + name);
    }
    SettingsStore store(path_);
    if (!c.written) {
      EXPECT_THROW(store.WriteInteger("Main", "Port", 2), AppError);
      EXPECT_EQ(store.lastErrno(), ELOOP);
      continue;
    }
    store.WriteInteger("Main", "Port", 2);
    EXPECT_EQ(Slurp(folder_ + "/" + c.written), "[Main]\r\nPort=2\r\n") << c.written;
    for (const auto& [name, target] : c.links) EXPECT_EQ(std::filesystem::read_symlink(folder_ + "/" + name), target);
  }
  EXPECT_EQ(Entries(folder_ + "/real"), (std::set<std::string>{"a.ini", "b.ini", "new.ini"}));
}

// No temporary file for a reason of permission: the file is rewritten in
// place; without O_TMPFILE a named one does the work; anything else fails.
// Mode and (for root) owner stay either way.
TEST_F(SettingsStoreTest, WithoutAnUnnamedTemporaryFile) {
  const struct {
    int error;
    bool exists, inPlace, fails;
  } cases[] = {{EACCES, true, true, false},
               {EPERM, true, true, false},
               {EOPNOTSUPP, true, false, false},
               {EACCES, false, false, true},
               {EMFILE, true, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    std::filesystem::remove(file_);
    if (c.exists) Spit(file_, "[Main]\r\nDTU number=KQ-GP000001-and-more\r\n");
    ::chmod(file_.c_str(), 0640);
    if (::geteuid() == 0) ::chown(file_.c_str(), 4321, 4322);
    struct stat before {
    }, after{};
    ::stat(file_.c_str(), &before);
    FailingFileSystem fs("temp file", c.error);
    SettingsStore store(path_, Ansi(), fs);
    if (c.fails) {
      ExpectWriteFails([&] { store.WriteString("Main", "DTU number", "B"); }, path_, folder_, file_);
      EXPECT_EQ(store.lastErrno(), c.error);
      continue;
    }
    store.WriteString("Main", "DTU number", "B");
    ::stat(file_.c_str(), &after);
    EXPECT_EQ(Slurp(file_), "[Main]\r\nDTU number=B\r\n");
    EXPECT_EQ(after.st_ino == before.st_ino, c.inPlace);
    EXPECT_EQ(std::tuple(after.st_mode, after.st_uid, after.st_gid),
              std::tuple(before.st_mode, before.st_uid, before.st_gid));
    EXPECT_EQ(Entries(folder_), std::set<std::string>{"ZEREVuzi.ini"});
  }
}

// Only our own temporary names, regular files older than a minute.
TEST_F(SettingsStoreTest, StaleTemporaryFilesAreRemoved) {
  const std::pair<const char*, bool> cases[] = {{".ZEREVuzi.ini.Ab3xYz", true},  {".ZEREVuzi.ini.Ab3xY", false},
                                                {".ZEREVuzi.ini.Ab3x-z", false}, {".other.ini.Ab3xYz", false},
                                                {"ZEREVuzi.ini.Ab3xYz", false},  {".ZEREVuzi.ini.LinkYz", false}};
  const timespec old[2] = {{std::time(nullptr) - 120, 0}, {std::time(nullptr) - 120, 0}};
  for (const auto& [name, removed] : cases) {
    const std::string path = folder_ + "/" + name;
    std::string_view(name).ends_with("LinkYz") ? std::filesystem::create_symlink(file_, path) : Spit(path, "x");
    ::utimensat(AT_FDCWD, path.c_str(), old, AT_SYMLINK_NOFOLLOW);
  }
  Spit(folder_ + "/.ZEREVuzi.ini.Young1", "x");  // may be a write in progress
  SettingsStore(path_).RemoveStaleTemporaryFiles();
  for (const auto& [name, removed] : cases)
    EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(folder_ + "/" + name)), !removed) << name;
  EXPECT_TRUE(std::filesystem::exists(folder_ + "/.ZEREVuzi.ini.Young1"));
}

}  // namespace
}  // namespace dtu
