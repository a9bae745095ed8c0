// SPDX-License-Identifier: MIT
#include "core/batch/SameFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>
#include <utility>

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

}  // namespace dtu
