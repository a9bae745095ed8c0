// SPDX-License-Identifier: MIT
// Private catalog folders left behind by a killed process are removed; those
// of running processes, and anything not ours, stay.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "i18n/Localizer.h"

namespace dtu {
namespace {

// A process id that no process holds any more.
pid_t GonePid() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

TEST(CatalogFolders, OnlyAbandonedFoldersOfOursAreRemoved) {
  QTemporaryDir tmp;
  const std::string root = tmp.path().toStdString();
  // The parent (ctest or the shell) outlives the test; its start time as the kernel gives it.
  const std::string parent = std::to_string(::getppid());
  const std::string parentStart = [&] {
    std::ifstream in("/proc/" + parent + "/stat");
    std::string line, field;
    std::getline(in, line);
    std::istringstream fields(line.substr(line.rfind(')') + 1));
    for (int i = 3; i <= 22; ++i) fields >> field;
    return field;
  }();
  const struct {
    const char* name;
    std::string owner;  // empty: no owner record
    bool old, removed;
  } cases[] = {
      {"dtusms-l10n-Alive1", parent + " " + parentStart, true, false},
      {"dtusms-l10n-Gone01", std::to_string(GonePid()) + " 1", false, true},
      {"dtusms-l10n-Reuse1", parent + " 1", false, true},  // the id now names another process
      {"dtusms-l10n-NoRec1", "", true, true},
      {"dtusms-l10n-NoRec2", "", false, false},  // may be in the making
      {"dtusms-l10n-Junk01", "not a record", true, true},
      {"other-l10n-Gone01", std::to_string(GonePid()) + " 1", true, false},
      {"dtusms-l10n-Long012", std::to_string(GonePid()) + " 1", true, false},
  };
  for (const auto& c : cases) {
    const std::string folder = root + "/" + c.name;
    std::filesystem::create_directories(folder + "/1/dtusms");
    if (!c.owner.empty()) std::ofstream(folder + "/owner") << c.owner << "\n";
    const timespec times[2] = {{std::time(nullptr) - 120, 0}, {std::time(nullptr) - 120, 0}};
    if (c.old) ::utimensat(AT_FDCWD, folder.c_str(), times, 0);
  }
  RemoveAbandonedCatalogFolders(tmp.path());
  for (const auto& c : cases) EXPECT_EQ(std::filesystem::exists(root + "/" + c.name), !c.removed) << c.name;
}

}  // namespace
}  // namespace dtu
