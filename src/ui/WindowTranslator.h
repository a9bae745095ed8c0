// SPDX-License-Identifier: MIT
#pragma once

class QWidget;

namespace dtu {

// First translation of a window: remembers every non-empty text with its
// English source so later switches translate from the source, never from a
// translation. A catalog problem met on the way is left for the caller to
// show (TakeLocalizationProblem).
void TranslateComponent(QWidget* window);
// Brings a translated window into the Localizer's current language.
void RetranslateComponent(QWidget* window);

}  // namespace dtu
