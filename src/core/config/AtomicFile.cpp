// SPDX-License-Identifier: MIT
#include "core/config/AtomicFile.h"

#include <QSaveFile>

#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"

namespace dtu {

Failure FileWriteFailure(const QString& cause) {
  return {FormatMessage(Translate("Cannot write the file: %s"), {cause}), cause};
}

Status WriteFileAtomically(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  bool ok = file.open(QIODevice::WriteOnly);
  // A full disk shows first as a short write, without a cause; the next write
  // fails with the system's.
  for (qint64 done = 0; ok && done < bytes.size();) {
    const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
    ok = written > 0;
    done += written;
  }
  // commit() flushes Qt's buffer but renames the file into place even when
  // that last write fails: a full disk would leave an empty file reported as
  // written. A flush cut short says why on the next try.
  ok = ok && (file.flush() || file.flush());
  if (!ok || !file.commit()) {
    Failure failure = FileWriteFailure(file.errorString());
    file.cancelWriting();
    return failure;
  }
  return Done{};
}

}  // namespace dtu
