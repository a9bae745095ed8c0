// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "i18n/Localizer.h"

namespace dtu {
namespace {

// A private folder is removed only when its owner has gone: the id names no
// process, or a process that started at another time (a reused id).
TEST(CatalogFolders, OnlyThoseOfGoneOwnersAreRemoved) {
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const std::string parent = std::to_string(::getppid());  // outlives the test
  std::string line, start;
  std::getline(std::ifstream("/proc/" + parent + "/stat"), line);
  std::istringstream fields(line.substr(line.rfind(')') + 1));
  for (int i = 3; i <= 22; ++i) fields >> start;  // the start time is field 22
  const std::tuple<const char*, std::string, bool> cases[] = {{"live00", parent + " " + start, false},
                                                              {"reused", parent + " 1", true},
                                                              {"gone00", std::to_string(gone) + " " + start, true}};
  const QTemporaryDir tmp;
  const std::string root = tmp.path().toStdString() + "/dtusms-l10n-";
  for (const auto& [name, owner, removed] : cases) {
    std::filesystem::create_directories(root + name + "/1");
    std::ofstream(root + name + "/owner") << owner;
  }
  RemoveAbandonedCatalogFolders(tmp.path());
  for (const auto& [name, owner, removed] : cases) EXPECT_EQ(std::filesystem::exists(root + name), !removed) << owner;
}

}  // namespace
}  // namespace dtu
