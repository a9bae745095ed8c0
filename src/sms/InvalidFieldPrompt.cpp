// SPDX-License-Identifier: MIT
#include "sms/InvalidFieldPrompt.h"

#include "app/MessagePresenter.h"
#include "i18n/Translate.h"

namespace dtu {

void ShowInvalidFieldPrompt(QWidget* owner, const char* fieldName) {
  const QString text = Translate("Please enter valid") + QStringLiteral(" \"") + Translate(fieldName) + QLatin1Char('"');
  Presenter().show(BoxRequest{owner, Translate("Prompt"), text, BoxIcon::Information});
}

QString GenerateSmsCommand(QWidget* owner, const SmsCommandInputs& inputs, const AnsiCodec& codec) {
  const SmsComposition result = ComposeSmsCommand(inputs, codec);
  if (result.hasBlankField()) {
    ShowInvalidFieldPrompt(owner, result.blankField);
    return {};
  }
  return result.text;
}

}  // namespace dtu
