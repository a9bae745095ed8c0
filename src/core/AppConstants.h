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

struct tagSysParameter {
  std::int32_t LanguageId = 0;
};

extern tagSysParameter SysParameter;

}  // namespace dtu
