// SPDX-License-Identifier: MIT
#pragma once

#include "platform/MessageCatalogs.h"

namespace dtu::platform {

class Process;

// libintl reads catalogs from files only: each catalog is copied into a new
// folder inside the process's private folder, and the domain "default" is
// bound to it, under the language name "dtusms" (LANGUAGE).
class LibintlCatalogs : public MessageCatalogs {
 public:
  explicit LibintlCatalogs(Process& process) : process_(process) {}
  bool load(const QByteArray& moBytes, const QByteArray& probeId, const QByteArray& probeTranslation) override;
  std::optional<QByteArray> lookup(const QByteArray& id) override;

 private:
  // Makes libintl read from `directory_` again, whatever changed the locale,
  // LANGUAGE or the binding since; false when it cannot.
  bool ensureSeen();

  Process& process_;
  int slots_ = 0;
  QByteArray directory_;  // bound to the domain; empty while nothing is loaded
};

}  // namespace dtu::platform
