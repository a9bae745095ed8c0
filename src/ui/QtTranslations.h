// SPDX-License-Identifier: MIT
// Qt's own texts (the boxes' buttons, the edits' context menus) follow the
// window's language through Qt's catalogs installed on the system.
#pragma once

#include <QString>

namespace dtu {

// The Qt catalog language for a Localizer language code (any letter case):
// "zh_CN" for zh_cn, empty for English and every language the program has
// no catalog of its own for.
QString QtLanguageFor(const QString& languageCode);

// Installs qtbase_<language>.qm from Qt's translations folder for the code,
// in place of the one installed before; English installs none. A missing Qt
// catalog leaves Qt's texts in English. True when a Qt catalog is installed.
bool ApplyQtTranslations(const QString& languageCode);

}  // namespace dtu
