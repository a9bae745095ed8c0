// SPDX-License-Identifier: MIT
#include "core/config/StoredSmsInputs.h"

#include <algorithm>

#include "core/config/SettingsFields.h"
#include "core/config/SettingsStore.h"

namespace dtu {

SmsCommandInputs ReadStoredSmsInputs(const QString& settingsPath, const AnsiCodec& codec, platform::FileStore& files,
                                     const std::function<std::string()>& localAddress) {
  const QString local = codec.toUnicode(localAddress ? localAddress() : std::string());
  StoredFields values = ReadStoredFields(SettingsStore(settingsPath, codec, files).snapshot(), local);
  // A number shows in its control brought within the control's limits (the port's).
  for (const Field* field : kFields)
    if (field->kind == FieldKind::Integer)
      values.*field->integer = std::clamp(values.*field->integer, field->minimum, field->maximum);
  return static_cast<const SmsCommandInputs&>(values);
}

}  // namespace dtu
