// SPDX-License-Identifier: MIT
// The invalid-input box that "Generation SMS" and the diagnostics show for a
// blank required field.
#pragma once

#include <QString>

#include "core/sms/SmsComposer.h"

class QWidget;

namespace dtu {

class MessagePresenter;

// Modal information box naming a blank field; returns when it is closed.
void ShowInvalidFieldPrompt(MessagePresenter& boxes, QWidget* owner, const char* fieldName);

// The whole "Generation SMS" press after the output field has been emptied:
// shows the box for a blank field and returns the output field's new text
// (empty after a box).
QString GenerateSmsCommand(MessagePresenter& boxes, QWidget* owner, const SmsCommandInputs& inputs,
                           const AnsiCodec& codec);

}  // namespace dtu
