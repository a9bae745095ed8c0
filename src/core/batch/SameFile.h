// SPDX-License-Identifier: MIT
// Whether an output would land on an input: a batch never replaces its list,
// nor one output another.
#pragma once

#include <QString>

#include "platform/FileStore.h"

namespace dtu {

// Whether `a` and `b` name one file: the same file (through links, "./",
// hard links), or, for a file not there yet, the same name in one folder
// (in any case).
bool SameFile(platform::FileStore& files, const QString& a, const QString& b);

}  // namespace dtu
