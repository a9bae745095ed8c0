// SPDX-License-Identifier: MIT
// A process whose standard error is a terminal or not, as the test says; it
// has no executable, private folder or signals of its own.
#pragma once

#include <QIODevice>
#include <functional>

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
  bool deferTerminationRequests() override { return static_cast<bool>(asked); }
  int terminationRequested() override { return asked ? asked() : 0; }
  long long id() override { return 1; }
  bool isRunning(long long id) override { return id == 1; }
  void preferWindowlessGui() override {}
  bool errorIsTerminal() override { return terminal_; }

  // The exit status a termination request asks for, when one came; none without.
  std::function<int()> asked;

 private:
  bool terminal_;
};

}  // namespace dtu::testing
