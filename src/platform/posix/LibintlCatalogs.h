// SPDX-License-Identifier: MIT
#pragma once

#include "platform/MessageCatalogs.h"

namespace dtu::platform {

class Process;

// libintl reads catalogs from files only: each catalog is copied into a new
// folder inside the process's private folder.
class LibintlCatalogs : public MessageCatalogs {
 public:
  explicit LibintlCatalogs(Process& process) : process_(process) {}
  bool load(const QByteArray& moBytes, const QByteArray& probeId, const QByteArray& probeTranslation) override;
  std::optional<QByteArray> lookup(const QByteArray& id) override;

 private:
  Process& process_;
};

}  // namespace dtu::platform
