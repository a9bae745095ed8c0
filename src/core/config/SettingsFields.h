// SPDX-License-Identifier: MIT
// The fields kept in section Main of the settings file, in one table: each
// row binds a key to its kind, its default and the member of StoredFields
// that holds its value. Loading the window, its change handlers' writes, the
// command's inputs and the batch command's reading are all made from it, so
// that a new field is a row here and its control in the window. Also the one
// place the file's path is derived.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <limits>

#include "core/AppConstants.h"
#include "core/Expected.h"
#include "core/sms/SmsComposer.h"
#include "platform/FileStore.h"

namespace dtu {

class AnsiCodec;
class SettingsSnapshot;

// Every field's value: the command's inputs and the interface language.
// Read from the file they are as it holds them (a port outside the field's
// limits, a language id outside the table); the readers decide what to make
// of them.
struct StoredFields : SmsCommandInputs {
  int languageId = 0;
};

enum class FieldKind { Integer, Text };

struct Field {
  const char* key;  // a file key, never translated, though several equal English captions
  FieldKind kind;
  int StoredFields::*integer;   // where an Integer field's value is kept
  QString StoredFields::*text;  // where a Text field's value is kept
  std::int32_t number;          // the default of an Integer field
  const char* byDefault;        // the default of a Text field; null: this machine's address
  // The values an Integer field's control can show; it brings a stored value within them.
  std::int32_t minimum;
  std::int32_t maximum;
};

constexpr Field IntegerField(const char* key, int StoredFields::*value, std::int32_t byDefault,
                             std::int32_t minimum = std::numeric_limits<std::int32_t>::min(),
                             std::int32_t maximum = std::numeric_limits<std::int32_t>::max()) {
  return {key, FieldKind::Integer, value, nullptr, byDefault, nullptr, minimum, maximum};
}

constexpr Field TextField(const char* key, QString StoredFields::*value, const char* byDefault) {
  return {key, FieldKind::Text, nullptr, value, 0, byDefault, 0, 0};
}

namespace fields {
inline constexpr Field kLanguageId = IntegerField("nLanguageID", &StoredFields::languageId, 0);
inline constexpr Field kServerAddressMode = IntegerField("Server address mode", &StoredFields::serverMode, 0);
inline constexpr Field kPort = IntegerField("Port", &StoredFields::port, 6000, kPortMinimum, kPortMaximum);
inline constexpr Field kStaticIp = TextField("Static IP", &StoredFields::staticIp, nullptr);
inline constexpr Field kDomainAddress = TextField("Domain address", &StoredFields::domainAddress, "");
inline constexpr Field kSmsCommandType = IntegerField("SMS command type", &StoredFields::commandType, 0);
inline constexpr Field kServiceNetwork = IntegerField("Service network(APN)", &StoredFields::apnIndex, 0);
inline constexpr Field kOtherApn = TextField("Other APN", &StoredFields::otherApn, "");
inline constexpr Field kDtuNumber = TextField("DTU number", &StoredFields::dtuNumber, "KQ-GP000001");
}  // namespace fields

// In the order loading assigns them, which decides the order in which the
// change handlers write, and so the order of the keys in a new file.
inline constexpr std::array<const Field*, 9> kFields = {
    &fields::kLanguageId,     &fields::kServerAddressMode, &fields::kPort,
    &fields::kStaticIp,       &fields::kDomainAddress,     &fields::kSmsCommandType,
    &fields::kServiceNetwork, &fields::kOtherApn,          &fields::kDtuNumber};

// Every field as the file holds it, missing ones at their defaults;
// `localAddress` is the default of the static IP (the caller looks it up).
StoredFields ReadStoredFields(const SettingsSnapshot& file, const QString& localAddress);

// The text `field`'s value in `values` is written as.
QString FieldText(const Field& field, const StoredFields& values);

// Whether the settings file can give a batch its fields; the failure says
// why not (missing, a folder, a device, unreadable, or holding none of the
// fields the command is made of).
Status CheckSettingsFile(const QString& settingsPath, const AnsiCodec& codec, platform::FileStore& files);

// The settings file beside the executable. The file layer sees the path as
// 8-bit text, so what the charset cannot hold is lost here, as it is for the
// program's own directory (`appDirectory`, with its trailing separator).
QString SettingsFilePathFor(const QString& executablePath, const AnsiCodec& codec, QString* appDirectory = nullptr);

}  // namespace dtu
