// SPDX-License-Identifier: MIT
// The per-user settings (QSettings of the application): the remembered SIM
// numbers and the send settings, never the fields of the settings file.
#pragma once

namespace dtu {

// False, with a line on standard error, when the per-user settings file is
// there but not a regular file: QSettings would block opening a FIFO.
bool UserSettingsUsable();

}  // namespace dtu
