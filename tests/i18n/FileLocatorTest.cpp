// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QBuffer>
#include <QProcess>

#include "I18nTestSupport.h"
#include "i18n/FileLocator.h"

namespace dtu {
namespace {

using namespace dtu::testing;

QStringList Names(const FileLocator& locator) {
  QStringList names;
  for (const auto& e : locator.Entries()) names << e.name;
  return names;
}

std::vector<FileLocator::Entry> ReadFrom(const QByteArray& bytes, std::uint64_t offset) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  return FileLocator::ReadTable(buffer, offset);
}

TEST(FileLocator, ReadsTheTableAndFindsNamesWithoutRegardToCase) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString exe = dir.path() + QStringLiteral("/dtusms");
  auto [bytes, table] = BuildExecutable(QByteArray(1000, 'x'), {{"locale\\zh_tw\\LC_MESSAGES\\default.mo", "TW"},
                                                                 {" \tlocale\\en\\LC_MESSAGES\\default.mo\t", "EN"},
                                                                 {"locale\\zh_cn\\LC_MESSAGES\\default.mo", "CN!"}});
  ASSERT_TRUE(WriteBytes(exe, bytes));
  const FileLocator locator(exe, table);

  EXPECT_EQ(locator.BaseDirectory(), dir.path() + QLatin1Char('/'));
  EXPECT_EQ(Names(locator), (QStringList{QStringLiteral("locale\\en\\LC_MESSAGES\\default.mo"),
                                         QStringLiteral("locale\\zh_cn\\LC_MESSAGES\\default.mo"),
                                         QStringLiteral("locale\\zh_tw\\LC_MESSAGES\\default.mo")}));
  for (const QString& path : {dir.path() + QStringLiteral("/locale/zh_CN/LC_MESSAGES/default.mo"),
                              QStringLiteral("LOCALE\\ZH_CN\\lc_messages\\DEFAULT.MO")}) {
    const auto info = locator.Find(path);
    ASSERT_TRUE(info) << path.toStdString();
    EXPECT_EQ(bytes.mid(static_cast<qsizetype>(info->offset), static_cast<qsizetype>(info->size)), "CN!");
  }
  EXPECT_FALSE(locator.IsAppended(dir.path() + QStringLiteral("/locale/zh/LC_MESSAGES/default.mo")));
  EXPECT_FALSE(locator.IsAppended(QStringLiteral("/elsewhere/locale/zh_cn/LC_MESSAGES/default.mo")));
  EXPECT_TRUE(FileLocator(exe, 0).Entries().empty());
}

// Tables a damaged or hostile file may hold: the reading stops at the damage
// and keeps what it read before.
TEST(FileLocator, DamagedTablesEndTheReadingWithTheEntriesReadSoFar) {
  const auto entry = [](QByteArray& out, std::uint64_t next, std::uint64_t offset, std::uint64_t size,
                        const QByteArray& name) {
    PutU64(out, next);
    PutU64(out, offset);
    PutU64(out, size);
    out.append(name);
  };
  const QByteArray image(512, 'i');  // the table starts at 512; files at 0..9
  const auto build = [&](auto&& fill) {
    QByteArray out = image;
    fill(out);
    return out;
  };
  const struct {
    const char* what;
    QByteArray bytes;
    std::uint64_t offset;
    QStringList names;
  } cases[] = {
      {"loop back to the first entry",
       build([&](QByteArray& o) { entry(o, 512 + 32, 0, 4, "AAAAAAAA"), entry(o, 512, 4, 4, "BBBBBBBB"); }), 512,
       {"AAAAAAAA"}},
      {"entry pointing at itself", build([&](QByteArray& o) { entry(o, 512, 0, 4, "AAAAAAAA"); }), 512, {}},
      {"next entry past the end", build([&](QByteArray& o) { entry(o, 1 << 20, 0, 4, "AAAAAAAA"); }), 512, {}},
      {"next entry leaves no room for its own offset",
       build([&](QByteArray& o) { entry(o, 512 + 32, 0, 4, "AAAAAAAA"), o.append("1234"); }), 512, {}},
      {"table offset past the end", build([&](QByteArray& o) { PutU64(o, 0); }), 1 << 20, {}},
      {"table offset in the last 7 bytes", build([&](QByteArray& o) { PutU64(o, 0); }), 512 + 4, {}},
      {"zero table offset",
       build([&](QByteArray& o) { entry(o, 512 + 32, 0, 4, "AAAAAAAA"), PutU64(o, 0); }), 0, {}},
      {"file bytes outside the file",
       build([&](QByteArray& o) {
         entry(o, 512 + 32, 0, 4, "AAAAAAAA"), entry(o, 512 + 64, 100, ~std::uint64_t{0} - 50, "BBBBBBBB"),
             PutU64(o, 0);
       }),
       512, {"AAAAAAAA"}},
      {"duplicate names: the first wins",
       build([&](QByteArray& o) {
         entry(o, 512 + 32, 0, 4, "dup     "), entry(o, 512 + 64, 4, 4, "  DUP   "), PutU64(o, 0);
       }),
       512, {"dup"}},
      {"name field too long",
       build([&](QByteArray& o) {
         entry(o, 512 + 24 + 5000, 0, 4, QByteArray(5000, 'n')), PutU64(o, 0);
       }),
       512, {}},
      {"blank names are skipped",
       build([&](QByteArray& o) {
         entry(o, 512 + 32, 0, 4, "        "), entry(o, 512 + 64, 4, 4, "BBBBBBBB"), PutU64(o, 0);
       }),
       512, {"BBBBBBBB"}},
  };
  for (const auto& c : cases) {
    QStringList names;
    for (const auto& e : ReadFrom(c.bytes, c.offset)) names << e.name;
    EXPECT_EQ(names, c.names) << c.what;
  }

  // Duplicates keep the first entry's bytes.
  const auto dup = ReadFrom(cases[8].bytes, 512);
  ASSERT_EQ(dup.size(), 1u);
  EXPECT_EQ(dup[0].info.offset, 0u);
}

TEST(FileLocator, MoreEntriesThanAllowedStopAtTheCap) {
  QByteArray bytes(256, 'i');
  const std::size_t count = FileLocator::kMaxEntries + 50;
  for (std::size_t i = 0; i < count; ++i) {
    PutU64(bytes, 256 + 32 * (i + 1));
    PutU64(bytes, 0);
    PutU64(bytes, 1);
    bytes.append(QByteArray::number(static_cast<qulonglong>(i)).rightJustified(8, '0'));
  }
  PutU64(bytes, 0);
  EXPECT_EQ(ReadFrom(bytes, 256).size(), FileLocator::kMaxEntries);
}

// The build step, run on a stand-in executable holding the marker.
class AppendTool : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    exe_ = dir_.path() + QStringLiteral("/app");
    image_ = QByteArray(300, 'a') + kAppendedTableMarkerText + QByteArray(8, '\0') + QByteArray(77, 'z');
    ASSERT_TRUE(WriteBytes(dir_.path() + QStringLiteral("/one.mo"), "first catalog"));
    ASSERT_TRUE(WriteBytes(dir_.path() + QStringLiteral("/two.mo"), QByteArray(300, 't')));
  }
  int Run() {
    QProcess tool;
    tool.start(QStringLiteral(DTU_APPEND_TOOL),
               {exe_, QStringLiteral("en=") + dir_.path() + QStringLiteral("/one.mo"),
                QStringLiteral("zh_cn=") + dir_.path() + QStringLiteral("/two.mo")});
    if (!tool.waitForFinished(30000)) {
      tool.kill();
      tool.waitForFinished(5000);
      return -1;
    }
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
  }
  QTemporaryDir dir_;
  QString exe_;
  QByteArray image_;
};

TEST_F(AppendTool, AppendsOnceAndPatchesTheOffsetAfterTheMarker) {
  ASSERT_TRUE(WriteBytes(exe_, image_));
  ASSERT_EQ(Run(), 0);
  const QByteArray once = ReadBytes(exe_);
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(ReadBytes(exe_), once) << "a second run must replace the first append, not add to it";

  const qsizetype slot = once.indexOf(kAppendedTableMarkerText) + 36;
  std::uint64_t table = 0;
  for (int i = 7; i >= 0; --i) table = (table << 8) | static_cast<unsigned char>(once[slot + i]);
  EXPECT_EQ(table % 256, 0u);
  EXPECT_EQ(table, static_cast<std::uint64_t>(once.size()) - 8 - 2 * 256);
  EXPECT_EQ(once.right(8), QByteArray(8, '\0'));
  EXPECT_EQ(once.left(slot), image_.left(slot));

  const FileLocator locator(exe_, table);
  ASSERT_EQ(locator.Entries().size(), 2u);
  const auto en = locator.Find(QStringLiteral("locale/en/LC_MESSAGES/default.mo"));
  const auto cn = locator.Find(QStringLiteral("locale/zh_cn/LC_MESSAGES/default.mo"));
  ASSERT_TRUE(en && cn);
  EXPECT_EQ(en->offset, static_cast<std::uint64_t>(image_.size()));  // right after the image, en first
  EXPECT_EQ(once.mid(static_cast<qsizetype>(en->offset), static_cast<qsizetype>(en->size)), "first catalog");
  EXPECT_EQ(once.mid(static_cast<qsizetype>(cn->offset), static_cast<qsizetype>(cn->size)), QByteArray(300, 't'));
}

TEST_F(AppendTool, FailsWithoutChangingTheFileUnlessTheMarkerOccursExactlyOnce) {
  for (const QByteArray& bad : {QByteArray(500, 'a'), image_ + image_}) {
    ASSERT_TRUE(WriteBytes(exe_, bad));
    EXPECT_NE(Run(), 0);
    EXPECT_EQ(ReadBytes(exe_), bad);
  }
}

// The real program, as the build left it.
TEST(AppendedExecutable, CarriesTheThreeCatalogsInOrder) {
  const QByteArray exe = ReadBytes(QStringLiteral(DTU_APP_EXECUTABLE));
  ASSERT_FALSE(exe.isEmpty());
  const qsizetype marker = exe.indexOf(kAppendedTableMarkerText);
  ASSERT_GE(marker, 0);
  EXPECT_EQ(exe.indexOf(kAppendedTableMarkerText, marker + 1), -1);
  std::uint64_t table = 0;
  for (int i = 7; i >= 0; --i) table = (table << 8) | static_cast<unsigned char>(exe[marker + 36 + i]);
  ASSERT_NE(table, 0u);

  const FileLocator locator(QStringLiteral(DTU_APP_EXECUTABLE), table);
  std::vector<std::uint64_t> offsets;
  for (const char* code : {"en", "zh_cn", "zh_tw"}) {
    const auto info = locator.Find(QStringLiteral("locale\\%1\\LC_MESSAGES\\default.mo").arg(QLatin1String(code)));
    ASSERT_TRUE(info) << code;
    EXPECT_EQ(exe.mid(static_cast<qsizetype>(info->offset), static_cast<qsizetype>(info->size)), RealCatalog(code))
        << code;
    offsets.push_back(info->offset);
  }
  EXPECT_TRUE(std::is_sorted(offsets.begin(), offsets.end()));
}

}  // namespace
}  // namespace dtu
