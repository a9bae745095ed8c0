// SPDX-License-Identifier: MIT
// The font families the program draws with, per system and per role, the
// Chinese face of the current language before the other one: a Traditional
// text in a Simplified face would take the Simplified forms of shared glyphs.
#pragma once

#include <QString>
#include <QStringList>

namespace dtu {

enum class FontRole {
  kWindow,  // the main window: Tahoma, as its geometry was laid out for
  kText,    // the PDF sheet
  kFixed,   // the QR image's caption, a command to read character by character
};

// For the interface language `languageCode` ("zh_tw", "zh_CN", "en", ...).
QStringList FontFamilies(FontRole role, const QString& languageCode);

// The families for the language the program speaks now.
QStringList FontFamilies(FontRole role);

}  // namespace dtu
