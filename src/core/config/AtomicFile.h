// SPDX-License-Identifier: MIT
// Whole-file writes for what the user saves (CSV lists, QR images, sheets).
#pragma once

#include <QByteArray>
#include <QString>

namespace dtu {

// Replaces `path` only once everything is written; on failure the old file
// (or none) stays and `error` (if given) holds the reason.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error);

}  // namespace dtu
