// SPDX-License-Identifier: MIT
// The printable sheet of a batch: a PDF of A4 pages with one QR code per
// composed row, each an "SMSTO:" link with the DTU number and the SMS text
// printed under it, large enough for a phone's camera to read from paper.
#pragma once

#include <QString>
#include <functional>

#include "core/batch/BatchWriter.h"

class QIODevice;

namespace dtu {

// Codes are this wide with their quiet zone, so the symbol itself is at least
// 29 mm at any version.
inline constexpr double kQrSheetCodeMm = 40.0;
inline constexpr int kQrSheetColumns = 3;
inline constexpr int kQrSheetRows = 4;

// The pages of the rows that composed; false when the device took no PDF or
// `progress` (called after each page) returned false.
using SheetProgress = std::function<bool(int page, int pages)>;
bool PaintQrSheet(const BatchList& list, QIODevice& device, const SheetProgress& progress = {});

// The sheet as a batch output format ("pdf").
class QrSheetWriter final : public BatchWriter {
 public:
  const char* format() const override { return "pdf"; }
  Expected<QByteArray> render(const ComposedBatch& batch) const override;
};

}  // namespace dtu
