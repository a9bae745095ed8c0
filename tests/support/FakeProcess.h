// SPDX-License-Identifier: MIT
// A process whose standard error is a terminal or not, as the test says; it
// has no executable, private folder or signals of its own.
#pragma once

#include <QIODevice>

#include "platform/Process.h"

namespace dtu::testing {

class FakeProcess final : public platform::Process {
 public:
  explicit FakeProcess(bool errorIsTerminal) : terminal_(errorIsTerminal) {}
  QString executablePath() override { return {}; }
  std::unique_ptr<QIODevice> openExecutable() override { return nullptr; }
  std::optional<QString> privateFolder() override { return std::nullopt; }
  void removeAbandonedPrivateFolders() override {}
  bool quitOnTerminationRequests() override { return false; }
  bool deferTerminationRequests() override { return false; }
  int terminationRequested() override { return 0; }
  long long id() override { return 1; }
  bool isRunning(long long id) override { return id == 1; }
  void preferWindowlessGui() override {}
  bool errorIsTerminal() override { return terminal_; }

 private:
  bool terminal_;
};

}  // namespace dtu::testing
