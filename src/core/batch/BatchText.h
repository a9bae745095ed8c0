// SPDX-License-Identifier: MIT
// A list file read and decoded to text, or why it cannot be.
#pragma once

#include <QByteArray>
#include <QString>

#include "core/Expected.h"
#include "core/text/AnsiCodec.h"

namespace dtu {

// Refuses binary data and UTF-16; takes UTF-8 (a BOM is dropped) and
// otherwise the 8-bit charset of `codec`.
Expected<QString> DecodeBatchBytes(const QByteArray& bytes, const AnsiCodec& codec);
// Reads at most one byte more than the file limit, so a huge file or an
// endless device costs no more than that. A file that cannot be read fails
// with the system's cause as the detail.
Expected<QString> ReadBatchFile(const QString& path, const AnsiCodec& codec);

}  // namespace dtu
