// SPDX-License-Identifier: MIT
#include "core/config/AtomicFile.h"

#include <QSaveFile>

namespace dtu {

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
  QSaveFile file(path);
  bool ok = file.open(QIODevice::WriteOnly);
  // A full disk shows first as a short write, without a cause; the next write
  // fails with the system's.
  for (qint64 done = 0; ok && done < bytes.size();) {
    const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
    ok = written > 0;
    done += written;
  }
  if (!ok || !file.commit()) {
    if (error) *error = file.errorString();
    file.cancelWriting();
    return false;
  }
  return true;
}

}  // namespace dtu
