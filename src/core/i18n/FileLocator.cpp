// SPDX-License-Identifier: MIT
#include "core/i18n/FileLocator.h"

#include "core/Paths.h"

#include <QFile>
#include <QIODevice>
#include <algorithm>

namespace dtu {

// `used` keeps the definition even though only AppendedTableOffset reads it;
// `volatile` stops the compiler from assuming the 8 zero bytes.
__attribute__((used)) const volatile unsigned char kAppendedTableMarker[kAppendedTableMarkerLength + 8] = {
    '6', '6', '3', '7', 'D', 'B', '2', 'E', '-', '6', '2', 'E', '1', '-', '4', 'A', '6', '0', '-', 'A', 'C', '1',
    '9', '-', 'C', '2', '3', '8', '6', '7', '0', '4', '6', 'A', '8', '9', 0,   0,   0,   0,   0,   0,   0,   0};

std::uint64_t AppendedTableOffset() {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | kAppendedTableMarker[kAppendedTableMarkerLength + i];
  return value;
}

namespace {

bool ReadU64(QIODevice& device, std::uint64_t& value) {
  unsigned char bytes[8];
  if (device.read(reinterpret_cast<char*>(bytes), 8) != 8) return false;
  value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[i];
  return true;
}

bool NameLess(const FileLocator::Entry& a, const FileLocator::Entry& b) {
  return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
}

QString TrimControls(const QByteArray& raw) {
  qsizetype begin = 0;
  qsizetype end = raw.size();
  while (begin < end && static_cast<unsigned char>(raw[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(raw[end - 1]) <= 32) --end;
  return QString::fromLatin1(raw.constData() + begin, end - begin);
}

}  // namespace

std::vector<FileLocator::Entry> FileLocator::readTable(QIODevice& device, std::uint64_t tableOffset) {
  std::vector<Entry> entries;
  const qint64 signedSize = device.size();
  if (tableOffset == 0 || signedSize < 8) return entries;
  const auto size = static_cast<std::uint64_t>(signedSize);

  // Every step moves forward by at least one fixed part, so the loop ends even
  // without the entry cap; the cap bounds memory for huge files.
  std::uint64_t pos = tableOffset;
  while (entries.size() < kMaxEntries && pos <= size - 8) {
    std::uint64_t next = 0, fileOffset = 0, fileSize = 0;
    if (!device.seek(static_cast<qint64>(pos)) || !ReadU64(device, next) || next == 0) break;
    if (pos > size - appended::kFixedPart || next < pos + appended::kFixedPart || next > size - 8) break;
    const std::uint64_t nameLength = next - pos - appended::kFixedPart;
    if (nameLength > kMaxNameLength) break;
    if (!ReadU64(device, fileOffset) || !ReadU64(device, fileSize)) break;
    if (fileOffset > size || fileSize > size - fileOffset) break;
    const QByteArray rawName = device.read(static_cast<qint64>(nameLength));
    if (static_cast<std::uint64_t>(rawName.size()) != nameLength) break;
    QString name = TrimControls(rawName);
    if (!name.isEmpty()) entries.push_back({std::move(name), {fileOffset, fileSize}});
    pos = next;
  }

  // The first of several equal names wins, as the table's own order has it.
  std::stable_sort(entries.begin(), entries.end(), NameLess);
  entries.erase(std::unique(entries.begin(), entries.end(),
                            [](const Entry& a, const Entry& b) { return !NameLess(a, b) && !NameLess(b, a); }),
                entries.end());
  return entries;
}

FileLocator::FileLocator(const QString& executablePath, std::uint64_t tableOffset) : executablePath_(executablePath) {
  baseDirectory_ = executablePath.left(DirectoryPartLength(executablePath));
  if (tableOffset == 0) return;
  auto image = std::make_shared<QFile>(executablePath);
  if (!image->open(QIODevice::ReadOnly)) return;
  entries_ = readTable(*image, tableOffset);
  if (!entries_.empty()) image_ = std::move(image);
}

QByteArray FileLocator::read(const EmbeddedFileInfo& info, qint64 limit) const {
  const auto wanted = static_cast<qint64>(std::min<std::uint64_t>(info.size, static_cast<std::uint64_t>(limit)));
  if (!image_ || !image_->seek(static_cast<qint64>(info.offset))) return {};
  return image_->read(wanted);
}

std::optional<EmbeddedFileInfo> FileLocator::find(const QString& path) const {
  QString rest = path;
  if (!baseDirectory_.isEmpty() && rest.startsWith(baseDirectory_)) rest.remove(0, baseDirectory_.size());
  rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
  const Entry probe{rest, {}};
  const auto it = std::lower_bound(entries_.begin(), entries_.end(), probe, NameLess);
  if (it == entries_.end() || NameLess(probe, *it)) return std::nullopt;
  return it->info;
}

}  // namespace dtu
