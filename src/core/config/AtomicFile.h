// SPDX-License-Identifier: MIT
// Whole-file writes for what the user saves (CSV lists, QR images, sheets).
#pragma once

#include <QByteArray>
#include <QString>

#include "core/Expected.h"

namespace dtu {

// Replaces `path` only once everything is written; on failure the old file
// (or none) stays. The failure reads "Cannot write the file: <cause>", with
// the system's cause as its detail.
Status WriteFileAtomically(const QString& path, const QByteArray& bytes);

// The failure of a write whose system cause is `cause`.
Failure FileWriteFailure(const QString& cause);

}  // namespace dtu
