// SPDX-License-Identifier: MIT
#include "platform/Platform.h"
#include "platform/windows/WinCodePage.h"
#include "platform/windows/WinFileStore.h"
#include "platform/windows/WinLocaleFacts.h"
#include "platform/windows/WinNetwork.h"
#include "platform/windows/WinProcess.h"

namespace dtu::platform {

struct SystemPlatform::Parts {
  WinFileStore files;
  WinNetwork network;
  WinCodePage codePage;
  WinLocaleFacts locale;
  WinProcess process;
};

// No catalog look-up of the system's: the localizer's own serves.
SystemPlatform::SystemPlatform()
    : parts_(std::make_unique<Parts>()),
      platform_(std::make_unique<Platform>(Platform{parts_->files, parts_->network, parts_->codePage, parts_->locale,
                                                    parts_->process, nullptr})) {}

SystemPlatform::~SystemPlatform() = default;

}  // namespace dtu::platform
