// SPDX-License-Identifier: MIT
#include "core/i18n/Translate.h"

#include "core/i18n/Localizer.h"

namespace dtu {

QString Translate(const QString& msgid) {
  Localizer* localizer = GlobalLocalizer();
  return localizer ? localizer->Translate(msgid) : msgid;
}

}  // namespace dtu
