// SPDX-License-Identifier: MIT
#include "render/BatchWriters.h"

#include "render/QrSheet.h"
#include "core/batch/BatchCsv.h"

namespace dtu {

const BatchWriter* FindBatchWriter(std::string_view format) {
  static const CsvBatchWriter csv;
  static const QrSheetWriter sheet;
  for (const BatchWriter* writer : {static_cast<const BatchWriter*>(&csv), static_cast<const BatchWriter*>(&sheet)})
    if (format == writer->format()) return writer;
  return nullptr;
}

}  // namespace dtu
