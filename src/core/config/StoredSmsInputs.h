// SPDX-License-Identifier: MIT
// The command's inputs as the settings file holds them, for composing
// without the window.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "core/sms/SmsComposer.h"
#include "core/text/AnsiCodec.h"
#include "platform/FileStore.h"

namespace dtu {

// The fields of the settings file as the window would load them, read only.
SmsCommandInputs ReadStoredSmsInputs(const QString& settingsPath, const AnsiCodec& codec, platform::FileStore& files,
                                     const std::function<std::string()>& localAddress);

}  // namespace dtu
