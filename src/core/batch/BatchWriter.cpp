// SPDX-License-Identifier: MIT
#include "core/batch/BatchWriter.h"

#include "core/config/AtomicFile.h"
#include "core/sms/SmsCheck.h"

namespace dtu {

bool CsvBatchWriter::render(const ComposedBatch& batch, QByteArray& out, QString* /*error*/) const {
  out = BatchCsv(batch.list, BatchCheck(batch.base));
  return true;
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

bool WriteBatchFile(const BatchWriter& writer, const ComposedBatch& batch, const QString& path, QString* error) {
  QByteArray bytes;
  return writer.render(batch, bytes, error) && WriteFileAtomically(path, bytes, error);
}

}  // namespace dtu
