// SPDX-License-Identifier: MIT
#include "core/batch/SameFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>
#include <utility>

#include "core/i18n/Translate.h"

namespace dtu {

namespace {

// A file's identity, or for a name not taken yet its folder's and the name.
// Names are compared in any case: on a file system that ignores case two
// new names that differ only in case would become one file.
std::pair<std::optional<platform::FileIdentity>, QString> FileKey(platform::FileStore& files, const QString& path) {
  const QFileInfo info(path);
  if (auto identity = files.fileIdentity(QFile::encodeName(path).toStdString())) return {identity, QString()};
  return {files.fileIdentity(QFile::encodeName(info.absolutePath()).toStdString()), info.fileName().toCaseFolded()};
}

}  // namespace

bool SameFile(platform::FileStore& files, const QString& a, const QString& b) {
  const auto keyA = FileKey(files, a), keyB = FileKey(files, b);
  if (keyA.first && keyB.first) return keyA == keyB;
  return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

std::vector<ProtectedFile> ProtectedFiles(const QString& list, const QString& sendLog, const QString& executable,
                                          const QString& settings, const QString& journal) {
  const char* journalRefusal = N_("This is the send journal; an output never replaces it.");
  const QString journalWal = journal.isEmpty() ? QString() : journal + QStringLiteral("-wal");
  const QString journalShm = journal.isEmpty() ? QString() : journal + QStringLiteral("-shm");
  const ProtectedFile all[] = {
      {journal, journalRefusal},
      {journalWal, journalRefusal},
      {journalShm, journalRefusal},
      {list, N_("This is the list itself; an output never replaces it.")},
      {sendLog, N_("This is the send log; an output never replaces it.")},
      {executable, N_("This is the program itself; an output never replaces it.")},
      {settings, N_("This is the program's settings file; an output never replaces it.")},
  };
  std::vector<ProtectedFile> files;
  for (const ProtectedFile& file : all)
    if (!file.path.isEmpty()) files.push_back(file);
  return files;
}

QString RefuseOutput(platform::FileStore& files, const QString& output,
                     const std::vector<ProtectedFile>& protectedFiles) {
  for (const ProtectedFile& file : protectedFiles)
    if (SameFile(files, output, file.path)) return Translate(file.refusal);
  return {};
}

}  // namespace dtu
