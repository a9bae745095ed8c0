// SPDX-License-Identifier: MIT
#include "core/i18n/MoCatalog.h"

#include <QList>
#include <algorithm>
#include <cstdint>

namespace dtu {

namespace {

constexpr std::uint64_t kHeaderSize = 28;

std::uint32_t ReadU32(const QByteArray& bytes, std::uint64_t at, bool bigEndian) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData()) + at;
  return bigEndian ? (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3]
                   : (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
}

void AppendU32(QByteArray& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

bool KeyLess(const MoMessage& a, const MoMessage& b) { return a.key() < b.key(); }

}  // namespace

QByteArray MoMessage::key() const {
  const qsizetype nul = original.indexOf('\0');
  return nul < 0 ? original : original.left(nul);
}

const QByteArray* MoCatalog::find(const QByteArray& id) const {
  const auto it = std::lower_bound(messages.begin(), messages.end(), id,
                                   [](const MoMessage& m, const QByteArray& k) { return m.key() < k; });
  if (it == messages.end() || it->key() != id) return nullptr;
  return &it->translation;
}

bool HasMoMagic(const QByteArray& bytes) {
  if (bytes.size() < 4) return false;
  return ReadU32(bytes, 0, false) == kMoMagic || ReadU32(bytes, 0, true) == kMoMagic;
}

std::optional<MoCatalog> ParseMoCatalog(const QByteArray& bytes) {
  const auto size = static_cast<std::uint64_t>(bytes.size());
  if (size < kHeaderSize || size > static_cast<std::uint64_t>(kMaxCatalogSize)) return std::nullopt;
  bool bigEndian = false;
  if (ReadU32(bytes, 0, false) != kMoMagic) {
    if (ReadU32(bytes, 0, true) != kMoMagic) return std::nullopt;
    bigEndian = true;
  }
  if ((ReadU32(bytes, 4, bigEndian) >> 16) != 0) return std::nullopt;  // major revision 0 only
  const std::uint64_t count = ReadU32(bytes, 8, bigEndian);
  const std::uint64_t originals = ReadU32(bytes, 12, bigEndian);
  const std::uint64_t translations = ReadU32(bytes, 16, bigEndian);
  // 64-bit arithmetic: none of these sums can wrap.
  if (originals + count * 8 > size || translations + count * 8 > size) return std::nullopt;

  const auto stringAt = [&](std::uint64_t table, std::uint64_t index) -> std::optional<QByteArray> {
    const std::uint64_t length = ReadU32(bytes, table + index * 8, bigEndian);
    const std::uint64_t offset = ReadU32(bytes, table + index * 8 + 4, bigEndian);
    // Strings end in a NUL, which libintl relies on; a file cut anywhere
    // inside its strings fails here.
    if (offset >= size || length > size - offset - 1 || bytes[static_cast<qsizetype>(offset + length)] != '\0')
      return std::nullopt;
    return QByteArray(bytes.constData() + offset, static_cast<qsizetype>(length));
  };

  MoCatalog catalog;
  catalog.messages.reserve(static_cast<std::size_t>(count));
  for (std::uint64_t i = 0; i < count; ++i) {
    auto original = stringAt(originals, i);
    auto translation = stringAt(translations, i);
    if (!original || !translation) return std::nullopt;
    MoMessage message{std::move(*original), std::move(*translation)};
    if (message.key().isEmpty()) {
      if (!catalog.header) catalog.header = message.translation;
      continue;
    }
    // msgfmt leaves untranslated entries out; a hand-made file may not.
    if (message.translation.isEmpty() || message.translation[0] == '\0') continue;
    catalog.messages.push_back(std::move(message));
  }
  // msgfmt writes the ids sorted, but a hand-made file need not be; the
  // binary search needs them sorted and unique (the first one wins).
  std::stable_sort(catalog.messages.begin(), catalog.messages.end(), KeyLess);
  catalog.messages.erase(std::unique(catalog.messages.begin(), catalog.messages.end(),
                                     [](const MoMessage& a, const MoMessage& b) { return a.key() == b.key(); }),
                         catalog.messages.end());
  return catalog;
}

bool DeclaresUtf8(const QByteArray& header) {
  for (const QByteArray& line : header.split('\n')) {
    const qsizetype colon = line.indexOf(':');
    if (colon < 0 || line.left(colon).trimmed().toLower() != "content-type") continue;
    return line.mid(colon + 1).toUpper().contains("CHARSET=UTF-8");
  }
  return false;
}

QByteArray WriteMoCatalog(const MoCatalog& catalog) {
  static const QByteArray kHeader = "Content-Type: text/plain; charset=UTF-8\n";
  std::vector<std::pair<QByteArray, QByteArray>> entries;
  entries.reserve(catalog.messages.size() + 1);
  entries.emplace_back(QByteArray(), kHeader);
  for (const MoMessage& m : catalog.messages) entries.emplace_back(m.original, m.translation);

  const auto count = static_cast<std::uint32_t>(entries.size());
  const std::uint32_t originals = kHeaderSize;
  const std::uint32_t translations = originals + count * 8;
  std::uint32_t next = translations + count * 8;

  QByteArray out;
  AppendU32(out, kMoMagic);
  AppendU32(out, 0);
  AppendU32(out, count);
  AppendU32(out, originals);
  AppendU32(out, translations);
  AppendU32(out, 0);  // no hash table
  AppendU32(out, next);
  QByteArray strings;
  const auto describe = [&](const QByteArray& text) {
    AppendU32(out, static_cast<std::uint32_t>(text.size()));
    AppendU32(out, next);
    strings.append(text).append('\0');
    next += static_cast<std::uint32_t>(text.size()) + 1;
  };
  for (const auto& e : entries) describe(e.first);
  for (const auto& e : entries) describe(e.second);
  out.append(strings);
  return out;
}

}  // namespace dtu
