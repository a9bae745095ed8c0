// SPDX-License-Identifier: MIT
// Constants shared by every subsystem. The settings keys and their defaults
// are rows of the field table (config/SettingsFields.h).
#pragma once

#include "BuildConfig.h"  // kAppVersion

namespace dtu {

// Fixed and never translated: also the caption of the application error box.
inline constexpr char kAppTitle[] = "ZU-3RIVE VID idoverivirora dave";
inline constexpr char kSettingsFileName[] = "ZEREVuzi.ini";
inline constexpr char kSettingsSection[] = "Main";

inline constexpr int kPortMinimum = 1000;
inline constexpr int kPortMaximum = 99999;
inline constexpr int kDtuNumberUserLimit = 11;

}  // namespace dtu
