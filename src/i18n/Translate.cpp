// SPDX-License-Identifier: MIT
#include "i18n/Translate.h"

namespace dtu {

QString Translate(const QString& msgid) { return msgid; }

}  // namespace dtu
