// SPDX-License-Identifier: MIT
// Constants and the one process-wide record shared by every subsystem.
#pragma once

#include <array>
#include <cstdint>

#include "BuildConfig.h"  // kAppVersion

namespace dtu {

// Fixed and never translated: also the caption of the application error box.
inline constexpr char kAppTitle[] = "ZU-3RIVE VID idoverivirora dave";
inline constexpr char kSettingsFileName[] = "ZEREVuzi.ini";
inline constexpr char kSettingsSection[] = "Main";

// Keys of section Main. Several equal English captions, but they are file
// keys and must never go through translation.
namespace keys {
inline constexpr char kLanguageId[] = "nLanguageID";
inline constexpr char kServerAddressMode[] = "Server address mode";
inline constexpr char kPort[] = "Port";
inline constexpr char kStaticIp[] = "Static IP";
inline constexpr char kDomainAddress[] = "Domain address";
inline constexpr char kSmsCommandType[] = "SMS command type";
inline constexpr char kServiceNetwork[] = "Service network(APN)";
inline constexpr char kOtherApn[] = "Other APN";
inline constexpr char kDtuNumber[] = "DTU number";
}  // namespace keys

inline constexpr int kDefaultPort = 6000;
inline constexpr char kDefaultDtuNumber[] = "KQ-GP000001";
inline constexpr int kPortMinimum = 1000;
inline constexpr int kPortMaximum = 99999;
inline constexpr int kDtuNumberUserLimit = 11;

// Indexed by LanguageId: 0 Automatic (system default), 1 English,
// 2 Simplified Chinese, 3 Traditional Chinese.
inline constexpr std::array<const char*, 4> LanguageCodes = {"", "en", "zh_cn", "zh_tw"};

// A hand-edited settings file may hold any number; only 0..3 index the table.
constexpr int SafeLanguageId(std::int32_t id) { return id >= 0 && id <= 3 ? id : 0; }

struct tagSysParameter {
  std::int32_t LanguageId = 0;
};

extern tagSysParameter SysParameter;

}  // namespace dtu
