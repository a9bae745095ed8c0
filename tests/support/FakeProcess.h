// SPDX-License-Identifier: MIT
// A process whose executable and private folder the test chooses; it tidies,
// catches and sets nothing.
#pragma once

#include <QFile>

#include "platform/Process.h"

namespace dtu::testing {

struct FakeProcess final : platform::Process {
  QString executable;
  std::optional<QString> folder;  // nullopt: the folder cannot be made

  QString executablePath() override { return executable; }
  std::unique_ptr<QIODevice> openExecutable() override {
    auto file = std::make_unique<QFile>(executable);
    if (!file->open(QIODevice::ReadOnly)) return nullptr;
    return file;
  }
  std::optional<QString> privateFolder() override { return folder; }
  void removeAbandonedPrivateFolders() override {}
  bool quitOnTerminationRequests() override { return false; }
  void setDefaultEnvironment(const char*, const char*) override {}
};

}  // namespace dtu::testing
