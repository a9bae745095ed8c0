// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Process.h"

namespace dtu::platform {

class PosixProcess : public Process {
 public:
  ~PosixProcess() override;
  QString executablePath() override;
  std::unique_ptr<QIODevice> openExecutable() override;
  std::optional<QString> privateFolder() override;
  void removeAbandonedPrivateFolders() override;
  bool quitOnTerminationRequests() override;
  void setDefaultEnvironment(const char* name, const char* value) override;
};

}  // namespace dtu::platform
