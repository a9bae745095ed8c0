// SPDX-License-Identifier: MIT
// The fields kept in section Main of the settings file: one table of keys,
// kinds and defaults that the window's loading and the batch command's
// reading share, and the one place the file's path is derived.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "core/AppConstants.h"
#include "core/Expected.h"
#include "platform/FileStore.h"

namespace dtu {

class AnsiCodec;
class SettingsStore;

enum class FieldKind { Integer, Text };

struct Field {
  const char* key;
  FieldKind kind;
  std::int32_t number;  // the default of an Integer field
  const char* text;     // the default of a Text field; null: this machine's address
};

namespace fields {
inline constexpr Field kLanguageId{keys::kLanguageId, FieldKind::Integer, 0, nullptr};
inline constexpr Field kServerAddressMode{keys::kServerAddressMode, FieldKind::Integer, 0, nullptr};
inline constexpr Field kPort{keys::kPort, FieldKind::Integer, kDefaultPort, nullptr};
inline constexpr Field kStaticIp{keys::kStaticIp, FieldKind::Text, 0, nullptr};
inline constexpr Field kDomainAddress{keys::kDomainAddress, FieldKind::Text, 0, ""};
inline constexpr Field kSmsCommandType{keys::kSmsCommandType, FieldKind::Integer, 0, nullptr};
inline constexpr Field kServiceNetwork{keys::kServiceNetwork, FieldKind::Integer, 0, nullptr};
inline constexpr Field kOtherApn{keys::kOtherApn, FieldKind::Text, 0, ""};
inline constexpr Field kDtuNumber{keys::kDtuNumber, FieldKind::Text, 0, kDefaultDtuNumber};
}  // namespace fields

// In the order a first start writes them.
inline constexpr std::array<Field, 9> kFields = {
    fields::kLanguageId,     fields::kServerAddressMode, fields::kPort,     fields::kStaticIp, fields::kDomainAddress,
    fields::kSmsCommandType, fields::kServiceNetwork,    fields::kOtherApn, fields::kDtuNumber};

// Every field as stored, missing ones at their defaults. Values are as the
// file holds them (a port outside the field's limits, a language id outside
// the table); the readers decide what to make of them.
struct StoredFields {
  std::int32_t languageId = 0;
  std::int32_t serverMode = 0;
  std::int32_t port = kDefaultPort;
  QString staticIp;
  QString domainAddress;
  std::int32_t commandType = 0;
  std::int32_t apnIndex = 0;
  QString otherApn;
  QString dtuNumber;
};

// `localAddress` is the default of the static IP (the caller looks it up).
StoredFields ReadStoredFields(const SettingsStore& store, const QString& localAddress);
std::int32_t ReadField(const SettingsStore& store, const Field& field);
QString ReadField(const SettingsStore& store, const Field& field, const QString& localAddress);

// Whether the settings file can give a batch its fields; the failure says
// why not (missing, a folder, a device, unreadable).
Status CheckSettingsFile(const QString& settingsPath, const AnsiCodec& codec, platform::FileStore& files);

// The settings file beside the executable. The file layer sees the path as
// 8-bit text, so what the charset cannot hold is lost here, as it is for the
// program's own directory (`appDirectory`, with its trailing separator).
QString SettingsFilePathFor(const QString& executablePath, const AnsiCodec& codec, QString* appDirectory = nullptr);

}  // namespace dtu
