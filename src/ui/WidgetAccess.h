// SPDX-License-Identifier: MIT
// How the keyboard and screen readers reach the window's and the dialogs' controls.
#pragma once

class QComboBox;
class QWidget;

namespace dtu {

// Enter (main or keypad) on a focused push button under `root` presses it, as
// on Windows; Qt presses only default buttons on Enter. No button becomes a
// default button. Call it again after adding buttons.
void PressButtonsOnEnter(QWidget* root);

// A screen reader names `list` by the label whose buddy it is, in the label's
// current language; Qt on Linux would name it by its current item.
void NameListByItsLabel(QComboBox* list);

}  // namespace dtu
