// SPDX-License-Identifier: MIT
#include "core/window/FieldHandling.h"

namespace dtu {

void LoadSettings(const StoredFields& stored, FieldControls& controls) {
  for (const Field* field : kFields) {
    controls.showField(*field, stored);
    // The mode as read, also one the list cannot select (which leaves the enablement as it is).
    if (field == &fields::kServerAddressMode) UpdateServerModeControls(controls, stored.serverMode);
  }
}

void UpdateServerModeControls(FieldControls& controls, std::int32_t mode) {
  if (mode == 0) {
    controls.setServerModeControlsEnabled(true, false);
  } else if (mode == 1) {
    controls.setServerModeControlsEnabled(false, true);
  }
}

}  // namespace dtu
