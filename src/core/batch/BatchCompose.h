// SPDX-License-Identifier: MIT
// The rows of a list composed with one set of fields, and checked for what
// the composer cannot see.
#pragma once

#include <QString>
#include <functional>

#include "core/batch/BatchList.h"
#include "core/sms/SmsComposer.h"
#include "core/text/AnsiCodec.h"

namespace dtu {

BatchSetupProblem CheckBatchInputs(const SmsCommandInputs& base, const AnsiCodec& codec);

// Composes every row with `base` and the row's DTU number through the
// composer of "Generation SMS", then checks what that cannot see.
void ComposeBatch(BatchList& list, const SmsCommandInputs& base, const AnsiCodec& codec);

// Parses `text` and, unless the stored fields give no command (`setup`),
// composes every row with them.
BatchList ComposeBatchText(const QString& text, const SmsCommandInputs& base, const AnsiCodec& codec,
                           const BatchSetupProblem& setup);

// The SMS check column for commands composed with `base`.
std::function<QString(const QString&)> BatchCheck(const SmsCommandInputs& base);

}  // namespace dtu
