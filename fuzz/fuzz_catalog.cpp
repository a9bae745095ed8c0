// SPDX-License-Identifier: MIT
// Catalog validation over arbitrary bytes; whatever it accepts is written out
// again and must read back to the same messages.
#include <cstddef>
#include <cstdint>

#include "core/i18n/MoCatalog.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  (void)dtu::HasMoMagic(bytes);
  const auto catalog = dtu::ParseMoCatalog(bytes);
  if (!catalog) return 0;
  if (catalog->header) (void)dtu::DeclaresUtf8(*catalog->header);
  for (const auto& m : catalog->messages)
    if (!catalog->find(m.key())) __builtin_trap();
  const auto again = dtu::ParseMoCatalog(dtu::WriteMoCatalog(*catalog));
  if (!again || again->messages.size() != catalog->messages.size()) __builtin_trap();
  for (std::size_t i = 0; i < again->messages.size(); ++i)
    if (again->messages[i].original != catalog->messages[i].original ||
        again->messages[i].translation != catalog->messages[i].translation)
      __builtin_trap();
  return 0;
}
