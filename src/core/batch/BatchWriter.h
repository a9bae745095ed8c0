// SPDX-License-Identifier: MIT
// The batch pipeline: a list text is parsed and composed once, then handed
// to the output formats through one interface. The command line and the
// batch dialog share every step; a new format is one writer and one line in
// the program's list of writers.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "core/Expected.h"
#include "core/batch/BatchList.h"
#include "core/sms/SmsComposer.h"

namespace dtu {

// A composed list and the fields it was composed with.
struct ComposedBatch {
  const BatchList& list;
  const SmsCommandInputs& base;
  // Called by a long writer as it goes (done of total); false stops it.
  std::function<bool(int done, int total)> progress = {};
};

class BatchWriter {
 public:
  virtual ~BatchWriter() = default;
  // The format's name: the command line's option ("--csv") and the file's suffix.
  virtual const char* format() const = 0;
  // The file's bytes for the rows that composed.
  virtual Expected<QByteArray> render(const ComposedBatch& batch) const = 0;
};

// Renders and replaces `path` only once everything is written; on failure
// the old file (or none) stays.
Status WriteBatchFile(const BatchWriter& writer, const ComposedBatch& batch, const QString& path);

}  // namespace dtu
