// SPDX-License-Identifier: MIT
// GNU MO catalogs: the magic check, a bounded parser that never trusts the
// file's offsets, and a writer for the clean copy that libintl gets to read.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <vector>

namespace dtu {

inline constexpr std::uint32_t kMoMagic = 0x950412DE;
// Catalogs are small; anything larger is treated as damaged rather than read.
inline constexpr qsizetype kMaxCatalogSize = 16 * 1024 * 1024;

struct MoMessage {
  QByteArray original;     // the message id; plural forms follow a NUL
  QByteArray translation;  // likewise
  // The part that look-ups compare: up to the first NUL, as libintl does.
  QByteArray key() const;
};

struct MoCatalog {
  // Sorted by key (bytewise), no two equal keys, without the header entry
  // and without entries whose translation is empty.
  std::vector<MoMessage> messages;
  std::optional<QByteArray> header;  // translation of the empty id

  // The translation of `id`, or null.
  const QByteArray* find(const QByteArray& id) const;
};

// True when the first four bytes are the MO magic number in either byte order.
bool HasMoMagic(const QByteArray& bytes);

// Null for anything that is not a complete, self-consistent revision 0
// catalog: bad magic, unknown revision, truncated tables, descriptors or
// strings outside the file, strings without their closing NUL. Never reads
// outside `bytes`.
std::optional<MoCatalog> ParseMoCatalog(const QByteArray& bytes);

// Whether the header's Content-Type field, upper-cased, holds "CHARSET=UTF-8".
bool DeclaresUtf8(const QByteArray& header);

// A little-endian revision 0 catalog without hash table (look-ups use binary
// search), whose header declares UTF-8 and nothing else.
QByteArray WriteMoCatalog(const MoCatalog& catalog);

}  // namespace dtu
