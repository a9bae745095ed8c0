// SPDX-License-Identifier: MIT
#include "i18n/WindowTranslator.h"

namespace dtu {

void TranslateComponent(QWidget*) {}
void RetranslateComponent(QWidget*) {}

}  // namespace dtu
