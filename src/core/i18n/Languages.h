// SPDX-License-Identifier: MIT
// The one list of the interface languages. The menu, the detection, Qt's
// catalogs and the build's catalog list (po/LINGUAS) follow it: a new
// language is a row here, a line in po/LINGUAS and its .po file.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/i18n/Translate.h"

namespace dtu {

struct Language {
  std::int32_t id;              // the stored LanguageId (nLanguageID)
  const char* code;             // the catalog's language code; "" is the system's language
  const char* menuText;         // message id of the menu item
  const char* objectName;       // the menu item's object name
  std::uint16_t windowsLangId;  // the system language id detected as this language; 0: none
  const char* qtCatalog;        // the language of Qt's own catalog (qtbase_<x>.qm); "" for none
};

// Indexed by id. The catalog of a code is "<code>.mo", appended to the program
// as locale\<code>\LC_MESSAGES\default.mo.
inline constexpr std::array<Language, 4> kLanguages = {{
    {0, "", N_("Automatic"), "tntmntm_Automatic", 0, ""},
    {1, "en", N_("English"), "tntmntm_English", 0x0409, ""},
    {2, "zh_cn", N_("Simplified Chinese"), "tntmntm_SimplifiedChinese", 0x0804, "zh_CN"},
    {3, "zh_tw", N_("Traditional Chinese"), "tntmntm_TraditionalChinese", 0x0404, "zh_TW"},
}};

// A hand-edited settings file may hold any number; only the table's ids count.
constexpr int SafeLanguageId(std::int32_t id) {
  return id >= 0 && id < static_cast<std::int32_t>(kLanguages.size()) ? id : 0;
}

// The row whose code equals `code` without regard to letter case; null for none.
const Language* LanguageForCode(std::string_view code);

}  // namespace dtu
