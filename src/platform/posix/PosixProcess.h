// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

#include "platform/Process.h"

namespace dtu::platform {

// The private folder is "dtusms-l10n-XXXXXX" in the temporary directory
// (mode 0700) with an "owner" record "<pid> <start time>" inside; the start
// time, the kernel's, tells a reused process id from the one that made it.
class PosixProcess : public Process {
 public:
  PosixProcess() = default;
  ~PosixProcess() override;
  PosixProcess(const PosixProcess&) = delete;
  PosixProcess& operator=(const PosixProcess&) = delete;

  QString executablePath() override;
  std::unique_ptr<QIODevice> openExecutable() override;
  std::optional<QString> privateFolder() override;
  void removeAbandonedPrivateFolders() override;
  // SIGTERM, SIGINT and SIGHUP write to a pipe that the event loop reads; the
  // loop ends with 128 + the signal's number. A second signal of the same
  // kind gets the default action, so a process stuck in a blocking probe can
  // still be stopped.
  bool quitOnTerminationRequests() override;
  bool deferTerminationRequests() override;
  int terminationRequested() override;
  long long id() override;
  bool isRunning(long long id) override;
  void preferWindowlessGui() override;
  bool errorIsTerminal() override;

 private:
  bool folderTried_ = false;
  QByteArray folder_;  // empty when it could not be made
};

}  // namespace dtu::platform
