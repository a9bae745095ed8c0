// SPDX-License-Identifier: MIT
#include "core/batch/BatchCompose.h"

#include <unordered_map>
#include <utility>

#include "core/AppConstants.h"
#include "core/batch/BatchRecords.h"
#include "core/sms/SimNumber.h"
#include "core/sms/SmsCheck.h"

namespace dtu {

namespace {

bool HasControlCharacter(const QString& text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 32 || c.unicode() == 127; });
}

}  // namespace

BatchSetupProblem CheckBatchInputs(const SmsCommandInputs& base, const AnsiCodec& codec) {
  SmsCommandInputs probe = base;
  probe.dtuNumber = QStringLiteral("1");
  const SmsComposition result = ComposeSmsCommand(probe, codec);
  BatchSetupProblem problem;
  problem.blankField = result.blankField;
  problem.noCommand = !result.hasBlankField() && result.text.isEmpty();
  return problem;
}

void ComposeBatch(BatchList& list, const SmsCommandInputs& base, const AnsiCodec& codec) {
  std::unordered_map<QString, int> firstLine;
  firstLine.reserve(list.rows.size());
  SmsCommandInputs inputs = base;
  for (BatchRow& row : list.rows) {
    row.command.clear();
    if (row.problem != BatchProblem::LineTooLong && row.problem != BatchProblem::QuoteNotClosed)
      row.problem = BatchProblem::None;
    if (!row.ok()) continue;
    inputs.dtuNumber = row.dtuNumber;
    const SmsComposition composed = ComposeSmsCommand(inputs, codec);
    // A technician reads "KQ1" and "kq1" as one DTU.
    const auto [seen, isNew] = IsBlankField(row.dtuNumber)
                                   ? std::pair{firstLine.end(), true}
                                   : firstLine.try_emplace(row.dtuNumber.toCaseFolded(), row.line);
    const QString syntax = CommandCharacterIn(row.dtuNumber + row.simNumber);
    if (composed.hasBlankField()) {
      row.problem = BatchProblem::BlankField;
      row.detail = QString::fromLatin1(composed.blankField);
    } else if (row.dtuNumber.size() > kDtuNumberUserLimit) {
      row.problem = BatchProblem::DtuNumberTooLong;
    } else if (HasControlCharacter(row.dtuNumber) || HasControlCharacter(row.simNumber)) {
      row.problem = BatchProblem::ControlCharacter;
    } else if (!syntax.isEmpty()) {
      row.problem = BatchProblem::CommandCharacter;
      row.detail = syntax;
    } else if (const QString unheld = codec.firstUnheld(row.dtuNumber); !unheld.isEmpty()) {
      row.problem = BatchProblem::UnheldCharacter;
      row.detail = unheld;
    } else if (!NormalizeSimNumber(row.simNumber)) {
      row.problem = BatchProblem::BadSimNumber;
    } else if (!isNew) {
      row.problem = BatchProblem::DuplicateDtuNumber;
      row.detail = QString::number(seen->second);
    } else {
      row.command = composed.text;
    }
  }
}

BatchList ComposeBatchText(const QString& text, const SmsCommandInputs& base, const AnsiCodec& codec,
                           const BatchSetupProblem& setup) {
  BatchList list = ParseBatchList(text);
  if (!setup.any()) ComposeBatch(list, base, codec);
  return list;
}

std::function<QString(const QString&)> BatchCheck(const SmsCommandInputs& base) {
  const QString address = CommandServerAddress(base);
  return [address](const QString& sms) { return SmsCheckLine(sms, address); };
}

}  // namespace dtu
