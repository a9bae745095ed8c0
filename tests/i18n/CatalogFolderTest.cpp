// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <sstream>

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
  std::ifstream stat("/proc/" + parent + "/stat");
  std::string line, start;
  std::getline(stat, line);
  std::istringstream fields(line.substr(line.rfind(')') + 1));
  for (int i = 3; i <= 22; ++i) fields >> start;
  const std::pair<std::string, bool> cases[] = {
      {parent + " " + start, false}, {parent + " 1", true}, {std::to_string(gone) + " " + start, true}};
  QTemporaryDir tmp;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    std::filesystem::create_directories(tmp.path().toStdString() + "/dtusms-l10n-case0" + std::to_string(i) + "/1");
    std::ofstream(tmp.path().toStdString() + "/dtusms-l10n-case0" + std::to_string(i) + "/owner") << cases[i].first;
  }
  RemoveAbandonedCatalogFolders(tmp.path());
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(std::filesystem::exists(tmp.path().toStdString() + "/dtusms-l10n-case0" + std::to_string(i)),
              !cases[i].second)
        << cases[i].first;
}

}  // namespace
}  // namespace dtu
