// SPDX-License-Identifier: MIT
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QTimer>

#include "WindowFixture.h"
#include "app/HandlerGuard.h"
#include "config/SettingsStore.h"

namespace dtu::testing {
namespace {

// The value the settings file holds for a key right now ("<missing>" if none).
QString Stored(const QString& path, const char* key) {
  return SettingsStore(path).ReadString(kSettingsSection, key, QStringLiteral("<missing>"));
}

// Records the stored value of `key` each time `signal` fires, after the
// window's own handler (connected earlier) has written it.
template <typename Sender, typename Signal>
std::shared_ptr<QStringList> WatchWrites(Sender* sender, Signal signal, const QString& path, const char* key) {
  auto seen = std::make_shared<QStringList>();
  QObject::connect(sender, signal, sender, [seen, path, key] { seen->append(Stored(path, key)); });
  return seen;
}

TEST_F(WindowTest, FirstStartFillsDefaultsAndWritesThreeKeysInOrder) {
  start("");  // no local address: no Static IP line
  EXPECT_EQ(iniBytes(), QByteArray("[Main]\r\nPort=6000\r\nDTU number=KQ-GP000001\r\n"));
  window.reset();
  QFile::remove(iniPath());
  start("192.0.2.44");
  EXPECT_EQ(iniBytes(), QByteArray("[Main]\r\nPort=6000\r\nStatic IP=192.0.2.44\r\nDTU number=KQ-GP000001\r\n"));
  EXPECT_EQ(list("tntcomb_ServerNetMode")->currentText(), QStringLiteral("Static IP"));
  EXPECT_EQ(list("tntcomb_ServiceNetwork")->currentIndex(), 0);
  EXPECT_EQ(list("tntcomb_SMSCommandType")->currentIndex(), 0);
  EXPECT_EQ(edit("tntedt_StaticIP")->text(), QStringLiteral("192.0.2.44"));
  EXPECT_FALSE(edit("tntedt_DomainAddress")->isEnabled());
  EXPECT_TRUE(presenter.boxes.empty());
}

TEST_F(WindowTest, WindowModelMatchesTheDesign) {
  start();
  EXPECT_EQ(window->size(), QSize(495, 305));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
  const std::pair<const char*, QRect> layout[] = {{"tntgrp_SMSCommandFormat", {0, 109, 495, 142}},
                                                  {"rzspnedt_Port", {356, 17, 119, 21}},
                                                  {"tntedt_SMSCommandFormat", {111, 108, 364, 21}},
                                                  {"tntbtn_Close", {400, 5, 75, 25}}};
  for (const auto& [name, geometry] : layout) EXPECT_EQ(find<QWidget>(name)->geometry(), geometry) << name;
  EXPECT_EQ(button("rzMenubtn_Language")->text(), QStringLiteral(" Language"));
  EXPECT_EQ(find<QAction>("tntmntm_TraditionalChinese")->data().toInt(), 3);
  // Tab order: the first group, then the second, then the bottom panel, where
  // "Close" comes before "Generation SMS"; added controls only follow.
  const QStringList described{"tntcomb_ServerNetMode", "rzspnedt_Port",           "tntbtn_JudgeMaping",
                              "tntedt_DTUNumber",      "tntedt_SMSCommandFormat", "rzMenubtn_Language",
                              "tntbtn_Close",          "tntbtn_GenerationSMS"};
  QStringList chain;
  QWidget* w = list("tntcomb_ServerNetMode");
  do {
    if (described.contains(w->objectName()) && !chain.contains(w->objectName())) chain << w->objectName();
    w = w->nextInFocusChain();
  } while (w != list("tntcomb_ServerNetMode"));
  EXPECT_EQ(chain, described);
}

TEST_F(WindowTest, EveryKeystrokeInAnEditWritesItsKey) {
  start();
  const std::pair<const char*, const char*> edits[] = {{"tntedt_StaticIP", keys::kStaticIp},
                                                       {"tntedt_DomainAddress", keys::kDomainAddress},
                                                       {"tntedt_Other", keys::kOtherApn},
                                                       {"tntedt_DTUNumber", keys::kDtuNumber}};
  for (const auto& [control, key] : edits) {
    QLineEdit* field = edit(control);
    field->setEnabled(true);
    field->clear();
    auto seen = WatchWrites(field, &QLineEdit::textChanged, iniPath(), key);
    QTest::keyClicks(field, QStringLiteral("ab c"));
    EXPECT_EQ(*seen, (QStringList{"a", "ab", "ab", "ab c"})) << control;  // "ab " reads back trimmed
  }
}

// The keystroke rules are tabled in PortSpinEditTest; here, what reaches the file.
TEST_F(WindowTest, PortFieldWritesEveryChange) {
  start();
  PortSpinEdit* port = portField();
  auto seen = WatchWrites(port, &PortSpinEdit::textChanged, iniPath(), keys::kPort);
  port->setFocus();
  QTest::keyClick(port, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(port, QStringLiteral("250"));
  QTest::keyClick(port, Qt::Key_PageUp);
  QTest::keyClick(port, Qt::Key_Return);  // the base class must not reinterpret the text
  EXPECT_EQ(*seen, (QStringList{"2", "25", "250", "1000"}));
}

TEST_F(WindowTest, StoredValuesOutOfRange) {
  // clang-format off
  const struct { QByteArray file; QString portShown, portStored; int modeIndex; bool domainEnabled; } cases[] = {
      {"[Main]\r\nPort=500\r\n", "1000", "500", 0, false},        // below: shown corrected, not written
      {"[Main]\r\nPort=123456\r\n", "99999", "99999", 0, false},  // above: shown and written
      {"[Main]\r\nServer address mode=1\r\n", "6000", "6000", 1, true},
      {"[Main]\r\nServer address mode=2\r\n", "6000", "6000", -1, true},  // stays all enabled
  };
  // clang-format on
  for (const auto& c : cases) {
    window.reset();
    writeIni(c.file);
    start();
    EXPECT_EQ(portField()->text(), c.portShown) << c.file.constData();
    EXPECT_EQ(Stored(iniPath(), keys::kPort), c.portStored) << c.file.constData();
    EXPECT_EQ(list("tntcomb_ServerNetMode")->currentIndex(), c.modeIndex) << c.file.constData();
    EXPECT_EQ(edit("tntedt_DomainAddress")->isEnabled(), c.domainEnabled) << c.file.constData();
    EXPECT_EQ(edit("tntedt_StaticIP")->isEnabled(), c.modeIndex != 1) << c.file.constData();
  }
}

TEST_F(WindowTest, DtuNumberLimitBindsOnlyTheUser) {
  writeIni("[Main]\r\nDTU number=KQ-GP0000012345\r\n");
  start();
  QLineEdit* dtu = edit("tntedt_DTUNumber");
  EXPECT_EQ(dtu->text(), QStringLiteral("KQ-GP0000012345"));  // program text is not cut
  dtu->clear();
  QTest::keyClicks(dtu, QStringLiteral("ABCDEFGHIJKLMN"));
  EXPECT_EQ(dtu->text(), QStringLiteral("ABCDEFGHIJK"));
  QTest::keyClick(dtu, Qt::Key_Backspace);
  QTest::keyClick(dtu, Qt::Key_Backspace);
  QApplication::clipboard()->setText(QStringLiteral("XYZW"));
  QTest::keyClick(dtu, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(dtu->text(), QStringLiteral("ABCDEFGHIXY"));
  EXPECT_EQ(Stored(iniPath(), keys::kDtuNumber), QStringLiteral("ABCDEFGHIXY"));
}

TEST_F(WindowTest, ListsWriteOnUserPicksOnly) {
  start();
  const QByteArray afterStart = iniBytes();
  QComboBox* mode = list("tntcomb_ServerNetMode");
  // Loading selected all three lists without writing anything.
  EXPECT_EQ(afterStart.count("Server address mode"), 0);
  mode->setFocus();
  QTest::keyClick(mode, Qt::Key_Down);  // keyboard pick in the closed list
  EXPECT_EQ(Stored(iniPath(), keys::kServerAddressMode), QStringLiteral("1"));
  EXPECT_TRUE(edit("tntedt_DomainAddress")->isEnabled());
  EXPECT_FALSE(button("tntbtn_StaticIP")->isEnabled());
  QTest::keyClick(mode, Qt::Key_Up);
  EXPECT_EQ(Stored(iniPath(), keys::kServerAddressMode), QStringLiteral("0"));
  EXPECT_FALSE(edit("tntedt_DomainAddress")->isEnabled());
  QComboBox* type = list("tntcomb_SMSCommandType");
  QTest::keyClick(type, Qt::Key_Down);
  EXPECT_EQ(Stored(iniPath(), keys::kSmsCommandType), QStringLiteral("1"));
  // A program selection writes nothing.
  type->setCurrentIndex(0);
  EXPECT_EQ(Stored(iniPath(), keys::kSmsCommandType), QStringLiteral("1"));
}

TEST_F(WindowTest, GenerationSmsComposesOrNamesTheBlankField) {
  writeIni("[Main]\r\nStatic IP= 192.0.2.15  \r\nPort=5000\r\n");
  start();
  edit("tntedt_StaticIP")->setText(QStringLiteral(" 192.0.2.15  "));
  QLineEdit* out = edit("tntedt_SMSCommandFormat");
  QTest::mouseClick(button("tntbtn_GenerationSMS"), Qt::LeftButton);
  EXPECT_EQ(out->text(), QStringLiteral("(A55A#1*192.0.2.15*5000#3*CMNET#4*KQ-GP000001)"));
  EXPECT_TRUE(presenter.boxes.empty());

  edit("tntedt_DTUNumber")->setText(QStringLiteral("  "));
  QTest::mouseClick(button("tntbtn_GenerationSMS"), Qt::LeftButton);
  EXPECT_EQ(out->text(), QString());
  ASSERT_EQ(presenter.boxes.size(), 1u);
  const BoxRequest& box = presenter.boxes[0];
  EXPECT_EQ(std::tuple(box.owner, box.caption, box.text, box.icon),
            std::tuple(window.get(), QStringLiteral("Prompt"), QStringLiteral("Please enter valid \"DTU number\""),
                       BoxIcon::Information));
}

TEST_F(WindowTest, ProbesGiveTheCursorBack) {
  start();
  QTest::mouseClick(button("tntbtn_JudgeMaping"), Qt::LeftButton);
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(ApplicationError, FullStopRule) {
  const std::pair<const char*, const char*> rows[] = {{"", ""},           {"Failed", "Failed."}, {"Done.", "Done."},
                                                      {"Stop!", "Stop!"}, {"a/b", "a/b."},       {"a-", "a-"}};
  for (const auto& [message, shown] : rows) EXPECT_EQ(WithFullStop(message), shown) << message;
}

TEST_F(WindowTest, CloseWritesNothingButThePortCorrection) {
  start();
  PortSpinEdit* port = portField();
  port->setFocus();
  QTest::keyClick(port, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(port, QStringLiteral("7"));
  EXPECT_EQ(Stored(iniPath(), keys::kPort), QStringLiteral("7"));
  QTest::mouseClick(button("tntbtn_Close"), Qt::LeftButton);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(Stored(iniPath(), keys::kPort), QStringLiteral("1000"));
  const QByteArray before = iniBytes();
  window.reset();
  EXPECT_EQ(iniBytes(), before);
}

// The real QMessageBox, closed by a timer: an unwritable folder shows one box
// per write, the window opens all the same, and a typed value is kept.
TEST_F(WindowTest, UnwritableFolderShowsOneErrorBoxPerWrite) {
  services.presenter = nullptr;
  ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
  QStringList seen;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      seen << box->windowTitle() + QLatin1Char('|') + box->text() + QLatin1Char('|') +
                  QString::number(box->icon() == QMessageBox::Critical);
      box->accept();
    }
  });
  closer.start(20);
  start();
  QTest::keyClicks(edit("tntedt_Other"), QStringLiteral("x"));
  closer.stop();
  chmod(QFile::encodeName(dir.path()).constData(), 0755);
  const QString line =
      QString::fromLatin1(kAppTitle) + QStringLiteral("|Unable to write to ") + iniPath() + QStringLiteral(".|1");
  EXPECT_EQ(seen, (QStringList{line, line, line, line}));  // Port, Static IP, DTU number, Other APN
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(edit("tntedt_Other")->text(), QStringLiteral("x"));
}

}  // namespace
}  // namespace dtu::testing
