// SPDX-License-Identifier: MIT
// A list file read and decoded to text, or why it cannot be.
#pragma once

#include <QByteArray>
#include <QString>

#include "core/config/AnsiCodec.h"

namespace dtu {

enum class BatchFileError { None, CannotOpen, TooLarge, Binary, Utf16, UnknownCharset, NoRows };

struct BatchText {
  QString text;
  BatchFileError error = BatchFileError::None;
  QString detail;  // the system's reason for CannotOpen
};

// Refuses binary data and UTF-16; takes UTF-8 (a BOM is dropped) and
// otherwise the 8-bit charset of `codec`.
BatchText DecodeBatchBytes(const QByteArray& bytes, const AnsiCodec& codec);
// Reads at most one byte more than the file limit, so a huge file or an
// endless device costs no more than that.
BatchText ReadBatchFile(const QString& path, const AnsiCodec& codec);

}  // namespace dtu
