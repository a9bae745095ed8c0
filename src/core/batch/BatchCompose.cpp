// SPDX-License-Identifier: MIT
#include "core/batch/BatchCompose.h"

#include <unordered_map>
#include <utility>
#include <vector>

#include "core/AppConstants.h"
#include "core/batch/BatchRecords.h"
#include "core/sms/SimNumber.h"
#include "core/sms/SmsCheck.h"

namespace dtu {

namespace {

bool HasControlCharacter(const QString& text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 32 || c.unicode() == 127; });
}

// What a DTU number shows differently from what it holds: a zero-width or
// direction mark (Cf), a line or paragraph separator, a C1 control. "U+XXXX",
// or empty.
QString InvisibleCharacterIn(const QString& text) {
  for (const char32_t c : text.toUcs4()) {
    const QChar::Category category = QChar::category(c);
    if ((c >= 0x80 && c <= 0x9F) || category == QChar::Other_Format || category == QChar::Separator_Line ||
        category == QChar::Separator_Paragraph)
      return QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
  }
  return {};
}

// A separator of another column layout (a tab-separated list with a comma in
// it) means the columns were not split as the technician meant.
QString SeparatorIn(const QString& text) {
  for (const QChar c : text)
    if (c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char('\t')) return c;
  return {};
}

// The earlier rows' SIM numbers, found by their last seven digits, the least
// that SameSimNumber compares.
class SimNumbersSeen {
 public:
  // The line of an earlier row sent to the same SIM, or 0; remembers this one.
  int add(const QString& simNumber, int line) {
    const QString dialable = DialableNumber(simNumber);
    if (dialable.isEmpty()) return 0;
    std::vector<std::pair<QString, int>>& bucket = seen_[dialable.right(7)];
    for (const auto& [earlier, earlierLine] : bucket)
      if (NamesOneSim(earlier, dialable)) return earlierLine;
    bucket.emplace_back(dialable, line);
    return 0;
  }

 private:
  std::unordered_map<QString, std::vector<std::pair<QString, int>>> seen_;
};

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
  SimNumbersSeen simNumbers;
  SmsCommandInputs inputs = base;
  for (BatchRow& row : list.rows) {
    row.command.clear();
    if (row.problem != BatchProblem::LineTooLong && row.problem != BatchProblem::QuoteNotClosed)
      row.problem = BatchProblem::None;
    if (!row.ok()) continue;
    inputs.dtuNumber = row.dtuNumber;
    const SmsComposition composed = ComposeSmsCommand(inputs, codec);
    // A technician reads "KQ1", "kq1" and the full-width "ＫＱ１" as one DTU.
    const auto [seen, isNew] =
        IsBlankField(row.dtuNumber)
            ? std::pair{firstLine.end(), true}
            : firstLine.try_emplace(row.dtuNumber.normalized(QString::NormalizationForm_KC).toCaseFolded(), row.line);
    const QString syntax = CommandCharacterIn(row.dtuNumber + row.simNumber);
    const QString separator = SeparatorIn(row.dtuNumber + row.simNumber);
    const QString invisible = InvisibleCharacterIn(row.dtuNumber);
    if (composed.hasBlankField()) {
      row.problem = BatchProblem::BlankField;
      row.detail = QString::fromLatin1(composed.blankField);
    } else if (row.dtuNumber.size() > kDtuNumberUserLimit) {
      row.problem = BatchProblem::DtuNumberTooLong;
    } else if (!separator.isEmpty()) {
      row.problem = BatchProblem::SeparatorCharacter;
      row.detail = separator;
    } else if (HasControlCharacter(row.dtuNumber) || HasControlCharacter(row.simNumber)) {
      row.problem = BatchProblem::ControlCharacter;
    } else if (!invisible.isEmpty()) {
      row.problem = BatchProblem::InvisibleCharacter;
      row.detail = invisible;
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
    } else if (const int line = simNumbers.add(row.simNumber, row.line); line != 0) {
      row.problem = BatchProblem::DuplicateSimNumber;
      row.detail = QString::number(line);
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
