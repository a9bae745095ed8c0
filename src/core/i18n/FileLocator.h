// SPDX-License-Identifier: MIT
// The table of files appended behind the program image, and the marker
// through which the program finds it.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/i18n/AppendedTable.h"

class QFile;
class QIODevice;

namespace dtu {

// The 36 marker characters followed by the table offset (64-bit little
// endian). The appending build step patches those 8 bytes in the finished
// executable, so they must stay in the image and must never be folded.
inline constexpr std::size_t kAppendedTableMarkerLength = appended::kMarkerLength;
extern const volatile unsigned char kAppendedTableMarker[kAppendedTableMarkerLength + 8];

// Offset of the first table entry in this executable; 0 when nothing is appended.
std::uint64_t AppendedTableOffset();

struct EmbeddedFileInfo {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};

class FileLocator {
 public:
  struct Entry {
    QString name;  // as in the table: relative, "\" between parts
    EmbeddedFileInfo info;
  };

  // Bounds that keep a damaged table from making the start slow or large.
  static constexpr std::uint64_t kMaxNameLength = 4096;
  static constexpr std::size_t kMaxEntries = 4096;

  FileLocator() = default;
  // Reads the table of `executablePath` at `tableOffset` (0: none). A damaged
  // table ends the reading; the entries read before the damage are kept. The
  // executable stays open, so that its files are read from the bytes the
  // table came from, also after a new copy has been renamed over it.
  FileLocator(const QString& executablePath, std::uint64_t tableOffset);

  // Reads the table from any seekable device; `device` must be open.
  static std::vector<Entry> readTable(QIODevice& device, std::uint64_t tableOffset);

  // The executable's directory with its trailing separator.
  const QString& baseDirectory() const { return baseDirectory_; }
  const QString& executablePath() const { return executablePath_; }
  // Sorted without regard to letter case, no duplicate names.
  const std::vector<Entry>& entries() const { return entries_; }

  // `path` is absolute (starting with the base directory) or relative to it,
  // with "/" or "\" between parts; names compare without regard to case.
  std::optional<EmbeddedFileInfo> find(const QString& path) const;
  bool isAppended(const QString& path) const { return find(path).has_value(); }
  // At most `limit` bytes of an appended file; fewer when the executable could not be read.
  QByteArray read(const EmbeddedFileInfo& info, qint64 limit) const;

 private:
  QString executablePath_;
  QString baseDirectory_;
  std::vector<Entry> entries_;
  std::shared_ptr<QFile> image_;
};

}  // namespace dtu
