// SPDX-License-Identifier: MIT
// The three diagnostics buttons clicked on the real window, against servers
// that the tests run on loopback.
#include <QLabel>
#include <QStatusBar>

#include "../net/NetTestSupport.h"
#include "WindowFixture.h"
#include "config/SettingsStore.h"

namespace dtu::testing {
namespace {

using net::testing::CannedHttpServer;
using net::testing::ClosedLoopbackPort;
using net::testing::LoopbackListener;
using net::testing::ProbeHookScope;

class DiagnosticsWindowTest : public WindowTest {
 protected:
  QString status() const { return find<QLabel>("tntstsbr_StatusPanel")->text(); }
  void SetUp() override {
    WindowTest::SetUp();
    // This machine is "testhost" at 127.0.0.1, whatever the real host is called.
    net::SetHostNameSourceForTesting([] { return std::optional<std::string>("testhost"); });
    net::SetResolverForTesting([](const std::string& name) -> std::vector<std::string> {
      if (net::IsDottedIpv4(name)) return {name};
      if (name == "testhost" || name == "localhost") return {"127.0.0.1"};
      return {};
    });
  }
  void startWith(const QByteArray& ini, const std::string& echoUrl = {}) {
    writeIni(ini);
    Ttntfrm_Main::Options options;
    options.executablePath = dir.filePath(QStringLiteral("dtusms"));
    options.echoUrl = echoUrl;
    window = std::make_unique<Ttntfrm_Main>(options);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 5000));
  }
  ProbeHookScope hooks;
};

TEST_F(DiagnosticsWindowTest, TestServerPortReportsInStatusBarAndBox) {
  LoopbackListener listener;
  ASSERT_TRUE(listener.ok());
  const QString open = QString::number(listener.port());
  const QString closed = QString::number(ClosedLoopbackPort());
  const struct {
    QByteArray ini;
    QString boxText;
  } cases[] = {
      {"[Main]\r\nStatic IP=127.0.0.1\r\nPort=" + open.toLatin1() + "\r\n",
       "With IP =127.0.0.1, port =" + open + " of server connection is successful!"},
      {"[Main]\r\nStatic IP=127.0.0.1\r\nPort=" + closed.toLatin1() + "\r\n",
       "With IP =127.0.0.1, port =" + closed + " of server connection is failed!"},
      // Beyond 16 bits: never connected, reported with the port as typed.
      {"[Main]\r\nStatic IP=127.0.0.1\r\nPort=70000\r\n",
       "With IP =127.0.0.1, port =70000 of server connection is failed!"},
      {"[Main]\r\nServer address mode=1\r\nDomain address=localhost\r\nPort=" + open.toLatin1() + "\r\n",
       "With IP =localhost, port =" + open + " of server connection is successful!"},
  };
  for (const auto& c : cases) {
    window.reset();
    presenter.boxes.clear();
    startWith(c.ini);
    QTest::mouseClick(button("tntbtn_TestServerPort"), Qt::LeftButton);
    ASSERT_EQ(presenter.boxes.size(), 1u) << c.ini.constData();
    EXPECT_EQ(presenter.boxes[0].caption, QStringLiteral("Prompt"));
    EXPECT_EQ(presenter.boxes[0].text, c.boxText);
    EXPECT_EQ(presenter.boxes[0].owner, window.get());
    EXPECT_EQ(status(), c.boxText);
  }
}

TEST_F(DiagnosticsWindowTest, BlankAddressNamesTheFieldAndKeepsTheStatus) {
  startWith("[Main]\r\nStatic IP=   \r\n");
  QTest::mouseClick(button("tntbtn_TestServerPort"), Qt::LeftButton);
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(presenter.boxes[0].text, QStringLiteral("Please enter valid \"Static IP\""));
  EXPECT_EQ(status(), QString());
  QTest::mouseClick(button("tntbtn_JudgeMaping"), Qt::LeftButton);
  ASSERT_EQ(presenter.boxes.size(), 2u);
  EXPECT_EQ(presenter.boxes[1].text, QStringLiteral("Please enter valid \"Static IP\""));
}

TEST_F(DiagnosticsWindowTest, JudgeMappingComparesWithTheLocalAddress) {
  const struct {
    QByteArray ini;
    bool same;
  } cases[] = {
      {"[Main]\r\nStatic IP=127.0.0.1\r\n", true},
      {"[Main]\r\nStatic IP= 127.0.0.1\r\n", true},  // the stored value is trimmed on reading
      {"[Main]\r\nStatic IP=127.0.0.2\r\n", false},
      {"[Main]\r\nServer address mode=1\r\nDomain address=127.0.0.1\r\n", true},
  };
  for (const auto& c : cases) {
    window.reset();
    presenter.boxes.clear();
    startWith(c.ini);
    QTest::mouseClick(button("tntbtn_JudgeMaping"), Qt::LeftButton);
    ASSERT_EQ(presenter.boxes.size(), 1u);
    EXPECT_EQ(presenter.boxes[0].text.contains(QStringLiteral("identical")), c.same) << c.ini.constData();
  }
  // Typed with a leading blank: the texts differ even though the address is ours.
  window.reset();
  presenter.boxes.clear();
  startWith("[Main]\r\n");
  edit("tntedt_StaticIP")->setText(QStringLiteral(" 127.0.0.1"));
  QTest::mouseClick(button("tntbtn_JudgeMaping"), Qt::LeftButton);
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(presenter.boxes[0].text,
            QStringLiteral("The local IP network segment with the WAN IP is different, you need to do port mapping in router."));
}

std::string Page(const std::string& heading) {
  const std::string body = "<html><body><h2>" + heading + "</h2></body></html>";
  return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

TEST_F(DiagnosticsWindowTest, ObtainIpFillsAndSavesOnlyAValidAddress) {
  const std::string lead(21, 'L'), trail(69, 'T');
  CannedHttpServer good(Page(lead + "203.0.113.7" + trail));
  CannedHttpServer bad(Page("no address here"));
  ASSERT_TRUE(good.ok() && bad.ok());

  startWith("[Main]\r\nStatic IP=192.0.2.1\r\n", bad.url());
  QTest::mouseClick(button("tntbtn_StaticIP"), Qt::LeftButton);
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(presenter.boxes[0].icon, BoxIcon::Critical);
  EXPECT_EQ(edit("tntedt_StaticIP")->text(), QStringLiteral("192.0.2.1"));
  EXPECT_EQ(SettingsStore(iniPath()).ReadString(kSettingsSection, keys::kStaticIp, {}), QStringLiteral("192.0.2.1"));

  window.reset();
  presenter.boxes.clear();
  startWith("[Main]\r\nStatic IP=192.0.2.1\r\n", good.url());
  QTest::mouseClick(button("tntbtn_StaticIP"), Qt::LeftButton);
  EXPECT_TRUE(presenter.boxes.empty());
  EXPECT_EQ(edit("tntedt_StaticIP")->text(), QStringLiteral("203.0.113.7"));
  EXPECT_EQ(SettingsStore(iniPath()).ReadString(kSettingsSection, keys::kStaticIp, {}), QStringLiteral("203.0.113.7"));
}

}  // namespace
}  // namespace dtu::testing
