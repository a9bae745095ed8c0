// SPDX-License-Identifier: MIT
// The settings file among links, folders that take no new file, other
// owners and temporary files left by a kill.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <QTemporaryDir>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "AppError.h"
#include "config/SettingsStore.h"

namespace dtu {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
void Spit(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
struct stat Stat(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st;
}
std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

// Temporary files cannot be made (neither kind) for the given reason.
struct NoTemporaryFiles : FileSystem {
  explicit NoTemporaryFiles(int error, bool namedOnly = false) : error(error), namedOnly(namedOnly) {}
  int openTempFile(const char*, mode_t) override {
    if (namedOnly) return errno = EOPNOTSUPP, -1;
    return errno = error, -1;
  }
  int mkstemp(char* templ) override { return namedOnly ? FileSystem::mkstemp(templ) : (errno = error, -1); }
  int error;
  bool namedOnly;
};

class SettingsFilesTest : public ::testing::Test {
 protected:
  QTemporaryDir dir_;
  const std::string folder_ = dir_.path().toStdString();
  const std::string file_ = folder_ + "/ZEREVuzi.ini";
  const QString path_ = QString::fromStdString(file_);
};

TEST_F(SettingsFilesTest, LinksAreWrittenThrough) {
  fs::create_directory(folder_ + "/real");
  const struct {
    std::vector<std::pair<std::string, std::string>> links;  // name, target
    std::string target;                                      // where the content lands
  } cases[] = {
      {{{"ZEREVuzi.ini", "real/a.ini"}}, "real/a.ini"},
      {{{"ZEREVuzi.ini", "hop.ini"}, {"hop.ini", folder_ + "/real/b.ini"}}, "real/b.ini"},
      {{{"ZEREVuzi.ini", "real/missing.ini"}}, "real/missing.ini"},  // dangling: created
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    for (const auto& [name, target] : c.links) {
      fs::remove(folder_ + "/" + name);
      fs::create_symlink(target, folder_ + "/" + name);
    }
    if (c.target != "real/missing.ini") Spit(folder_ + "/" + c.target, "[Main]\r\nPort=1\r\n");
    SettingsStore(path_).WriteInteger("Main", "Port", 2);
    EXPECT_EQ(Slurp(folder_ + "/" + c.target), "[Main]\r\nPort=2\r\n");
    EXPECT_TRUE(S_ISREG(Stat(folder_ + "/" + c.target).st_mode));
    for (const auto& [name, target] : c.links) EXPECT_EQ(fs::read_symlink(folder_ + "/" + name), target);
    EXPECT_EQ(SettingsStore(path_).ReadInteger("Main", "Port", 0), 2);
  }
  EXPECT_EQ(Entries(folder_ + "/real"), (std::set<std::string>{"a.ini", "b.ini", "missing.ini"}));
}

TEST_F(SettingsFilesTest, ALoopOfLinksFails) {
  fs::create_symlink("b.ini", file_);
  fs::create_symlink("ZEREVuzi.ini", folder_ + "/b.ini");
  SettingsStore store(path_);
  EXPECT_THROW(store.WriteInteger("Main", "Port", 2), AppError);
  EXPECT_EQ(store.lastErrno(), ELOOP);
  EXPECT_EQ(Entries(folder_), (std::set<std::string>{"ZEREVuzi.ini", "b.ini"}));
}

// A folder that takes no new file (the user cannot write it): the existing
// file is rewritten in place, keeping its inode, owner and mode. Any other
// reason, or no file to rewrite, fails as before.
TEST_F(SettingsFilesTest, NoTemporaryFileForPermissionRewritesInPlace) {
  const struct {
    int error;
    bool exists, rewritten;
  } cases[] = {{EACCES, true, true}, {EPERM, true, true}, {EACCES, false, false}, {EMFILE, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    fs::remove(file_);
    if (c.exists) Spit(file_, "[Main]\r\nDTU number=KQ-GP000001-with-a-long-tail\r\n");
    ::chmod(file_.c_str(), 0640);
    const struct stat before = Stat(file_);
    NoTemporaryFiles noTemp(c.error);
    SettingsStore store(path_, Ansi(), noTemp);
    if (c.rewritten) {
      store.WriteString("Main", "DTU number", "B");
      EXPECT_EQ(Slurp(file_), "[Main]\r\nDTU number=B\r\n");
      EXPECT_EQ(Stat(file_).st_ino, before.st_ino);
      EXPECT_EQ(Stat(file_).st_mode & 07777, 0640u);
    } else {
      EXPECT_THROW(store.WriteString("Main", "DTU number", "B"), AppError);
      EXPECT_EQ(store.lastErrno(), c.error);
      EXPECT_EQ(fs::exists(file_), c.exists);
    }
    EXPECT_EQ(Entries(folder_).size(), c.exists ? 1u : 0u);
  }
}

// Without O_TMPFILE a named temporary file does the work. Root may keep the
// file's owner on the replacement.
TEST_F(SettingsFilesTest, NamedTemporaryFileAndOwnerKept) {
  Spit(file_, "[Main]\r\nPort=1\r\n");
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(file_.c_str(), 4321, 4322), 0);
  }
  NoTemporaryFiles namedOnly(0, true);
  SettingsStore(path_, Ansi(), namedOnly).WriteInteger("Main", "Port", 2);
  SettingsStore(path_).WriteInteger("Main", "Port", 3);
  EXPECT_EQ(Slurp(file_), "[Main]\r\nPort=3\r\n");
  EXPECT_EQ(Entries(folder_), std::set<std::string>{"ZEREVuzi.ini"});
  if (root) {
    EXPECT_EQ(Stat(file_).st_uid, 4321u);
    EXPECT_EQ(Stat(file_).st_gid, 4322u);
  }
}

// Only our own temporary names, older than a minute, and only regular files.
TEST_F(SettingsFilesTest, StaleTemporaryFilesAreRemoved) {
  const struct {
    const char* name;
    bool old, link, removed;
  } cases[] = {{".ZEREVuzi.ini.Ab3xYz", true, false, true}, {".ZEREVuzi.ini.Ab3xY9", false, false, false},
               {".ZEREVuzi.ini.Ab3xY", true, false, false}, {".ZEREVuzi.ini.Ab3x-z", true, false, false},
               {".other.ini.Ab3xYz", true, false, false},   {".ZEREVuzi.ini.LinkYz", true, true, false},
               {"ZEREVuzi.ini.Ab3xYz", true, false, false}};
  for (const auto& c : cases) {
    const std::string name = folder_ + "/" + c.name;
    if (c.link) {
      fs::create_symlink(file_, name);
    } else {
      Spit(name, "x");
    }
    const timespec times[2] = {{std::time(nullptr) - 120, 0}, {std::time(nullptr) - 120, 0}};
    if (c.old) ::utimensat(AT_FDCWD, name.c_str(), times, AT_SYMLINK_NOFOLLOW);
  }
  SettingsStore(path_).RemoveStaleTemporaryFiles();
  for (const auto& c : cases) EXPECT_EQ(fs::exists(fs::symlink_status(folder_ + "/" + c.name)), !c.removed) << c.name;
}

}  // namespace
}  // namespace dtu
