// SPDX-License-Identifier: MIT
// The operating system as the program sees it: one interface per facility.
// main builds the system's own and passes it down; tests pass fakes.
#pragma once

#include <memory>

#include "platform/CodePage.h"
#include "platform/FileStore.h"
#include "platform/LocaleFacts.h"
#include "platform/MessageCatalogs.h"
#include "platform/Network.h"
#include "platform/Process.h"
#include "platform/SerialPorts.h"

namespace dtu::platform {

struct Platform {
  FileStore& files;
  Network& network;
  CodePage& codePage;
  LocaleFacts& locale;
  Process& process;
  // Null where the system has no catalog look-up of its own.
  MessageCatalogs* catalogs = nullptr;
  // Null where the program is built without serial devices.
  SerialPorts* serial = nullptr;
};

// The system's facilities, owned together; made once in main.
class SystemPlatform {
 public:
  SystemPlatform();
  ~SystemPlatform();
  SystemPlatform(const SystemPlatform&) = delete;
  SystemPlatform& operator=(const SystemPlatform&) = delete;

  const Platform& get() const { return *platform_; }

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
  std::unique_ptr<Platform> platform_;
};

}  // namespace dtu::platform
