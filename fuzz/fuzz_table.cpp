// SPDX-License-Identifier: MIT
// The appended-file table reader over arbitrary bytes standing for an
// executable. The first 4 bytes choose the table offset.
#include <QBuffer>
#include <cstddef>
#include <cstdint>

#include "core/i18n/FileLocator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  std::uint64_t offset = 0;
  for (int i = 3; i >= 0; --i) offset = (offset << 8) | data[i];
  QBuffer buffer;
  buffer.setData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  if (!buffer.open(QIODevice::ReadOnly)) return 0;
  const auto entries = dtu::FileLocator::readTable(buffer, offset);
  for (const auto& e : entries) {
    // Whatever the reader accepts must lie inside the file.
    if (e.info.offset > size || e.info.size > size - e.info.offset || e.name.isEmpty()) __builtin_trap();
  }
  for (std::size_t i = 1; i < entries.size(); ++i)
    if (QString::compare(entries[i - 1].name, entries[i].name, Qt::CaseInsensitive) >= 0) __builtin_trap();
  return 0;
}
