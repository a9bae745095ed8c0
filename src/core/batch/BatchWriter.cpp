// SPDX-License-Identifier: MIT
#include "core/batch/BatchWriter.h"

#include "core/config/AtomicFile.h"

namespace dtu {

Status WriteBatchFile(const BatchWriter& writer, const ComposedBatch& batch, const QString& path) {
  const Expected<QByteArray> bytes = writer.render(batch);
  if (!bytes) return bytes.failure();
  return WriteFileAtomically(path, bytes.value());
}

}  // namespace dtu
