// SPDX-License-Identifier: MIT
// The POSIX process: its private folder and owner record, and the tidying of
// the folders that killed runs left. The signals, the environment default and
// the executable are tested on the real program (MainWindowTest).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <ctime>
#include <optional>

#include "platform/posix/PosixProcess.h"
#include "support/TestSupport.h"

namespace dtu::platform {
namespace {

using dtu::testing::ReadBytes;
using dtu::testing::WriteBytes;

// The kernel's start time of a process: field 22 of its stat line, counted
// after the name in parentheses.
QByteArray StartTime(pid_t pid) {
  const QByteArray stat = ReadBytes(QStringLiteral("/proc/%1/stat").arg(pid));
  return stat.mid(stat.lastIndexOf(')') + 2).split(' ').value(19);
}

// QDir::tempPath() is a folder of the test's own.
class PosixProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(tmp.isValid()); }

  QTemporaryDir tmp;
  dtu::testing::EnvGuard env{{"TMPDIR", QFile::encodeName(tmp.path()).constData()}};
};

// Where the folder goes and that it goes with the process: the program's own
// run (MainWindowTest); one folder for all catalogs: the localizer's test.
TEST_F(PosixProcessTest, PrivateFolderIsPrivateAndNamesItsOwner) {
  PosixProcess process;
  const QString folder = process.privateFolder().value_or("");
  EXPECT_EQ(QFile::permissions(folder), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                                            QFile::WriteUser | QFile::ExeUser);
  EXPECT_EQ(ReadBytes(folder + "/owner"), QByteArray::number(::getpid()) + ' ' + StartTime(::getpid()) + '\n');
}

TEST_F(PosixProcessTest, RemovesTheFoldersWhoseOwnerIsGone) {
  const QByteArray parent = QByteArray::number(::getppid());
  const QByteArray noSuchProcess = ReadBytes("/proc/sys/kernel/pid_max").trimmed();  // ids stay below it
  const QByteArray gone = noSuchProcess + " 5";
  ASSERT_FALSE(noSuchProcess.isEmpty() || StartTime(::getppid()).isEmpty());
  // Age: how long ago the folder last changed.
  // clang-format off
  const struct { const char* name; std::optional<QByteArray> owner; int ageSeconds; bool kept; } cases[] = {
      {"dtusms-l10n-gone01", gone, 0, false},
      {"dtusms-l10n-reused", parent + " 1", 0, false},  // the id names another process now
      {"dtusms-l10n-living", parent + ' ' + StartTime(::getppid()), 0, true},
      {"dtusms-l10n-young1", std::nullopt, 0, true},  // the owner may still be writing its record
      {"dtusms-l10n-stale1", std::nullopt, 120, false}, {"dtusms-l10n-junk02", "x y", 120, false},
  };
  // clang-format on
  for (const auto& c : cases) {
    const QByteArray folder = QFile::encodeName(tmp.filePath(c.name));
    ASSERT_TRUE(QDir().mkpath(tmp.filePath(c.name)));
    ASSERT_TRUE(!c.owner || WriteBytes(tmp.filePath(c.name) + "/owner", *c.owner));
    const timespec times[2] = {{std::time(nullptr) - c.ageSeconds, 0}, {std::time(nullptr) - c.ageSeconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, folder.constData(), times, 0), 0);
  }
  // Not a folder: a link to an abandoned one.
  ASSERT_TRUE(QFile::link(tmp.filePath("dtusms-l10n-gone01"), tmp.filePath("dtusms-l10n-link01")));
  PosixProcess().removeAbandonedPrivateFolders();
  for (const auto& c : cases) EXPECT_EQ(QFile::exists(tmp.filePath(c.name)), c.kept) << c.name;
  EXPECT_TRUE(QFileInfo(tmp.filePath("dtusms-l10n-link01")).isSymLink());
}

}  // namespace
}  // namespace dtu::platform
