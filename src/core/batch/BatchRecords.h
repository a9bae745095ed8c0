// SPDX-License-Identifier: MIT
// A list text split into rows: separator, header row, quoted cells.
#pragma once

#include <QString>

#include "core/batch/BatchList.h"

namespace dtu {

// Splits the records: separator and header detection, RFC 4180 quotes
// (a quoted cell may span lines), blank records skipped. Only a first row of
// column names ("DTU number", "SIM number", the Chinese captions, "DTU",
// "DTU No.", "SIM") is a header; any other first row is data.
BatchList ParseBatchList(const QString& text);

}  // namespace dtu
