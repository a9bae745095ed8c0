// SPDX-License-Identifier: MIT
#include "core/window/FieldHandling.h"

#include "core/config/AnsiCodec.h"
#include "core/config/SettingsFields.h"
#include "core/config/SettingsStore.h"

namespace dtu {

void LoadSettings(const QString& settingsPath, const AnsiCodec& codec, platform::FileStore& files,
                  std::int32_t& languageId, FieldControls& controls, const LocalAddressFn& localHostAddress) {
  // Looked up at every load, also when a stored value makes it unused.
  const QString local = localHostAddress ? codec.toUnicode(localHostAddress()) : QString();
  const StoredFields stored = ReadStoredFields(SettingsStore(settingsPath, codec, files), local);
  // Kept as stored, also outside the language table: ApplyLanguage treats
  // such a value as 0 and the language menu checks no item for it.
  languageId = stored.languageId;

  // The order of the assignments decides which change handlers run, and so
  // the order in which keys first appear in a new file.
  controls.selectServerMode(stored.serverMode);
  UpdateServerModeControls(controls, stored.serverMode);
  controls.setPortValue(stored.port);
  controls.setStaticIpText(stored.staticIp);
  controls.setDomainAddressText(stored.domainAddress);
  controls.selectSmsCommandType(stored.commandType);
  controls.selectServiceNetwork(stored.apnIndex);
  controls.setOtherApnText(stored.otherApn);
  controls.setDtuNumberText(stored.dtuNumber);
}

void UpdateServerModeControls(FieldControls& controls, std::int32_t mode) {
  if (mode == 0) {
    controls.setServerModeControlsEnabled(true, false);
  } else if (mode == 1) {
    controls.setServerModeControlsEnabled(false, true);
  }
}

}  // namespace dtu
