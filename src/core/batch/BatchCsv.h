// SPDX-License-Identifier: MIT
// A composed list as CSV, for a file or standard output.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "core/batch/BatchList.h"
#include "core/batch/BatchWriter.h"

namespace dtu {

// The rows that composed, as UTF-8 CSV with CRLF line ends and a header.
// `check` gives the SMS check column for a command. A cell a spreadsheet
// would take for a formula gets a leading "'".
QByteArray BatchCsv(const BatchList& list, const std::function<QString(const QString&)>& check);

// UTF-8 CSV with a byte-order mark, CRLF line ends and a header; the last
// column checks the SMS.
class CsvBatchWriter final : public BatchWriter {
 public:
  const char* format() const override { return "csv"; }
  Expected<QByteArray> render(const ComposedBatch& batch) const override;
};

}  // namespace dtu
