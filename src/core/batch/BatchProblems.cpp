// SPDX-License-Identifier: MIT
#include "core/batch/BatchProblems.h"

#include "core/AppConstants.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/sms/SmsComposer.h"

namespace dtu {

QString DescribeBatchProblem(const BatchRow& row) {
  switch (row.problem) {
    case BatchProblem::None:
      return {};
    case BatchProblem::LineTooLong:
      if (row.lastLine > row.line)
        return FormatMessage(
            Translate("The record on lines %d to %d is longer than %d characters; it was skipped."),
            {QString::number(row.line), QString::number(row.lastLine), QString::number(kBatchLineLimit)});
      return FormatMessage(Translate("The line is longer than %d characters."), {QString::number(kBatchLineLimit)});
    case BatchProblem::QuoteNotClosed:
      return FormatMessage(Translate("The quote opened on line %d is never closed; lines %d to %d were skipped."),
                           {row.detail, QString::number(row.line), QString::number(row.lastLine)});
    case BatchProblem::BlankField:
      return BlankFieldMessage(row.detail);
    case BatchProblem::DtuNumberTooLong:
      return FormatMessage(Translate("The DTU number \"%s\" is longer than %d characters."),
                           {row.dtuNumber, QString::number(kDtuNumberUserLimit)});
    case BatchProblem::ControlCharacter:
      return Translate("A cell holds a line break or another control character.");
    case BatchProblem::BadSimNumber:
      return FormatMessage(Translate("The SIM number \"%s\" may hold only digits, a leading \"+\", blanks and \"-\"."),
                           {row.simNumber});
    case BatchProblem::DuplicateDtuNumber:
      return FormatMessage(Translate("The DTU number \"%s\" is already on line %d."), {row.dtuNumber, row.detail});
    case BatchProblem::CommandCharacter:
      if (row.dtuNumber.contains(row.detail))
        return FormatMessage(
            Translate("The DTU number \"%s\" holds \"%s\", which the DTU reads as part of the command."),
            {row.dtuNumber, row.detail});
      return FormatMessage(Translate("The SIM number \"%s\" holds \"%s\", which the DTU reads as part of the command."),
                           {row.simNumber, row.detail});
    case BatchProblem::UnheldCharacter:
      return FormatMessage(
          Translate("The DTU number \"%s\" holds \"%s\", which cannot be sent under the current locale."),
          {row.dtuNumber, row.detail});
    case BatchProblem::DuplicateSimNumber:
      return FormatMessage(Translate("The SIM number \"%s\" is already on line %d; both rows would go to one SIM."),
                           {row.simNumber, row.detail});
    case BatchProblem::InvisibleCharacter:
      return FormatMessage(Translate("The DTU number \"%s\" holds the invisible character %s."),
                           {row.dtuNumber, row.detail});
    case BatchProblem::SeparatorCharacter: {
      const QString shown =
          row.detail == QLatin1String("\t") ? Translate("a tab") : QLatin1Char('"') + row.detail + '"';
      if (row.dtuNumber.contains(row.detail))
        return FormatMessage(Translate("The DTU number \"%s\" holds %s, a list separator: are the columns split as "
                                       "meant?"),
                             {row.dtuNumber, shown});
      return FormatMessage(Translate("The SIM number \"%s\" holds %s, a list separator: are the columns split as "
                                     "meant?"),
                           {row.simNumber, shown});
    }
  }
  return {};
}

QString DescribeBatchSetupProblem(const BatchSetupProblem& problem) {
  if (problem.blankField) return BlankFieldMessage(problem.blankField);
  if (problem.noCommand) return Translate("The fields give no SMS command: choose the command type and server mode.");
  return {};
}

QString DescribeRowLimit() {
  return FormatMessage(Translate("The list has more than %d rows; the rest was not read."),
                       {QString::number(kBatchRowLimit)});
}

}  // namespace dtu
