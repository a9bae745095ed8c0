// SPDX-License-Identifier: MIT
// The catalog chain: the appended-file table, the localizer and its private
// folders, message formatting, and the translation of a window's texts.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QtWidgets>
#include <clocale>
#include <tuple>

#include "I18nTestSupport.h"
#include "core/i18n/FileLocator.h"
#include "core/i18n/Format.h"
#include "core/i18n/Localizer.h"
#ifndef _WIN32
#include "platform/posix/LibintlCatalogs.h"
#include "platform/posix/PosixProcess.h"
#endif
#include "ui/LanguageSelection.h"
#include "ui/WindowTranslator.h"

namespace dtu {
namespace {

using namespace dtu::testing;
using Catalogs = std::map<QString, QByteArray>;

QByteArray Marked(const QByteArray& marker) { return BuildMo({{"Port", marker}}); }

// A localizer for a program in `dir` whose executable carries `appended`,
// with `onDisk` beside it, switched to `code` (empty: the system's language).
std::unique_ptr<Localizer> Start(const QTemporaryDir& dir, const Catalogs& appended, const Catalogs& onDisk,
                                 const QString& code, platform::MessageCatalogs* catalogs = TestPlatform().catalogs) {
  const auto [bytes, table] = BuildExecutable(QByteArray(700, 'x'), appended);
  EXPECT_TRUE(dir.isValid() && WriteBytes(dir.filePath("dtusms"), bytes));
  for (const auto& [c, mo] : onDisk) EXPECT_TRUE(WriteBytes(CatalogIn(dir.path(), c), mo));
  auto localizer = std::make_unique<Localizer>(TestPlatform().locale, catalogs,
                                               QDir::toNativeSeparators(dir.filePath("dtusms")), table);
  localizer->SetCurrentLanguage(code);
  return localizer;
}

// These two read the language from the locale environment and hand catalogs
// to libintl: POSIX only (Windows asks GetUserDefaultLangID, and has no libintl).
#ifndef _WIN32
TEST(Localizer, FindsCatalogsInTheRightOrder) {
  // clang-format off
  const struct { const char* what; Catalogs appended, onDisk; const char *lang, *lcAll; QString code, expectedCode, opened, port; } cases[] = {
      {"appended before disk for the same path", {{"zh_cn", Marked("A")}}, {{"zh_cn", Marked("D")}}, {}, {}, "zh_cn", "zh_cn", "zh_cn", "A"},
      {"disk catalog of the full code before an appended two-letter one", {{"zh", Marked("A")}}, {{"zh_CN", Marked("D")}}, {}, {}, "zh_CN", "zh_CN", "zh_CN", "D"},
      {"LANG with codeset, before LC_ALL", {{"zh_tw", Marked("T")}}, {}, "zh_TW.UTF-8", "de_DE.UTF-8", "", "zh_TW", "zh_TW", "T"},
      {"LANG without codeset", {{"zh_tw", Marked("T")}}, {}, "zh_TW", {}, "", "zh_TW", "zh_TW", "T"},
      {"no LANG: LC_ALL", {{"zh_cn", Marked("A")}}, {}, {}, "zh_CN.GB18030", "", "zh_CN", "zh_CN", "A"},
      {"en_US: the header-only en", {{"en", BuildMo({})}, {"zh_cn", Marked("A")}}, {}, "en_US.UTF-8", {}, "", "en_US", "en", "Port"},
      {"zh_HK: none", {{"zh_cn", Marked("A")}, {"zh_tw", Marked("T")}}, {}, "zh_HK.UTF-8", {}, "", "zh_HK", "", "Port"},
      {"big-endian", {{"zh_cn", BuildMo({{"Port", "B"}}, true)}}, {}, {}, {}, "zh_cn", "zh_cn", "zh_cn", "B"},
      {"German on disk", {{"zh_cn", Marked("A")}}, {{"de", Marked("G")}}, "de_DE.UTF-8", {}, "", "de_DE", "de", "G"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EnvGuard env{{"LANG", c.lang}, {"LC_ALL", c.lcAll}};
    QTemporaryDir dir;
    const auto localizer = Start(dir, c.appended, c.onDisk, c.code);
    EXPECT_EQ(localizer->currentLanguageCode(), c.expectedCode);
    EXPECT_EQ(localizer->Translate("Port"), c.port);
    EXPECT_EQ(localizer->Translate("No such message"), "No such message");
    EXPECT_EQ(localizer->openCatalogPath(), c.opened.isEmpty() ? "" : CatalogIn(dir.path(), c.opened));
    // libintl itself answers, also once LC_MESSAGES is C again, as Qt or anyone may set it.
    EXPECT_EQ(localizer->activeBackend(), c.opened.isEmpty() ? Localizer::Backend::None : Localizer::Backend::System);
    std::setlocale(LC_MESSAGES, "C");
    EXPECT_EQ(localizer->Translate("Port"), c.port);
  }
}

// libintl reads a private copy (0600, a new folder for each catalog); where it
// cannot serve (no private folder), or on a system without it, the own
// look-up answers.
TEST(Localizer, SystemLookUpAndItsFallbacks) {
  QTemporaryDir dir, tmp;
  // As TMPDIR, no folder can be made in a file, even by root, nor in a folder that does not exist.
  ASSERT_TRUE(WriteBytes(tmp.filePath("file"), "x"));
  // clang-format off
  const struct { QString tmpdir; bool libintl; Localizer::Backend backend; } cases[] = {
      {tmp.path(), true, Localizer::Backend::System}, {tmp.filePath("file"), true, Localizer::Backend::Builtin},
      {tmp.filePath("missing"), true, Localizer::Backend::Builtin}, {tmp.path(), false, Localizer::Backend::Builtin}};
  // clang-format on
  for (const auto& c : cases) {
    EnvGuard env{{"TMPDIR", QFile::encodeName(c.tmpdir).constData()}};
    platform::PosixProcess process;
    platform::LibintlCatalogs libintl(process);
    const auto localizer =
        Start(dir, {{"zh_cn", Marked("A")}, {"zh_tw", Marked("T")}}, {}, "", c.libintl ? &libintl : nullptr);
    for (const auto& [code, port] : {std::pair{"zh_cn", "A"}, {"zh_tw", "T"}}) {
      localizer->SetCurrentLanguage(code);
      EXPECT_EQ(localizer->Translate("Port"), port);
      EXPECT_EQ(localizer->activeBackend(), c.backend);
    }
    if (c.backend != Localizer::Backend::System) continue;
    const QDir folder(process.privateFolder().value_or(""));
    EXPECT_EQ(folder.entryList(QDir::NoDotAndDotDot | QDir::Dirs), (QStringList{"1", "2"}));
    EXPECT_EQ(QFile::permissions(folder.filePath("2/dtusms/LC_MESSAGES/default.mo")),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
  }
}
#endif

// A wrong magic number, in either byte order, is an error naming the file. A
// right one in front of damaged tables gives a catalog without translations.
TEST(Localizer, BrokenCatalogs) {
  EnvGuard env{};
  const QByteArray real = RealCatalog("zh_cn");
  // A huge message count (byte 11) or length of the first id (byte 31).
  const auto patched = [&](int at) { return QByteArray(real).replace(at, 1, "\x7f"); };
  // clang-format off
  const struct { QByteArray bytes; bool appended, badMagic; } cases[] = {
      {"\xdf" + real.mid(1), false, true}, {"\x95\x04\x12\xdf" + BuildMo({}, true).mid(4), true, true}, {"\xde\x12", true, true},
      {real.left(27), false, false}, {real.left(real.size() - 1), true, false}, {patched(11), true, false}, {patched(31), true, false},
      {BuildMo({{"Close", "X"}}).replace(66, 1, "x"), true, false}};  // "Close" not ended by NUL (byte 66)
  // clang-format on
  for (const auto& c : cases) {
    QTemporaryDir dir;
    const Catalogs catalogs{{"zh_cn", c.bytes}};
    const auto localizer = Start(dir, c.appended ? catalogs : Catalogs{}, c.appended ? Catalogs{} : catalogs, "zh_cn");
    if (c.badMagic) {
      try {
        localizer->Translate("Close");
        ADD_FAILURE() << "no AppError";
      } catch (const AppError& error) {
        EXPECT_EQ(error.message(), "This file is not a valid GNU gettext mo file: " + CatalogIn(dir.path(), "zh_cn"));
      }
      localizer->SetCurrentLanguage("zh_cn");  // reported once: the ids are served from then on
    }
    EXPECT_EQ(localizer->Translate("Close"), "Close");
  }
}

// A catalog without UTF-8 turns translation off for good and is reported once.
// Carriage returns are dropped for the look-up and put back before line feeds.
// The catalog is read once per language change.
TEST(Localizer, NonUtf8CarriageReturnsAndReopening) {
  EnvGuard env{};
  QTemporaryDir legacyDir, dir;
  const QByteArray legacy = BuildMo({{"Port", "P"}}, false, "Content-Type: text/plain; charset=GBK\n");
  const auto off = Start(legacyDir, {{"zh_cn", legacy}, {"zh_tw", RealCatalog("zh_tw")}}, {}, "zh_cn");
  EXPECT_EQ(off->Translate("Port"), "Port");
  off->SetCurrentLanguage("zh_tw");
  EXPECT_EQ(off->Translate("Close"), "Close");
  const std::optional<LocalizationProblem> problem = off->takeProblem();
  ASSERT_TRUE(problem);
  EXPECT_FALSE(off->takeProblem());
  EXPECT_EQ(problem->caption, "Localization problem");
  EXPECT_EQ(problem->text, "The translation for the language code zh_cn (in " + CatalogIn(legacyDir.path(), "zh_cn") +
                               ") does not have charset=utf-8 in its Content-Type. Translations are turned off.");

  // A message with plural forms gives its singular.
  const QByteArray plural =
      BuildMo({{QByteArray("File\0Files", 10), QByteArray("F1\0F2", 5)}, {"Port", "first"}, {"a\nb", "x\ny\r\nz"}});
  const auto localizer = Start(dir, {}, {{"zh_cn", plural}}, "zh_cn");
  const QStringList lines{localizer->Translate("a\r\nb"), localizer->Translate("p\nq"), localizer->Translate("Port"),
                          localizer->Translate("File")};
  EXPECT_EQ(lines.join('|'), "x\r\ny\r\nz|p\r\nq|first|F1");
  ASSERT_TRUE(WriteBytes(CatalogIn(dir.path(), "zh_cn"), Marked("second")));
  EXPECT_EQ(localizer->Translate("Port"), "first");
  localizer->SetCurrentLanguage("zh_cn");
  EXPECT_EQ(localizer->Translate("Port"), "second");
#ifndef _WIN32
  // A new copy in the running executable's place: the appended catalogs are still the old copy's.
  const auto swapped = Start(legacyDir, {{"zh_cn", Marked("A")}, {"zh_tw", Marked("T")}}, {}, "zh_cn");
  ASSERT_TRUE(QFile::remove(legacyDir.filePath("dtusms")) &&
              WriteBytes(legacyDir.filePath("dtusms"), QByteArray(4000, 'n')));
  swapped->SetCurrentLanguage("zh_tw");
  EXPECT_EQ(swapped->Translate("Port"), "T");
#endif
}

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
    for (const auto& e : FileLocator::readTable(buffer, c.table)) read << e.name + '@' + QString::number(e.info.offset);
    EXPECT_EQ(read.join(','), c.read) << c.what;
  }
}

TEST(FormatMessage, FillsPlaceholdersInOrderAndNeverReadsMissingValues) {
  const QStringList two{"192.0.2.15", "6000"};
  // clang-format off
  const struct { const char* format; QStringList values; const char* expected; } cases[] = {
      {"With IP =%s, port =%d of server connection is successful!", two, "With IP =192.0.2.15, port =6000 of server connection is successful!"},
      {"%s%s%s%d", two, "192.0.2.156000%s%d"},  // more placeholders than values
      {"%n%x%", two, "%n%x%"}, {"100%% of %d", {"7"}, "100% of 7"},
      {"%s and %d", {"%s", "1"}, "%s and 1"},  // a value holding "%s" is not expanded
  };
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(FormatMessage(QString::fromUtf8(c.format), c.values), QString::fromUtf8(c.expected)) << c.format;
}

TEST(WindowTranslation, TranslatesRecordedTextsOnlyAndLeavesFieldsAlone) {
  EnvGuard env{{"LANG", "en_US.UTF-8"}};
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid() && WriteBytes(CatalogIn(dir.path(), "zh_cn"), RealCatalog("zh_cn")));
  StartLocalizer(TestPlatform(), QDir::toNativeSeparators(dir.filePath("dtusms")), 0);
  SetCurrentLanguage("en");

  // Catalog ids everywhere, so anything wrongly translated shows.
  QWidget window;
  auto* blank = new QLabel(&window);
  auto* button = new QPushButton("Close", &window);
  button->setToolTip("Port");
  auto* list = new QComboBox(&window);
  list->addItems({"Static IP", "", "Other"});
  list->setItemData(2, 42);
  auto* edit = new QLineEdit("Port", &window);
  auto* status = new QStatusBar(&window);
  status->showMessage("Port");
  TranslateComponent(&window);
  blank->setText("Close");  // set afterwards: not a text of the window

  // The same language again rebuilds nothing, so the selection stays.
  for (const auto& [id, selection] : {std::pair{2, -1}, std::pair{2, 2}, std::pair{1, -1}}) {
    list->setCurrentIndex(2);
    ApplyLanguage(&window, id);
    EXPECT_EQ(list->currentIndex(), selection) << id;
    const QStringList translated{button->text(), button->toolTip(), list->itemText(0), list->itemText(1),
                                 list->itemData(2).toString()};
    EXPECT_EQ(translated.join('|'), id == 2 ? "关闭|端口|固定IP||42" : "Close|Port|Static IP||42");
    const QStringList untouched{blank->text(), edit->text(), status->currentMessage()};
    EXPECT_EQ(untouched.join('|'), "Close|Port|Port");
    TranslateComponent(&window);  // again: must not take the Chinese texts for sources
  }
}

}  // namespace
}  // namespace dtu
