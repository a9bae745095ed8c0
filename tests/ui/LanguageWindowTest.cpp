// SPDX-License-Identifier: MIT
// The language menu on the real window, with the compiled catalogs on disk
// beside a test "executable".
#include <QAccessible>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QSet>
#include <optional>

#include "WindowFixture.h"
#include "core/i18n/I18nTestSupport.h"
#include "core/i18n/Localizer.h"
#include "core/net/NetTestSupport.h"
#include "ui/QtTranslations.h"

namespace dtu::testing {
namespace {

// What the window shows in each language (from the catalogs' message table):
// title, group box, menu button, list items, a menu item.
// clang-format off
const char* const kEnglish = "ZU-3RIVE VID idoverivirora dave|Network configuration| Language|CMNET(China Mobile)|CMWAP(China Mobile)|UNINET(China Unicom)|Other|Simplified Chinese";
const char* const kSimplified = "VI-3ZEZI短信配置工具|网络配置|语言|CMNET(中国移动)|CMWAP(中国移动)|UNINET(中国联通)|其它|简体中文";
const char* const kTraditional = "VI-3ZEZI短信配置工具|網絡配置|語言|CMNET(中國移動)|CMWAP(中國移動)|UNINET(中國聯通)|其它|簡體中文";
// clang-format on

class LanguageWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    for (const char* code : {"en", "zh_cn", "zh_tw"})
      ASSERT_TRUE(WriteBytes(CatalogIn(dir.path(), code), RealCatalog(code))) << code;
  }
  void TearDown() override {
    WindowTest::TearDown();
    // Later tests expect English message ids and Qt texts.
    StartLocalizer(TestPlatform(), empty.filePath(QStringLiteral("dtusms")), 0);
    ApplyQtTranslations(QString());
  }

  // Starts the localizer and the window with `lang` as the system language.
  void startIn(const char* lang) {
    env.emplace(std::initializer_list<std::pair<const char*, const char*>>{{"LANG", lang}});
    StartLocalizer(TestPlatform(), dir.filePath(QStringLiteral("dtusms")), 0);
    start();
  }

  QString texts() const {
    QStringList shown{window->windowTitle(), find<QGroupBox>("tntgrp_NetWork")->title(),
                      button("rzMenubtn_Language")->text()};
    for (int i = 0; i < list("tntcomb_ServiceNetwork")->count(); ++i)
      shown << list("tntcomb_ServiceNetwork")->itemText(i);
    return (shown << find<QAction>("tntmntm_SimplifiedChinese")->text()).join(QLatin1Char('|'));
  }

  void pick(const char* item = nullptr) {
    find<QMenu>("tntpmn_Language")->popup(QPoint(0, 0));  // runs the pop-up handler
    find<QMenu>("tntpmn_Language")->hide();
    if (item) find<QAction>(item)->trigger();
  }
  // The checked menu items and the stored language id.
  QString menuState() const {
    QStringList names;
    for (const QAction* item : find<QMenu>("tntpmn_Language")->actions())
      if (item->isChecked()) names << item->objectName();
    return names.join(QLatin1Char(',')) + '/' + Stored(iniPath(), fields::kLanguageId.key);
  }

  QTemporaryDir empty;
  std::optional<EnvGuard> env;
};

TEST_F(LanguageWindowTest, SwitchesTranslateFromTheEnglishSourcesAndKeepTheFields) {
  startIn("en_US.UTF-8");
  EXPECT_EQ(texts(), kEnglish);
  // A user pick and a typed value must survive every switch.
  QTest::keyClick(list("tntcomb_ServerNetMode"), Qt::Key_Down);
  QTest::keyClicks(edit("tntedt_DomainAddress"), QStringLiteral("dtuhub"));
  button("tntbtn_GenerationSMS")->click();  // our note follows every switch

  const char *en = "42 characters, 1 SMS (GSM 7-bit)", *cn = "42 个字符，1 条短信（GSM 7 位）",
             *tw = "42 個字符，1 條短信（GSM 7 位）";
  // clang-format off
  const struct { const char* item; const char* texts; const char* stored; const char* note; } steps[] = {
      {"tntmntm_SimplifiedChinese", kSimplified, "2", cn}, {"tntmntm_English", kEnglish, "1", en},
      {"tntmntm_TraditionalChinese", kTraditional, "3", tw}, {"tntmntm_TraditionalChinese", kTraditional, "3", tw},
      {"tntmntm_SimplifiedChinese", kSimplified, "2", cn}, {"tntmntm_English", kEnglish, "1", en}};
  // clang-format on
  for (const auto& step : steps) {
    pick(step.item);
    EXPECT_EQ(texts(), step.texts);
    EXPECT_EQ(menuState(), QString::fromLatin1(step.item) + '/' + step.stored);
    // Modes, network, domain (enabled), port and our note.
    const QStringList fields{QString::number(list("tntcomb_ServerNetMode")->currentIndex()),
                             QString::number(list("tntcomb_ServiceNetwork")->currentIndex()),
                             edit("tntedt_DomainAddress")->text(),
                             QString::number(edit("tntedt_DomainAddress")->isEnabled()),
                             portField()->text(),
                             AccessibleName(find<QLabel>("tntlbl_Note"))};
    EXPECT_EQ(fields.join('|'), QString("1|0|dtuhub|1|6000|") + step.note) << step.item;
  }
  EXPECT_TRUE(presenter.boxes.empty());
}

// Qt's catalog follows the language menu, also in the port field's own menu, and screen readers name
// each field by its (translated) label: a list by name, not by its current item.
TEST_F(LanguageWindowTest, QtTextsAndFieldNamesFollowTheLanguage) {
  startIn("en_US.UTF-8");
  QStringList seen;
  for (const char* item : {"tntmntm_SimplifiedChinese", "tntmntm_TraditionalChinese", "tntmntm_English"}) {
    pick(item);
    // Two items of the port field's own menu.
    seen << QCoreApplication::translate("QLineEdit", "&Copy") +
                QCoreApplication::translate("QAbstractSpinBox", "&Step up");
    QAccessibleInterface* port = QAccessible::queryAccessibleInterface(portField());
    seen << port->relations(QAccessible::Label).value(0).first->text(QAccessible::Name);
    for (const char* name : {"tntcomb_ServerNetMode", "tntcomb_ServiceNetwork", "tntcomb_SMSCommandType"})
      seen << AccessibleName(list(name));
  }
  EXPECT_EQ(seen.join('|').toStdString(),
            "复制(&C)升高(&S)|端口|服务器中心模式|服务运营网络(APN)|短信命令类型|"
            "複製(&C)單步向上(&S)|端口|服務器中心模式|服務運營網絡(APN)|短信命令類型|"
            "&Copy&Step up|Port|Server address mode|Service network(APN)|SMS command type");
}

// The status bar's one panel keeps the room its text needs, with a note shown, in every language: the port
// test's progress (seen at the look-up) and both results.
TEST_F(LanguageWindowTest, StatusPanelHoldsEveryPortTestTextBesideANote) {
  startIn("en_US.UTF-8");
  const net::testing::LoopbackListener server;
  ASSERT_TRUE(server.ok());
  const std::string name = "dtu-server.example.com";
  QTest::keyClick(list("tntcomb_ServerNetMode"), Qt::Key_Down);  // domain resolution, saved
  edit("tntedt_DomainAddress")->setText(QString::fromStdString(name));
  portField()->setValue(server.port());
  auto* panel = find<QLabel>("tntstsbr_StatusPanel");
  QStringList seen;
  const auto measure = [&] {
    QCoreApplication::processEvents();  // the bar lays its panels out
    const int needs = QFontMetrics(panel->font()).horizontalAdvance(panel->text());
    EXPECT_GE(panel->contentsRect().width(), needs) << panel->text().toStdString();
    EXPECT_FALSE(AccessibleName(find<QLabel>("tntlbl_Note")).isEmpty());
    seen << panel->text();
  };
  network.onResolve = [&](const std::string&) { measure(); };
  for (const char* item : {"tntmntm_English", "tntmntm_SimplifiedChinese", "tntmntm_TraditionalChinese"}) {
    pick(item);
    button("tntbtn_GenerationSMS")->click();  // the note
    network.names = {{name, {"127.0.0.1"}}};
    button("tntbtn_TestServerPort")->click();  // progress, then success
    measure();
    network.names.clear();
    button("tntbtn_TestServerPort")->click();  // progress, then failure
    measure();
  }
  const QString port = QString::number(server.port());
  EXPECT_EQ(seen.filter(QString::fromStdString(name)).filter(port).size(), 12);
  EXPECT_EQ(QSet<QString>(seen.begin(), seen.end()).size(), 9) << seen.join('\n').toStdString();
  EXPECT_EQ(seen[1],
            "With IP =" + QString::fromStdString(name) + ", port =" + port + " of server connection is successful!");
}

TEST_F(LanguageWindowTest, StoredLanguageAndAutomaticDetection) {
  // The texts and menu state (checked item/stored id) at start and after picking Automatic.
  // clang-format off
  const struct { QByteArray ini; const char *lang, *atStart, *onOpen, *afterAutomatic, *stateAfterAutomatic; } cases[] = {
      // First start: the system language, "Automatic" checked when the menu opens.
      {"", "zh_CN.UTF-8", kSimplified, "tntmntm_Automatic", kSimplified, "tntmntm_SimplifiedChinese/2"},
      {"[Main]\r\nnLanguageID=3\r\n", "en_US.UTF-8", kTraditional, "tntmntm_TraditionalChinese", kEnglish, "tntmntm_English/1"},
      {"[Main]\r\nnLanguageID=1\r\n", "zh_TW.UTF-8", kEnglish, "tntmntm_English", kTraditional, "tntmntm_TraditionalChinese/3"},
      // Out of range: applied as Automatic, kept, so no item is checked. An unknown system language records 0.
      {"[Main]\r\nnLanguageID=7\r\n", "de_DE.UTF-8", kEnglish, "", kEnglish, "/0"},
  };
  // clang-format on
  for (const auto& c : cases) {
    window.reset();
    QFile::remove(iniPath());
    if (!c.ini.isEmpty()) writeIni(c.ini);
    startIn(c.lang);
    EXPECT_EQ(texts(), c.atStart) << c.lang;
    pick();
    EXPECT_EQ(menuState().section('/', 0, 0), QString::fromLatin1(c.onOpen)) << c.lang;
    find<QAction>("tntmntm_Automatic")->trigger();
    EXPECT_EQ(texts(), c.afterAutomatic) << c.lang;
    EXPECT_EQ(menuState(), QString::fromLatin1(c.stateAfterAutomatic)) << c.lang;
  }
}

}  // namespace
}  // namespace dtu::testing
