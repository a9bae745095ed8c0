// SPDX-License-Identifier: MIT
// Whether an output would land on an input: a batch never replaces its list,
// the program's own files, nor one output another.
#pragma once

#include <QString>
#include <vector>

#include "platform/FileStore.h"

namespace dtu {

// Whether `a` and `b` name one file: the same file (through links, "./",
// hard links), or, for a file not there yet, the same name in one folder
// (in any case).
bool SameFile(platform::FileStore& files, const QString& a, const QString& b);

// A file that no output may replace, and the untranslated refusal that names it.
struct ProtectedFile {
  QString path;
  const char* refusal;
};

// The list (when there is one), the send log that goes with it, the
// executable and the settings file beside it, the send journal (with SQLite's
// files beside it). A new file of the program's own is one more row here.
std::vector<ProtectedFile> ProtectedFiles(const QString& list, const QString& sendLog, const QString& executable,
                                          const QString& settings, const QString& journal = {});

// The translated refusal when `output` would replace one of `protectedFiles`;
// empty when it may be written.
QString RefuseOutput(platform::FileStore& files, const QString& output,
                     const std::vector<ProtectedFile>& protectedFiles);

}  // namespace dtu
