// SPDX-License-Identifier: MIT
#include "platform/Platform.h"
#include "platform/posix/LibintlCatalogs.h"
#include "platform/posix/PosixCodePage.h"
#include "platform/posix/PosixFileStore.h"
#include "platform/posix/PosixLocaleFacts.h"
#include "platform/posix/PosixNetwork.h"
#include "platform/posix/PosixProcess.h"
#include "platform/posix/QtSerialPorts.h"

namespace dtu::platform {

struct SystemPlatform::Parts {
  PosixFileStore files;
  PosixNetwork network;
  PosixCodePage codePage;
  PosixLocaleFacts locale;
  PosixProcess process;
  LibintlCatalogs catalogs{process};
  QtSerialPorts serial;
};

SystemPlatform::SystemPlatform()
    : parts_(std::make_unique<Parts>()),
      platform_(std::make_unique<Platform>(Platform{parts_->files, parts_->network, parts_->codePage, parts_->locale,
                                                    parts_->process, &parts_->catalogs, &parts_->serial})) {}

SystemPlatform::~SystemPlatform() = default;

}  // namespace dtu::platform
