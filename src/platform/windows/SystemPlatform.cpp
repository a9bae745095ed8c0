// SPDX-License-Identifier: MIT
#include "platform/Platform.h"
#include "platform/windows/WinCodePage.h"
#include "platform/windows/WinFileStore.h"
#include "platform/windows/WinLocaleFacts.h"
#include "platform/windows/WinNetwork.h"
#include "platform/windows/WinProcess.h"
#include "platform/windows/WinSerialPorts.h"

namespace dtu::platform {

struct SystemPlatform::Parts {
  WinFileStore files;
  WinNetwork network;
  WinCodePage codePage;
  WinLocaleFacts locale;
  WinProcess process;
  WinSerialPorts serial;
};

// No catalog look-up of the system's: the localizer's own serves.
SystemPlatform::SystemPlatform()
    : parts_(std::make_unique<Parts>()),
      platform_(std::make_unique<Platform>(Platform{parts_->files, parts_->network, parts_->codePage, parts_->locale,
                                                    parts_->process, nullptr, &parts_->serial})) {}

SystemPlatform::~SystemPlatform() = default;

}  // namespace dtu::platform
