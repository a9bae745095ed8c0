// SPDX-License-Identifier: MIT
#include "core/config/FieldHandling.h"

#include "core/MyDataType.h"
#include "core/config/SettingsStore.h"

namespace dtu {

void LoadSettings(const QString& settingsPath, const AnsiCodec& codec, platform::FileStore& files,
                  std::int32_t& languageId, FieldControls& controls, const LocalAddressFn& localHostAddress) {
  // The order of the steps decides which change handlers run, and so the
  // order in which keys first appear in a new file.
  const SettingsStore store(settingsPath, codec, files);
  // Kept as stored, also outside 0..3: ApplyLanguage treats such a value as 0
  // and the language menu checks no item for it.
  languageId = store.ReadInteger(kSettingsSection, keys::kLanguageId, 0);

  const std::int32_t mode = store.ReadInteger(kSettingsSection, keys::kServerAddressMode, 0);
  controls.selectServerMode(mode);
  UpdateServerModeControls(controls, mode);

  controls.setPortValue(store.ReadInteger(kSettingsSection, keys::kPort, kDefaultPort));

  // Looked up at every load, also when a stored value makes it unused.
  const std::string local = localHostAddress ? localHostAddress() : std::string();
  controls.setStaticIpText(store.ReadString(kSettingsSection, keys::kStaticIp, codec.toUnicode(local)));
  controls.setDomainAddressText(store.ReadString(kSettingsSection, keys::kDomainAddress, QString()));
  controls.selectSmsCommandType(store.ReadInteger(kSettingsSection, keys::kSmsCommandType, 0));
  controls.selectServiceNetwork(store.ReadInteger(kSettingsSection, keys::kServiceNetwork, 0));
  controls.setOtherApnText(store.ReadString(kSettingsSection, keys::kOtherApn, QString()));
  controls.setDtuNumberText(
      store.ReadString(kSettingsSection, keys::kDtuNumber, QString::fromLatin1(kDefaultDtuNumber)));
}

void UpdateServerModeControls(FieldControls& controls, std::int32_t mode) {
  if (mode == 0) {
    controls.setServerModeControlsEnabled(true, false);
  } else if (mode == 1) {
    controls.setServerModeControlsEnabled(false, true);
  }
}

}  // namespace dtu
