// SPDX-License-Identifier: MIT
#include "i18n/Translate.h"

#include "i18n/Localizer.h"

namespace dtu {

QString Translate(const QString& msgid) {
  Localizer* localizer = GlobalLocalizer();
  return localizer ? localizer->Translate(msgid) : msgid;
}

}  // namespace dtu
