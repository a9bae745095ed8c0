// SPDX-License-Identifier: MIT
// The appended-file table, the compiled catalogs, and the finished program.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QtEndian>

#include "I18nTestSupport.h"
#include "i18n/FileLocator.h"

namespace dtu {
namespace {

using namespace dtu::testing;

// A damaged or hostile table ends the reading; what was read before stays.
// Lookups through the table are tested with the localizer.
TEST(FileLocator, ReadsTablesUpToTheFirstDamage) {
  // Entries at 512: next, file offset and size, name; `read` is name@offset of each entry kept.
  // clang-format off
  const struct { const char* what; std::vector<std::tuple<std::uint64_t, qsizetype, qsizetype, QByteArray>> entries;
                 std::uint64_t table; QString read; } cases[] = {
      {"good", {{544, 0, 4, "BBBBBBBB"}, {576, 4, 2, " \taaaa  "}}, 512, "aaaa@4,BBBBBBBB@0"},
      {"loop", {{544, 0, 4, "AAAAAAAA"}, {512, 4, 4, "BBBBBBBB"}}, 512, "AAAAAAAA@0"},
      {"next entry past the end", {{1 << 20, 0, 4, "AAAAAAAA"}}, 512, ""},
      {"table offset past the end", {}, 1 << 20, ""},
      {"file past the end", {{544, 0, 4, "AAAAAAAA"}, {576, 100, -50, "BBBBBBBB"}}, 512, "AAAAAAAA@0"},
      {"name too long", {{512 + 24 + 5000, 0, 4, QByteArray(5000, 'n')}}, 512, ""},
      {"duplicates: the first kept", {{544, 0, 4, "dup     "}, {576, 4, 4, "  DUP   "}}, 512, "dup@0"},
      {"zero table offset", {{544, 0, 4, "AAAAAAAA"}}, 0, ""},
  };
  // clang-format on
  for (const auto& c : cases) {
    QByteArray bytes(512, 'i');
    for (const auto& [next, offset, size, name] : c.entries) PutEntry(bytes, next, offset, size, name);
    PutUInt(bytes, 0, 8);
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    QStringList read;
    for (const auto& e : FileLocator::ReadTable(buffer, c.table)) read << e.name + '@' + QString::number(e.info.offset);
    EXPECT_EQ(read.join(','), c.read) << c.what;
  }
}

TEST(AppendedExecutable, CarriesTheThreeCatalogsInOrder) {
  const QByteArray exe = ReadBytes(QStringLiteral(DTU_APP_EXECUTABLE));
  const qsizetype marker = exe.indexOf(appended::kMarkerText);
  ASSERT_GE(marker, 0);
  EXPECT_EQ(exe.indexOf(appended::kMarkerText, marker + 1), -1);
  const FileLocator locator(DTU_APP_EXECUTABLE, qFromLittleEndian<quint64>(exe.constData() + marker + 36));
  std::uint64_t last = 0;
  for (const char* code : {"en", "zh_cn", "zh_tw"}) {
    const auto info = locator.Find(QStringLiteral("locale\\%1\\LC_MESSAGES\\default.mo").arg(QLatin1String(code)));
    ASSERT_TRUE(info) << code;
    EXPECT_EQ(exe.mid(qsizetype(info->offset), qsizetype(info->size)), RealCatalog(code)) << code;
    EXPECT_GT(info->offset, last) << code;
    last = info->offset;
  }
}

}  // namespace
}  // namespace dtu
