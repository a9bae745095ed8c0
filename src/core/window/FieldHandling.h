// SPDX-License-Identifier: MIT
// Loading the window's fields and enabling the controls of the chosen server
// address mode. The window implements FieldControls; values reach the
// controls through it so that the window's own change handlers run (and
// save) exactly as they would for any program assignment.
#pragma once

#include <cstdint>

#include "core/config/SettingsFields.h"

namespace dtu {

class FieldControls {
 public:
  virtual ~FieldControls() = default;
  // Puts `field`'s value from `values` into the control bound to it (the
  // language into the window's record). A program selection raises no
  // change event, and an index outside the list leaves it without a
  // selection; a text or the port raises the field's change event when the
  // shown text changes.
  virtual void showField(const Field& field, const StoredFields& values) = 0;
  // The five controls whose enablement follows the mode, in this order:
  // static-IP label, edit, button; domain label, edit.
  virtual void setServerModeControlsEnabled(bool staticIpControls, bool domainControls) = 0;
};

// Every field of the table in its order, the enablement right after the mode.
void LoadSettings(const StoredFields& stored, FieldControls& controls);

void UpdateServerModeControls(FieldControls& controls, std::int32_t mode);

}  // namespace dtu
