// SPDX-License-Identifier: MIT
#include "ui/InvalidFieldPrompt.h"

#include "core/i18n/Translate.h"
#include "ui/MessagePresenter.h"

namespace dtu {

void ShowInvalidFieldPrompt(MessagePresenter& boxes, QWidget* owner, const char* fieldName) {
  const QString text =
      Translate("Please enter valid") + QStringLiteral(" \"") + Translate(fieldName) + QLatin1Char('"');
  boxes.show(BoxRequest{owner, Translate("Prompt"), text, BoxIcon::Information});
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
