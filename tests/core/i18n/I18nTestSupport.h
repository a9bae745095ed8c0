// SPDX-License-Identifier: MIT
// Catalogs written byte by byte (apart from the program's own writer),
// executables with an appended table, the compiled catalogs.
#pragma once

#include <QTemporaryDir>
#include <cstdint>
#include <map>
#include <vector>

#include "support/TestSupport.h"

namespace dtu::testing {

inline void PutUInt(QByteArray& out, std::uint64_t v, int bytes, bool bigEndian = false) {
  for (int i = 0; i < bytes; ++i) out.append(static_cast<char>(v >> 8 * (bigEndian ? bytes - 1 - i : i)));
}

// A revision 0 catalog; `messages` must be sorted by id.
inline QByteArray BuildMo(std::vector<std::pair<QByteArray, QByteArray>> messages, bool bigEndian = false,
                          const QByteArray& header = "Content-Type: text/plain; charset=UTF-8\n") {
  messages.insert(messages.begin(), {QByteArray(), header});
  const std::uint64_t n = messages.size(), strings = 28 + 16 * n;
  QByteArray out, text;
  for (std::uint64_t v : std::initializer_list<std::uint64_t>{0x950412DE, 0, n, 28, 28 + 8 * n, 0, strings})
    PutUInt(out, v, 4, bigEndian);
  for (auto side : {&std::pair<QByteArray, QByteArray>::first, &std::pair<QByteArray, QByteArray>::second}) {
    for (const auto& m : messages) {
      for (qsizetype v : {(m.*side).size(), qsizetype(strings) + text.size()}) PutUInt(out, v, 4, bigEndian);
      text.append(m.*side).append('\0');
    }
  }
  return out + text;
}

// One table entry: where the next entry starts, the file's bytes, its name.
inline void PutEntry(QByteArray& out, std::uint64_t next, qsizetype offset, qsizetype size, const QByteArray& name) {
  for (std::uint64_t v : {next, std::uint64_t(offset), std::uint64_t(size)}) PutUInt(out, v, 8);
  out.append(name);
}

// An "executable": `image`, the table of 256-byte entries, the catalogs.
// Returns the bytes and the table offset.
inline std::pair<QByteArray, std::uint64_t> BuildExecutable(const QByteArray& image,
                                                            const std::map<QString, QByteArray>& catalogs) {
  QByteArray out = image, files;
  const qsizetype filesAt = image.size() + 256 * qsizetype(catalogs.size()) + 8;
  for (const auto& [code, content] : catalogs) {
    PutEntry(out, std::uint64_t(out.size() + 256), filesAt + files.size(), content.size(),
             ("locale\\" + code + "\\LC_MESSAGES\\default.mo").toLatin1().leftJustified(232, ' '));
    files.append(content);
  }
  PutUInt(out, 0, 8);
  return {out + files, std::uint64_t(image.size())};
}

// clang-format off
inline QString CatalogIn(const QString& dir, const QString& code) {
  return QDir::toNativeSeparators(dir + "/locale/" + code + "/LC_MESSAGES/default.mo");
}
// clang-format on
inline QByteArray RealCatalog(const char* code) { return ReadBytes(QString(DTU_CATALOG_DIR "/%1.mo").arg(code)); }

}  // namespace dtu::testing
