// SPDX-License-Identifier: MIT
#include "core/config/AtomicFile.h"

#include <QSaveFile>

namespace dtu {

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    if (error) *error = file.errorString();
    file.cancelWriting();
    return false;
  }
  return true;
}

}  // namespace dtu
