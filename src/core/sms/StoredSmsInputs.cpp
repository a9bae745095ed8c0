// SPDX-License-Identifier: MIT
#include "core/sms/StoredSmsInputs.h"

#include <algorithm>

#include "core/AppConstants.h"
#include "core/config/SettingsFields.h"
#include "core/config/SettingsStore.h"

namespace dtu {

SmsCommandInputs ReadStoredSmsInputs(const QString& settingsPath, const AnsiCodec& codec, platform::FileStore& files,
                                     const std::function<std::string()>& localAddress) {
  const QString local = codec.toUnicode(localAddress ? localAddress() : std::string());
  const StoredFields stored = ReadStoredFields(SettingsStore(settingsPath, codec, files), local);
  SmsCommandInputs in;
  in.serverMode = stored.serverMode;
  // The port field shows a stored value clamped to its limits.
  in.port = std::clamp<std::int32_t>(stored.port, kPortMinimum, kPortMaximum);
  in.staticIp = stored.staticIp;
  in.domainAddress = stored.domainAddress;
  in.commandType = stored.commandType;
  in.apnIndex = stored.apnIndex;
  in.otherApn = stored.otherApn;
  in.dtuNumber = stored.dtuNumber;
  return in;
}

}  // namespace dtu
