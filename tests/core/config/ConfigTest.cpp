// SPDX-License-Identifier: MIT
// The INI text rules and the 8-bit charset on bytes in memory, then the
// settings store on real files in a temporary folder.
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

#include "core/config/AnsiCodec.h"
#include "core/config/IniText.h"
#include "core/config/SettingsStore.h"
#include "support/FakeCodePage.h"
#include "support/TestSupport.h"

namespace dtu {
namespace {

using namespace dtu::ini;

TEST(IniText, ParseInteger) {
  // clang-format off
  const struct { std::string_view text; std::optional<std::int32_t> value; } cases[] = {
      {"  8000", 8000}, {"\t+8000", 8000}, {"-8000", -8000}, {"0x1F40", 8000}, {"0X1f40", 8000}, {"$1F40", 8000},
      {"x1F40", 8000}, {"X1F40", 8000}, {"-$10", -16}, {"+0x10", 16}, {"007", 7}, {"0", 0},
      {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}, {"0x7FFFFFFF", INT32_MAX}, {"-0x80000000", INT32_MIN},
      {"", {}}, {"   ", {}}, {"+", {}}, {"0x", {}}, {"$", {}}, {"x", {}}, {"8000abc", {}}, {"8000 ", {}},
      {"80 00", {}}, {"--5", {}}, {"+-5", {}}, {"- 5", {}}, {"0x-5", {}}, {"1F40", {}}, {"$G", {}}, {"00x10", {}},
      {"2147483648", {}}, {"-2147483649", {}}, {"0x80000000", {}}, {"99999999999999999999", {}},
      {std::string_view("1\0", 2), {}},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(ParseInteger(c.text), c.value) << '"' << c.text << '"';
}

TEST(IniText, CleanValue) {
  // clang-format off
  const struct { std::string_view raw, clean; } cases[] = {
      {"  a b \t\r", "a b"}, {"\"x\"", "x"}, {"'x'", "x"}, {"\" x \"", " x "}, {"\"x'", "\"x'"}, {"\"", "\""},
      {"\"\"", ""}, {"'\"x\"'", "\"x\""}, {"a\"b\"", "a\"b\""},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(CleanValue(c.raw), c.clean) << c.raw;
  const std::string longValue(3000, 'v');
  EXPECT_EQ(CleanValue(longValue).size(), kMaxValueBytes);
  EXPECT_EQ(CleanValue("\"" + longValue + "\"").size(), kMaxValueBytes);
}

TEST(IniText, FindValue) {
  // clang-format off
  const std::string_view file =
      "\xEF\xBB\xBF[Main]\nk=1\n[a]\r\n;k=4\r\nk = \"2\" \r\nK=3\n[ A ]\nk=5\nlate=5\n[b]\nx\n[ c ] trailing\nk=6\n[d]\nk";
  const struct { std::string_view section, key; std::optional<std::string_view> value; } cases[] = {
      {"Main", "k", "1"}, {"A", "K", "2"}, {" a ", " k ", "2"}, {"b", "x", {}}, {"c", "k", "6"}, {"d", "k", {}},
      {"e", "k", {}}, {"a", "y", {}}, {"a", ";k", {}}, {"a", "late", {}},  // a later [a] is not read
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(FindValue(file, c.section, c.key), c.value) << c.section << '/' << c.key;
  EXPECT_EQ(FindValue("k=1\n", "", "k"), std::nullopt);  // no header, no section
}

TEST(IniText, ReplaceValue) {
  // clang-format off
  const struct { std::string_view before, section, key, value, after; } cases[] = {
      {"", "Main", "Port", "6000", "[Main]\r\nPort=6000\r\n"},
      {"\xEF\xBB\xBF", "Main", "k", "v", "\xEF\xBB\xBF[Main]\r\nk=v\r\n"},
      {"[Main]", "Main", "k", "v", "[Main]\r\nk=v\r\n"},
      {"[Main]\npORt=7000", "main", "Port", "2", "[Main]\npORt=2"},  // the file's spelling stays
      {"[Main]\n  k = 1 \r\nj=0\n", "Main", "k", "2", "[Main]\nk=2\r\nj=0\n"},
      {"[Main]\nk=1\n;c\n\n[X]\nz=0\n", "Main", "n", "2", "[Main]\nk=1\nn=2\r\n;c\n\n[X]\nz=0\n"},
      {"[Main]\n;c\nno key\n", "Main", "n", "2", "[Main]\nn=2\r\n;c\nno key\n"},
      {"[X]\nz=0", "Main", "k", "v", "[X]\nz=0\r\n[Main]\r\nk=v\r\n"},
      {"[X]\r\nk=0\r\n", "Main", "k", "v", "[X]\r\nk=0\r\n[Main]\r\nk=v\r\n"},
      {"[Main]\nk=1\n[Main]\nk=2\n", "Main", "k", "3", "[Main]\nk=3\n[Main]\nk=2\n"},
      {"[Main]\nk=1\n", "Main", "k", "a\r\nb=c\nd", "[Main]\nk=a  b=c d\n"},
      {"[Main]\nk=1\n", "Ma\nin", "k", "v", "[Main]\nk=1\n[Ma in]\r\nk=v\r\n"},
  };
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceValue(c.before, c.section, c.key, c.value), c.after) << c.before;
    EXPECT_EQ(FindValue(c.after, c.section, c.key), CleanValue(OneLine(c.value))) << c.after;
  }
}

// UTF-8 is converted in the codec; other charsets go through the code page
// (here a Latin-1 one); an unknown charset falls back to UTF-8. What the
// charset cannot hold, a lone surrogate and invalid bytes become "?".
TEST(AnsiCodec, RoundTripsAndReplacesWhatTheCharsetCannotHold) {
  // clang-format off
  const struct { const char* charset; QString text; std::string bytes; QString back; } cases[] = {
      {"UTF-8", QString(QChar(0xD800)) + "a", "?a", QStringLiteral("?a")},
      {"utf8", QStringLiteral("\u4e2d\U0001F600"), "\xe4\xb8\xad\xf0\x9f\x98\x80", QStringLiteral("\u4e2d\U0001F600")},
      {"ISO-8859-1", QStringLiteral("\u00e9\u4e2d"), "\xe9?", QStringLiteral("\u00e9?")},
      {"NO-SUCH-CHARSET-42", QStringLiteral("\u4e2d"), "\xe4\xb8\xad", QStringLiteral("\u4e2d")},
  };
  // clang-format on
  for (const auto& c : cases) {
    const AnsiCodec codec = testing::TestCodec(c.charset);
    EXPECT_EQ(codec.fromUnicode(c.text), c.bytes) << c.charset;
    EXPECT_EQ(codec.toUnicode(codec.fromUnicode(c.text)), c.back) << c.charset;
  }
  EXPECT_EQ(testing::TestCodec().toUnicode("a\377b"), QStringLiteral("a?b"));
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
void Spit(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
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

class SettingsStoreTest : public ::testing::Test {
 protected:
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

// A missing file, folder or empty path gives the defaults and creates nothing.
// Otherwise the text rules (tabled above) apply to the file as it is.
TEST_F(SettingsStoreTest, ReadsTheFileOrGivesTheDefaults) {
  for (const std::string& path : {file_, folder_ + "/missing/ZEREVuzi.ini", folder_, std::string()})
    EXPECT_EQ(SettingsStore(QString::fromStdString(path), testing::TestCodec()).ReadInteger("Main", "Port", 6000), 6000)
        << path;
  EXPECT_EQ(Entries(folder_), std::set<std::string>{});
  const std::string bytes =
      "[Other]\r\nPort=1111\r\n[Main]\r\nport = \"quoted value\" \r\nHex=$1F40\r\nBad=8000abc\r\nEmpty=\r\n";
  Spit(file_, bytes);
  const SettingsStore store(path_, testing::TestCodec());
  const QString none = QStringLiteral("<default>");
  const std::pair<const char*, QString> texts[] = {{"Port", "quoted value"}, {"Empty", ""}, {"None", none}};
  for (const auto& [key, value] : texts) EXPECT_EQ(store.ReadString("Main", key, none), value) << key;
  EXPECT_EQ(store.ReadString("Other", "Port", none), "1111");
  const std::pair<const char*, std::int32_t> numbers[] = {{"Hex", 8000}, {"Bad", 6000}, {"Empty", 6000}};
  for (const auto& [key, value] : numbers) EXPECT_EQ(store.ReadInteger("Main", key, 6000), value) << key;
  EXPECT_EQ(Slurp(file_), bytes);  // reading changes nothing
}

// Loading writes every key back unchanged: no new file, but read-only stays read-only.
TEST_F(SettingsStoreTest, RewritingTheSameValueKeepsTheFile) {
  SettingsStore store(path_, testing::TestCodec());
  store.WriteInteger("Main", "Port", 7);
  const ino_t before = Stat(file_).st_ino;
  store.WriteInteger("Main", "Port", 7);
  EXPECT_EQ(Stat(file_).st_ino, before);
  ::chmod(file_.c_str(), 0444);
  EXPECT_APP_ERROR(store.WriteInteger("Main", "Port", 7), "Unable to write to " + path_);
}

// Each read and write goes to the file as it is now; a write keeps every other
// byte (mark, comment, missing final line end) and the whole value, which
// reads back cut.
TEST_F(SettingsStoreTest, NoCacheAndEveryOtherByteKept) {
  SettingsStore store(path_, testing::TestCodec());
  store.WriteString("Main", "DTU number", "A");
  Spit(file_, "\xEF\xBB\xBF[Main]\r\nDTU number=B\r\n; added by hand");
  EXPECT_EQ(store.ReadString("Main", "DTU number", ""), "B");
  const std::string longValue(3000, 'v');
  store.WriteString("Main", "Long", QString::fromStdString(longValue));
  EXPECT_EQ(Slurp(file_), "\xEF\xBB\xBF[Main]\r\nDTU number=B\r\nLong=" + longValue + "\r\n; added by hand");
  EXPECT_EQ(store.ReadString("Main", "Long", ""), QString::fromStdString(longValue.substr(0, 2047)));
}

// The path makes a round trip through the charset and reaches the disk in
// UTF-8: "é" survives Latin-1 and "测" UTF-8; Latin-1 turns "测试" into "??",
// another (missing) place. The folder names on disk are UTF-8.
TEST_F(SettingsStoreTest, PathGoesThroughTheCharset) {
  const std::tuple<std::string, const char*, std::string> cases[] = {
      {"dir_café", "ISO-8859-1", "dir_café"}, {"dir_测试", "UTF-8", "dir_测试"}, {"dir_测试", "ISO-8859-1", "dir_?\?"}};
  for (const auto& [name, charset, shownName] : cases) {
    SCOPED_TRACE(name + " " + charset);
    const bool reaches = shownName == name;
    const std::string folder = folder_ + "/" + name, file = folder + "/ZEREVuzi.ini";
    std::filesystem::create_directory(folder);
    Spit(file, "[Main]\r\nPort=7000\r\n");
    SettingsStore store(QString::fromStdString(file), testing::TestCodec(charset));
    EXPECT_EQ(store.ReadInteger("Main", "Port", 6000), reaches ? 7000 : 6000);
    const std::string native = folder_ + "/" + shownName + "/ZEREVuzi.ini";
    EXPECT_EQ(store.nativePath(), native);
    if (reaches)
      store.WriteInteger("Main", "Port", 7001);
    else
      EXPECT_APP_ERROR(store.WriteInteger("Main", "Port", 7001),
                       "Unable to write to " + QString::fromStdString(native));
    EXPECT_EQ(Slurp(file), reaches ? "[Main]\r\nPort=7001\r\n" : "[Main]\r\nPort=7000\r\n");
    EXPECT_EQ(store.lastErrno(), reaches ? 0 : ENOENT);
  }
}

// Injects one failing call on the temporary file (or the folder); everything
// else goes to the system.
class FailingFileSystem : public FileSystem {
 public:
  FailingFileSystem(std::string call, int error) : call_(std::move(call)), error_(error) {}

  int open(const char* path, int flags, mode_t mode) override {
    const int fd = FileSystem::open(path, flags, mode);
    return flags & O_DIRECTORY ? folderFd_ = fd : fd;
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
  // Calls on a descriptor fail on the temporary file only, a folder fsync on the folder.
  bool Fail(std::string_view call, int fd = -2) {
    if (call != call_ || (fd != -2 && fd != (call == "folder fsync" ? folderFd_ : tempFd_))) return false;
    errno = error_;
    return true;
  }
  std::string call_;
  int error_;
  int tempFd_ = -1, folderFd_ = -1;
  bool wrote_ = false;
};

// One write per injected failure (or read-only file or folder: root passes
// every permission check, but no write bit at all is read-only anyway, as the
// original platform's attribute made it). A failing call leaves the old file
// and no temporary file; after the rename a folder that cannot be synced is
// reported, unless the file system does not sync folders (EINVAL). No
// temporary file for a reason of permission: the file is rewritten in place;
// without O_TMPFILE a named one does the work. Mode and (for root) owner stay;
// a new file gets the umask's mode.
TEST_F(SettingsStoreTest, WritesUnderInjectedFailures) {
  enum Outcome { kFails, kWritten, kInPlace, kWrittenButFails };
  // clang-format off
  const struct { const char* call; int error; bool exists; Outcome outcome; mode_t fileMode = 0604, folderMode = 0700; } cases[] = {
      {"", 0, true, kWritten},
      {"", 0, false, kWritten},
      {"", EACCES, true, kFails, 0444},
      {"", EACCES, true, kFails, 0644, 0555},
      {"temp file", EMFILE, true, kFails},
      {"write", ENOSPC, true, kFails},
      {"partial write", ENOSPC, true, kFails},
      {"fsync", EIO, true, kFails},
      {"link", ENOSPC, true, kFails},
      {"rename", EXDEV, true, kFails},
      {"folder fsync", EIO, true, kWrittenButFails},
      {"folder fsync", EINVAL, true, kWritten},
      {"temp file", EACCES, true, kInPlace},
      {"temp file", EPERM, true, kInPlace},
      {"temp file", EOPNOTSUPP, true, kWritten},
      {"temp file", EACCES, false, kFails}};
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
    FailingFileSystem fs(c.call, c.error);
    SettingsStore store(path_, testing::TestCodec(), fs);
    if (c.outcome == kFails || c.outcome == kWrittenButFails) {
      EXPECT_APP_ERROR(store.WriteString("Main", "DTU number", "B"), "Unable to write to " + path_);
      EXPECT_EQ(store.lastErrno(), c.error);
    } else {
      store.WriteString("Main", "DTU number", "B");
    }
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

// A link is written through and stays a link, over two hops (relative and
// absolute), to a new target file and then an existing one; a loop fails.
TEST_F(SettingsStoreTest, LinksAreWrittenThrough) {
  const std::string target = folder_ + "/real/a.ini", hop = folder_ + "/hop.ini";
  std::filesystem::create_directory(folder_ + "/real");
  std::filesystem::create_symlink("hop.ini", file_);
  std::filesystem::create_symlink(target, hop);
  SettingsStore store(path_, testing::TestCodec());
  for (const int port : {2, 3}) {
    store.WriteInteger("Main", "Port", port);
    EXPECT_EQ(Slurp(target), "[Main]\r\nPort=" + std::to_string(port) + "\r\n");
  }
  EXPECT_EQ(std::filesystem::read_symlink(file_), "hop.ini");
  EXPECT_EQ(std::filesystem::read_symlink(hop), target);
  EXPECT_EQ(Entries(folder_ + "/real"), std::set<std::string>{"a.ini"});
  std::filesystem::remove(hop);
  std::filesystem::create_symlink("ZEREVuzi.ini", hop);
  EXPECT_THROW(store.WriteInteger("Main", "Port", 4), AppError);
  EXPECT_EQ(store.lastErrno(), ELOOP);
}
// Only our own temporary names, regular files older than a minute.
TEST_F(SettingsStoreTest, StaleTemporaryFilesAreRemoved) {
  // clang-format off
  const std::pair<const char*, bool> cases[] = {{".ZEREVuzi.ini.Ab3xYz", true}, {".ZEREVuzi.ini.Ab3xY", false}, {".ZEREVuzi.ini.Ab3x-z", false},
                                                {".other.ini.Ab3xYz", false}, {"ZEREVuzi.ini.Ab3xYz", false}, {".ZEREVuzi.ini.LinkYz", false}};
  // clang-format on
  const timespec old[2] = {{std::time(nullptr) - 120, 0}, {std::time(nullptr) - 120, 0}};
  for (const auto& [name, removed] : cases) {
    const std::string path = folder_ + "/" + name;
    std::string_view(name).ends_with("LinkYz") ? std::filesystem::create_symlink(file_, path) : Spit(path, "x");
    ::utimensat(AT_FDCWD, path.c_str(), old, AT_SYMLINK_NOFOLLOW);
  }
  Spit(folder_ + "/.ZEREVuzi.ini.Young1", "x");  // may be a write in progress
  SettingsStore(path_, testing::TestCodec()).RemoveStaleTemporaryFiles();
  for (const auto& [name, removed] : cases)
    EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(folder_ + "/" + name)), !removed) << name;
  EXPECT_TRUE(std::filesystem::exists(folder_ + "/.ZEREVuzi.ini.Young1"));
}

}  // namespace
}  // namespace dtu
