// SPDX-License-Identifier: MIT
#include "ui/InvalidFieldPrompt.h"

#include "core/i18n/Translate.h"
#include "ui/MessagePresenter.h"

namespace dtu {

void ShowInvalidFieldPrompt(MessagePresenter& boxes, QWidget* owner, const char* fieldName) {
  boxes.show(BoxRequest{owner, Translate("Prompt"), BlankFieldMessage(fieldName), BoxIcon::Information});
}

QString GenerateSmsCommand(MessagePresenter& boxes, QWidget* owner, const SmsCommandInputs& inputs,
                           const AnsiCodec& codec) {
  const SmsComposition result = ComposeSmsCommand(inputs, codec);
  if (result.hasBlankField()) {
    ShowInvalidFieldPrompt(boxes, owner, result.blankField);
    return {};
  }
  return result.text;
}

}  // namespace dtu
