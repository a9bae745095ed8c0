// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <libintl.h>

#include <clocale>

#include "AppError.h"
#include "I18nTestSupport.h"
#include "i18n/Format.h"
#include "i18n/LanguageSelection.h"
#include "i18n/Localizer.h"

namespace dtu {
namespace {

using namespace dtu::testing;

QByteArray MarkedCatalog(const QByteArray& marker) { return BuildMo({{"Port", marker}}); }

// A program directory in a temporary folder: an executable carrying
// `appended` catalogs and `onDisk` catalogs beside it.
class ProgramDir {
 public:
  ProgramDir(const std::map<QString, QByteArray>& appended, const std::map<QString, QByteArray>& onDisk) {
    std::vector<AppendedFile> files;
    for (const auto& [code, mo] : appended)
      files.push_back({("locale\\" + code + "\\LC_MESSAGES\\default.mo").toLatin1(), mo});
    auto [bytes, table] = BuildExecutable(QByteArray(700, 'x'), files);
    table_ = files.empty() ? 0 : table;
    exe_ = dir_.path() + QStringLiteral("/dtusms");
    ok_ = dir_.isValid() && WriteBytes(exe_, bytes);
    for (const auto& [code, mo] : onDisk) ok_ = ok_ && WriteBytes(CatalogIn(dir_.path(), code), mo);
  }
  bool ok() const { return ok_; }
  const QString& exe() const { return exe_; }
  QString path() const { return dir_.path(); }
  std::uint64_t table() const { return table_; }

 private:
  QTemporaryDir dir_;
  QString exe_;
  std::uint64_t table_ = 0;
  bool ok_ = false;
};

TEST(Localizer, FindsCatalogsInTheRightOrder) {
  const struct {
    const char* what;
    std::map<QString, QByteArray> appended, onDisk;
    std::optional<std::string> lang, lcAll, lcMessages;
    QString code;  // empty: the system default
    QString expectedCode, expected;
  } cases[] = {
      {"appended before disk for the same path", {{"zh_cn", MarkedCatalog("A")}}, {{"zh_cn", MarkedCatalog("D")}},
       {}, {}, {}, "zh_cn", "zh_cn", "A"},
      {"appended names found whatever the case of the code", {{"zh_cn", MarkedCatalog("A")}}, {}, {}, {}, {},
       "ZH_CN", "ZH_CN", "A"},
      {"disk catalog of the full code before an appended two-letter one", {{"zh", MarkedCatalog("A")}},
       {{"zh_CN", MarkedCatalog("D")}}, {}, {}, {}, "zh_CN", "zh_CN", "D"},
      {"two-letter fallback", {{"zh", MarkedCatalog("A")}}, {}, {}, {}, {}, "zh_HK", "zh_HK", "A"},
      {"LANG with codeset", {{"zh_tw", MarkedCatalog("T")}}, {}, "zh_TW.UTF-8", "de_DE.UTF-8", {}, "", "zh_TW", "T"},
      {"LANG without codeset", {{"zh_tw", MarkedCatalog("T")}}, {}, "zh_TW", {}, {}, "", "zh_TW", "T"},
      {"en_US uses the header-only en catalog", {{"en", BuildMo({})}, {"zh_cn", MarkedCatalog("A")}}, {},
       "en_US.UTF-8", {}, {}, "", "en_US", "Port"},
      {"zh_HK has no catalog", {{"zh_cn", MarkedCatalog("A")}, {"zh_tw", MarkedCatalog("T")}}, {}, "zh_HK.UTF-8",
       {}, {}, "", "zh_HK", "Port"},
      {"German on disk with de_DE", {{"zh_cn", MarkedCatalog("A")}}, {{"de", MarkedCatalog("G")}}, "de_DE.UTF-8", {},
       {}, "", "de_DE", "G"},
      {"no LANG: the user's locale, LC_ALL first", {{"zh_cn", MarkedCatalog("A")}}, {}, {}, "zh_CN.GB18030",
       "de_DE", "", "zh_CN", "A"},
      {"empty LANG counts as unset", {}, {{"de", MarkedCatalog("G")}}, "", {}, "de_AT.UTF-8@euro", "", "de_AT", "G"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EnvGuard env{{"LANG", c.lang}, {"LC_ALL", c.lcAll}, {"LC_MESSAGES", c.lcMessages}};
    ProgramDir program(c.appended, c.onDisk);
    ASSERT_TRUE(program.ok());
    Localizer localizer(program.exe(), program.table());
    localizer.SetCurrentLanguage(c.code);
    EXPECT_EQ(localizer.CurrentLanguageCode(), c.expectedCode);
    EXPECT_EQ(localizer.Translate(QStringLiteral("Port")), c.expected);
    EXPECT_EQ(localizer.Translate(QStringLiteral("No such message")), QStringLiteral("No such message"));
  }
}

TEST(Localizer, EnglishVariantsOpenTheHeaderOnlyCatalogOthersNone) {
  ProgramDir program({{"en", BuildMo({})}, {"zh_cn", MarkedCatalog("A")}}, {});
  ASSERT_TRUE(program.ok());
  for (const char* code : {"en_US", "en_GB", "zh_HK", "zh_SG"}) {
    Localizer localizer(program.exe(), program.table());
    localizer.SetCurrentLanguage(QLatin1String(code));
    EXPECT_EQ(localizer.Translate(QStringLiteral("Port")), QStringLiteral("Port"));
    EXPECT_EQ(localizer.OpenCatalogPath(),
              code[0] == 'e' ? CatalogIn(program.path(), QStringLiteral("en")) : QString()) << code;
  }
}

// libintl answers only while LC_MESSAGES is not C; Qt and anyone else may
// reset the locale at any time.
TEST(Localizer, LooksUpThroughLibintlWhateverTheLocale) {
  EnvGuard env{};
  ProgramDir program({{"zh_cn", RealCatalog("zh_cn")}, {"zh_tw", RealCatalog("zh_tw")}}, {});
  ASSERT_TRUE(program.ok());
  Localizer localizer(program.exe(), program.table());
  const QString port = QStringLiteral("Test server port");
  for (const char* code : {"zh_cn", "zh_tw", "zh_cn"}) {
    for (const char* locale : {"C", "POSIX", ""}) {
      std::setlocale(LC_ALL, locale);
      localizer.SetCurrentLanguage(QLatin1String(code));
      EXPECT_EQ(localizer.Translate(port),
                QString::fromUtf8(std::string_view(code) == "zh_cn" ? "测试服务器端口" : "測試服務器端口"))
          << code << " " << locale;
      ASSERT_EQ(localizer.ActiveBackend(), Localizer::Backend::Libintl);
      // Straight from libintl, not from a copy of ours.
      EXPECT_EQ(QString::fromUtf8(dgettext("default", "Close")),
                QString::fromUtf8(std::string_view(code) == "zh_cn" ? "关闭" : "關閉"));
      std::setlocale(LC_MESSAGES, "C");
      EXPECT_EQ(localizer.Translate(QStringLiteral("Close")),
                QString::fromUtf8(std::string_view(code) == "zh_cn" ? "关闭" : "關閉"));
    }
  }
  std::setlocale(LC_ALL, "");
}

TEST(Localizer, FormatTextOfThePortTestInSimplifiedChinese) {
  EnvGuard env{};
  ProgramDir program({{"zh_cn", RealCatalog("zh_cn")}}, {});
  ASSERT_TRUE(program.ok());
  Localizer localizer(program.exe(), program.table());
  localizer.SetCurrentLanguage(QStringLiteral("zh_cn"));
  EXPECT_EQ(FormatMessage(localizer.Translate(QStringLiteral(
                              "With IP =%s, port =%d of server connection is successful!")),
                          {QStringLiteral("192.0.2.15"), QStringLiteral("6000")}),
            QString::fromUtf8("与IP=192.0.2.15，端口=6000的服务器连接成功！"));
}

TEST(Localizer, BadMagicInEitherByteOrderIsAnErrorNamingThePath) {
  EnvGuard env{};
  const QByteArray good = MarkedCatalog("A");
  const QByteArray bigEndian = BuildMo({{"Port", "B"}}, true);
  ASSERT_EQ(bigEndian.left(4), QByteArray("\x95\x04\x12\xde"));
  // Big-endian catalogs are as good as little-endian ones.
  {
    ProgramDir program({}, {{"zh_cn", bigEndian}});
    Localizer localizer(program.exe(), program.table());
    localizer.SetCurrentLanguage(QStringLiteral("zh_cn"));
    EXPECT_EQ(localizer.Translate(QStringLiteral("Port")), QStringLiteral("B"));
  }
  for (const QByteArray& bad : {QByteArray("\x95\x04\x12\xdf") + good.mid(4), QByteArray("\xde\x12"),
                                QByteArray("not a catalog at all")}) {
    for (bool appended : {false, true}) {
      ProgramDir program(appended ? std::map<QString, QByteArray>{{"zh_cn", bad}} : std::map<QString, QByteArray>{},
                         appended ? std::map<QString, QByteArray>{} : std::map<QString, QByteArray>{{"zh_cn", bad}});
      ASSERT_TRUE(program.ok());
      Localizer localizer(program.exe(), program.table());
      localizer.SetCurrentLanguage(QStringLiteral("zh_cn"));
      try {
        localizer.Translate(QStringLiteral("Port"));
        ADD_FAILURE() << "no error for " << bad.toHex().toStdString();
      } catch (const AppError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("This file is not a valid GNU gettext mo file: ") +
                                   CatalogIn(program.path(), QStringLiteral("zh_cn")));
      }
    }
  }
}

TEST(Localizer, CatalogWithoutUtf8TurnsTranslationOffForGood) {
  EnvGuard env{};
  const QByteArray legacy = BuildMo({{"Port", "P"}}, false, "Content-Type: text/plain; charset=GBK\n");
  ProgramDir program({{"zh_cn", legacy}, {"zh_tw", RealCatalog("zh_tw")}}, {});
  ASSERT_TRUE(program.ok());
  RecordingPresenter presenter;
  Localizer localizer(program.exe(), program.table());
  localizer.SetCurrentLanguage(QStringLiteral("zh_cn"));
  EXPECT_EQ(localizer.Translate(QStringLiteral("Port")), QStringLiteral("Port"));
  EXPECT_EQ(localizer.Translate(QStringLiteral("Port")), QStringLiteral("Port"));
  localizer.SetCurrentLanguage(QStringLiteral("zh_tw"));
  EXPECT_EQ(localizer.Translate(QStringLiteral("Close")), QStringLiteral("Close"));
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(presenter.boxes[0].owner, nullptr);
  EXPECT_EQ(presenter.boxes[0].caption, QStringLiteral("Localization problem"));
  EXPECT_EQ(presenter.boxes[0].icon, BoxIcon::None);
  EXPECT_EQ(presenter.boxes[0].text,
            QStringLiteral("The translation for the language code zh_cn (in ") +
                CatalogIn(program.path(), QStringLiteral("zh_cn")) +
                QStringLiteral(") does not have charset=utf-8 in its Content-Type. Translations are turned off."));

  // The field is found case-insensitively and its value upper-cased; a
  // catalog without Content-Type fails the check.
  const struct {
    QByteArray header;
    bool passes;
  } headers[] = {{"content-type: text/plain; Charset=utf-8\n", true},
                 {"Language: zh_CN\nContent-Type: text/plain; charset=UTF-8\n", true},
                 {"Language: zh_CN\n", false},
                 {"Content-Type: text/plain; charset=UTF-16\n", false}};
  for (const auto& h : headers) {
    RecordingPresenter recorder;
    ProgramDir other({{"zh_cn", BuildMo({{"Port", "P"}}, false, h.header)}}, {});
    Localizer fresh(other.exe(), other.table());
    fresh.SetCurrentLanguage(QStringLiteral("zh_cn"));
    EXPECT_EQ(fresh.Translate(QStringLiteral("Port")), h.passes ? QStringLiteral("P") : QStringLiteral("Port"))
        << h.header.toStdString();
    EXPECT_EQ(recorder.boxes.size(), h.passes ? 0u : 1u);
  }
}

// Catalogs that pass the magic check but lie about their tables count as
// catalogs without translations: no crash, no box, the ids come back.
TEST(Localizer, DamagedCatalogsGiveTheIds) {
  EnvGuard env{};
  const QByteArray real = RealCatalog("zh_cn");
  ASSERT_GT(real.size(), 100);
  std::vector<QByteArray> damaged;
  for (qsizetype cut : {qsizetype{4}, qsizetype{27}, qsizetype{28}, qsizetype{40}, real.size() / 2, real.size() - 1})
    damaged.push_back(real.left(cut));
  const auto patched = [&](int at, std::uint32_t value) {
    QByteArray copy = real;
    for (int i = 0; i < 4; ++i) copy[at + i] = static_cast<char>(value >> (8 * i));
    return copy;
  };
  damaged.push_back(patched(8, 0x7FFFFFFF));   // message count
  damaged.push_back(patched(12, 0xFFFFFFF0));  // table of ids
  damaged.push_back(patched(16, 0xFFFFFFF0));  // table of translations
  damaged.push_back(patched(4, 0x00010000));   // unknown major revision
  damaged.push_back(patched(28 + 8 + 4, 0xFFFFFFFF));  // one id's offset

  RecordingPresenter presenter;
  for (const QByteArray& bytes : damaged) {
    ProgramDir program({{"zh_cn", bytes}}, {});
    ASSERT_TRUE(program.ok());
    Localizer localizer(program.exe(), program.table());
    localizer.SetCurrentLanguage(QStringLiteral("zh_cn"));
    EXPECT_EQ(localizer.Translate(QStringLiteral("Close")), QStringLiteral("Close")) << bytes.size();
    EXPECT_FALSE(localizer.TranslationTurnedOff());
  }
  EXPECT_TRUE(presenter.boxes.empty());
}

TEST(Localizer, CarriageReturnsAreDroppedForTheLookupAndPutBackBeforeLineFeeds) {
  EnvGuard env{};
  ProgramDir program({}, {{"zh_cn", BuildMo({{"a\nb", "x\ny\r\nz"}})}});
  Localizer localizer(program.exe(), program.table());
  localizer.SetCurrentLanguage(QStringLiteral("zh_cn"));
  EXPECT_EQ(localizer.Translate(QStringLiteral("a\r\nb")), QStringLiteral("x\r\ny\r\nz"));
  EXPECT_EQ(localizer.Translate(QStringLiteral("a\nb")), QStringLiteral("x\r\ny\r\nz"));
  EXPECT_EQ(localizer.Translate(QStringLiteral("p\nq")), QStringLiteral("p\r\nq"));
  EXPECT_EQ(localizer.Translate(QString()), QString());
}

TEST(Localizer, CatalogIsOpenedAtTheFirstLookupAndKeptUntilTheNextChange) {
  EnvGuard env{};
  ProgramDir program({}, {{"zh_cn", MarkedCatalog("first")}});
  Localizer localizer(program.exe(), program.table());
  localizer.SetCurrentLanguage(QStringLiteral("zh_cn"));
  ASSERT_TRUE(WriteBytes(CatalogIn(program.path(), QStringLiteral("zh_cn")), MarkedCatalog("second")));
  EXPECT_EQ(localizer.Translate(QStringLiteral("Port")), QStringLiteral("second"));
  ASSERT_TRUE(WriteBytes(CatalogIn(program.path(), QStringLiteral("zh_cn")), MarkedCatalog("third")));
  EXPECT_EQ(localizer.Translate(QStringLiteral("Port")), QStringLiteral("second"));
  localizer.SetCurrentLanguage(QStringLiteral("zh_cn"));
  EXPECT_EQ(localizer.Translate(QStringLiteral("Port")), QStringLiteral("third"));
}

TEST(LanguageSelection, UserDefaultLanguageIdFromTheLocaleEnvironment) {
  const struct {
    std::optional<std::string> lcAll, lcMessages, lang;
    std::uint16_t id;
  } cases[] = {
      {{}, {}, "zh_TW.UTF-8", 0x0404},     {{}, {}, "en_US.UTF-8", 0x0409}, {{}, {}, "zh_CN", 0x0804},
      {{}, {}, "en_GB.ISO-8859-1", 0x0809}, {{}, {}, "zh_HK.Big5", 0x0C04},  {{}, {}, "zh_SG", 0x1004},
      {{}, {}, "de_DE.UTF-8@euro", 0x0407}, {{}, {}, "xx_YY", 0},             {{}, {}, "C", 0},
      {{}, {}, {}, 0},                     {{}, {}, "zh", 0},
      {"zh_CN.UTF-8", "en_US.UTF-8", "zh_TW.UTF-8", 0x0804},  // LC_ALL first
      {"", "en_US.UTF-8", "zh_TW.UTF-8", 0x0409},             // then LC_MESSAGES
  };
  for (const auto& c : cases) {
    EnvGuard env{{"LC_ALL", c.lcAll}, {"LC_MESSAGES", c.lcMessages}, {"LANG", c.lang}};
    EXPECT_EQ(GetUserDefaultLangID(), c.id) << c.lang.value_or("-");
  }
}

TEST(LanguageSelection, ApplyLanguageSetsTheCodeOfTheIdAndTreatsUnknownIdsAsAutomatic) {
  EnvGuard env{{"LANG", "zh_TW.UTF-8"}};
  ProgramDir program({}, {});
  StartLocalizer(program.exe(), 0);
  const struct {
    std::int32_t id;
    const char* code;
  } cases[] = {{1, "en"}, {2, "zh_cn"}, {3, "zh_tw"}, {0, "zh_TW"}, {4, "zh_TW"}, {-1, "zh_TW"}};
  for (const auto& c : cases) {
    ApplyLanguage(nullptr, c.id);
    EXPECT_EQ(CurrentLanguageCode(), QLatin1String(c.code)) << c.id;
  }
}

}  // namespace
}  // namespace dtu
