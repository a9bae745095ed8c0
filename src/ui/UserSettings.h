// SPDX-License-Identifier: MIT
// The per-user settings (QSettings of the application): the remembered SIM
// numbers, the send settings and the folders last used, never the fields of
// the settings file. They live in one folder named "dtusms" alone.
#pragma once

#include <QString>

namespace dtu {

// Names the application and puts its QSettings in an INI file,
// %LOCALAPPDATA%\dtusms\dtusms.ini on Windows (beside the send history, not in
// the registry), $XDG_CONFIG_HOME/dtusms/dtusms.ini elsewhere. Call once
// before any QSettings is made.
void UseUserDataLocations();

// The settings an earlier version kept under the window's title (the registry
// key Software\dtusms\<title> on Windows) move to the new file, once, when it
// holds nothing yet.
void MoveEarlierUserSettings(const QString& earlierApplicationName);

// The per-user settings file as QSettings names it.
QString UserSettingsFile();

// False, with a line on standard error, when the per-user settings file is
// there but not a regular file: QSettings would block opening a FIFO.
bool UserSettingsUsable();

// What the file dialogs open or save, each kind remembering its own folder.
enum class FileKind { kList, kExport, kImage };

// The folder the last file of `kind` was chosen in, while it exists; the
// user's Documents before that (never the program's own folder).
QString StartFolder(FileKind kind);
void RememberFolder(FileKind kind, const QString& chosenFile);

}  // namespace dtu
