// SPDX-License-Identifier: MIT
// The diagnostics buttons clicked on the real window against loopback
// servers; the handlers' every branch is covered with a fake view in tests/net.
#include <QLabel>

#include "../net/NetTestSupport.h"
#include "WindowFixture.h"
#include "config/SettingsStore.h"

namespace dtu::testing {
namespace {

class DiagnosticsWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    // This machine is "testhost" at 127.0.0.1, whatever the real host is called.
    net::SetHostNameSourceForTesting([] { return std::optional<std::string>("testhost"); });
    net::SetResolverForTesting([](const std::string& name) -> std::vector<std::string> {
      if (net::IsDottedIpv4(name)) return {name};
      return name == "testhost" ? std::vector<std::string>{"127.0.0.1"} : std::vector<std::string>{};
    });
  }
  // Clicks `button` on a window started from `ini`; returns the one box's text.
  QString click(const QByteArray& ini, const char* buttonName, const std::string& echoUrl = {}) {
    window.reset();
    presenter.boxes.clear();
    writeIni(ini);
    Ttntfrm_Main::Options options;
    options.executablePath = dir.filePath(QStringLiteral("dtusms"));
    options.echoUrl = echoUrl;
    window = std::make_unique<Ttntfrm_Main>(options);
    window->show();
    QTest::mouseClick(button(buttonName), Qt::LeftButton);
    if (expectNoBox) return QString();
    EXPECT_EQ(presenter.boxes.size(), 1u) << ini.constData();
    if (presenter.boxes.empty()) return {};
    EXPECT_EQ(presenter.boxes[0].owner, window.get());
    return presenter.boxes[0].text;
  }
  QString status() const { return find<QLabel>("tntstsbr_StatusPanel")->text(); }
  QString stored(const char* key) const { return SettingsStore(iniPath()).ReadString(kSettingsSection, key, {}); }
  net::testing::ProbeHookScope hooks;
  bool expectNoBox = false;
};

TEST_F(DiagnosticsWindowTest, ButtonsReportInStatusBarAndBoxes) {
  net::testing::LoopbackListener listener;
  ASSERT_TRUE(listener.ok());
  const QByteArray port = QByteArray::number(listener.port());
  const QString ok = "With IP =127.0.0.1, port =" + port + " of server connection is successful!";
  EXPECT_EQ(click("[Main]\r\nStatic IP=127.0.0.1\r\nPort=" + port + "\r\n", "tntbtn_TestServerPort"), ok);
  EXPECT_EQ(status(), ok);
  // 70000 would reach port 4464 if it were cut to 16 bits.
  EXPECT_EQ(click("[Main]\r\nStatic IP=127.0.0.1\r\nPort=70000\r\n", "tntbtn_TestServerPort"),
            QStringLiteral("With IP =127.0.0.1, port =70000 of server connection is failed!"));
  EXPECT_EQ(click("[Main]\r\nStatic IP=  \r\n", "tntbtn_TestServerPort"),
            QStringLiteral("Please enter valid \"Static IP\""));
  EXPECT_EQ(status(), QString());
  EXPECT_EQ(click("[Main]\r\nServer address mode=1\r\nDomain address=testhost\r\n", "tntbtn_JudgeMaping"),
            QStringLiteral("The local IP network segment with the WAN IP is identical, users do not need port mapping."));
  EXPECT_EQ(click("[Main]\r\nStatic IP=127.0.0.2\r\n", "tntbtn_JudgeMaping"),
            QStringLiteral("The local IP network segment with the WAN IP is different, you need to do port mapping in router."));
}

TEST_F(DiagnosticsWindowTest, ObtainIpFillsAndSavesOnlyAValidAddress) {
  const auto page = [](const std::string& heading) {
    return net::testing::HttpResponse(200, "text/html", "<h2>" + heading + "</h2>");
  };
  net::testing::CannedHttpServer good(page(std::string(21, 'L') + "203.0.113.7" + std::string(69, 'T')));
  net::testing::CannedHttpServer bad(page("no address here"));
  ASSERT_TRUE(good.ok() && bad.ok());
  EXPECT_TRUE(click("[Main]\r\nStatic IP=192.0.2.1\r\n", "tntbtn_StaticIP", bad.url()).startsWith("The public address"));
  EXPECT_EQ(presenter.boxes[0].icon, BoxIcon::Critical);
  EXPECT_EQ(stored(keys::kStaticIp), QStringLiteral("192.0.2.1"));

  expectNoBox = true;
  click("[Main]\r\nStatic IP=192.0.2.1\r\n", "tntbtn_StaticIP", good.url());
  EXPECT_TRUE(presenter.boxes.empty());
  EXPECT_EQ(edit("tntedt_StaticIP")->text(), QStringLiteral("203.0.113.7"));
  EXPECT_EQ(stored(keys::kStaticIp), QStringLiteral("203.0.113.7"));
}

}  // namespace
}  // namespace dtu::testing
