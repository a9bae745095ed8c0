// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "AppError.h"
#include "NetTestSupport.h"
#include "config/AnsiCodec.h"
#include "net/ServerDiagnostics.h"

namespace dtu {
namespace {

using namespace std::chrono_literals;
using Log = std::vector<std::string>;

// The fixture is the view: its calls and the probe hooks all land in one log.
class Diagnostics : public ::testing::Test, public DiagnosticsView {
 protected:
  // clang-format off
  void SetUp() override {
    services.pumpEvents = [this] { log.push_back("probe-pump"); };
    // at() throws for an unknown name, as a failing resolver may.
    services.resolve = [this](const std::string& name) { log.push_back("resolve:" + name); return names.at(name); };
    services.hostName = [this] { return hostName; };
    // No interface of this machine may stand in for the injected host name.
    services.interfaces = [] { return std::vector<net::InterfaceAddress>{}; };
  }
  void TearDown() override {
    SetAnsiCharset("UTF-8");
    EXPECT_EQ(busyDepth, 0) << "busy cursor left on";
  }
  void Set(int newMode, const QString& newIp, const QString& newDomain) {
    log.clear();
    std::tie(mode, ip, domain) = std::tie(newMode, newIp, newDomain);
  }
  int serverMode() const override { return mode; }
  QString staticIp() const override { return ip; }
  void setStaticIp(const QString& text) override { log.push_back("setStaticIp:" + text.toStdString()); }
  QString domainAddress() const override { return domain; }
  int port() override { log.push_back("port"); return portValue; }
  void setStatusText(const QString& text) override { status = text; log.push_back("status:" + text.toStdString()); }
  void processPendingEvents() override { log.push_back("view-pump"); }
  void showInvalidField(const char* field) override { log.push_back(std::string("invalid:") + field); }
  void showInformation(const QString& caption, const QString& text) override {
    log.push_back("box:" + caption.toStdString() + "|" + text.toStdString());
  }
  void setBusy(bool busy) override { busyDepth += busy ? 1 : -1; log.push_back(busy ? "busy" : "idle"); }

  net::ProbeServices services = net::testing::LoopbackServices();
  Log log;
  int mode = 0, portValue = 6000, busyDepth = 0;
  QString ip, domain, status = "previous";
  std::optional<std::string> hostName = "dtu-host";
  // Only loopback addresses are ever connected to.
  std::map<std::string, std::vector<std::string>> names = {{"dtu-host", {"192.0.2.10", "192.0.2.20"}},
      {"last.test", {"192.0.2.99", "192.0.2.10"}}, {"first.test", {"192.0.2.10", "192.0.2.99"}}, {" 127.0.0.1", {"127.0.0.1"}}};
  // clang-format on
};

TEST_F(Diagnostics, PortTestOrderAndTargetAsTyped) {
  net::testing::LoopbackListener listener;
  ASSERT_TRUE(listener.ok());
  const int p = portValue = listener.port();
  // clang-format off
  const auto Result = [p](bool ok, const std::string& target) {
    return "With IP =" + target + ", port =" + std::to_string(p) + " of server connection is " + (ok ? "successful!" : "failed!");
  };
  Set(0, " 127.0.0.1", "");
  TestServerPort(*this, services);
  const std::string ok = Result(true, " 127.0.0.1");
  EXPECT_EQ(log, (Log{"port", "status:Are experimenting with IP = 127.0.0.1, port =" + std::to_string(p) + " of server connection...",
                      "view-pump", "busy", "probe-pump", "resolve: 127.0.0.1", "probe-pump", "idle", "status:" + ok, "box:Prompt|" + ok}));
  // clang-format on

  SetAnsiCharset("ISO-8859-1");
  Set(1, "127.0.0.1", QString::fromUtf8("服务.test"));
  TestServerPort(*this, services);
  EXPECT_NE(std::find(log.begin(), log.end(), "resolve:??.test"), log.end());
  EXPECT_EQ(log.back(), "box:Prompt|" + Result(false, "??.test"));

  Set(-1, "127.0.0.1", "127.0.0.1");
  TestServerPort(*this, services);
  const std::string failed = Result(false, "");
  EXPECT_EQ(log, (Log{"port", "busy", "probe-pump", "idle", "status:" + failed, "box:Prompt|" + failed}));
}

TEST_F(Diagnostics, BlankFieldStopsBothHandlers) {
  // clang-format off
  const struct { int mode; QString ip, domain; std::string field; } rows[] = {
      {0, " \t\r\n", "last.test", "Static IP"}, {1, "127.0.0.1", QChar(0x1F), "Domain address"}};
  // clang-format on
  for (const auto& r : rows)
    for (auto handler : {&TestServerPort, &JudgeMapping}) {
      Set(r.mode, r.ip, r.domain);
      handler(*this, services);
      EXPECT_EQ(log, Log{"invalid:" + r.field});
      EXPECT_EQ(status, "previous");
    }
}

TEST_F(Diagnostics, MappingJudgement) {
  const std::string same = "The local IP network segment with the WAN IP is identical, users do not need port mapping.";
  const std::string differ =
      "The local IP network segment with the WAN IP is different, you need to do port mapping in router.";
  // clang-format off
  const struct { int mode; QString ip, domain; bool hostKnown; std::string box; } rows[] = {
      {0, "192.0.2.10", "first.test", true, same}, {0, "192.0.2.20", "", true, differ},
      {0, " 192.0.2.10 ", "", true, differ}, {0, QChar(0xA0), "", true, differ},
      {1, "192.0.2.20", "last.test", true, same}, {1, "", "first.test", true, differ},
      {1, "", "nowhere.test", false, same}, {-1, "192.0.2.10", "last.test", true, ""}};
  // clang-format on
  for (const auto& r : rows) {
    Set(r.mode, r.ip, r.domain);
    hostName = r.hostKnown ? std::optional<std::string>("dtu-host") : std::nullopt;
    JudgeMapping(*this, services);
    EXPECT_EQ(log.back(), "box:Prompt|" + r.box) << r.mode << ' ' << r.ip.toStdString() << r.domain.toStdString();
    EXPECT_EQ(status, "previous");
  }
}

TEST_F(Diagnostics, ObtainIpTakesOnlyAnAddress) {
  services.timeouts.httpTotal = 400ms;
  // clang-format off
  const auto page = [](int status, const std::string& body) { return net::testing::HttpResponse(status, "text/html", body); };
  const auto heading = [](const std::string& text) { return "<h2>" + std::string(21, 'L') + text + std::string(69, 'T') + "</h2>"; };
  // Without a length up front only the program's own cap stops the page.
  const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n100001\r\n" + std::string(net::kMaxWanBodyBytes + 1, 'x') + "\r\n0\r\n\r\n";
  // No address: AppError with this text, and no setStaticIp.
  const struct { std::string response, address, error; } rows[] = {
      {page(200, heading("203.0.113.7")), "203.0.113.7", ""}, {page(404, heading("203.0.113.8")), "203.0.113.8", ""},
      {page(200, heading("IP: 203.0.113.7")), "", "could not be read"},
      {page(200, std::string(net::kMaxWanBodyBytes, 'x')), "", "could not be read"},
      {page(200, std::string(net::kMaxWanBodyBytes + 1, 'x')), "", "larger than 1 MiB"}, {chunked, "", "larger than 1 MiB"},
      {"", "", "Could not fetch"}};
  // clang-format on
  for (const auto& r : rows) {
    Set(0, "192.0.2.200", "");
    net::testing::CannedHttpServer server(r.response);
    ASSERT_TRUE(server.ok());
    try {
      services.echoUrl = server.url();
      ObtainIp(*this, services);
      EXPECT_EQ(log, (Log{"busy", "idle", "setStaticIp:" + r.address})) << r.address;
    } catch (const AppError& e) {
      EXPECT_NE(e.message().indexOf(QString::fromStdString(r.error)), -1) << e.what();
      EXPECT_TRUE(!r.error.empty() && (log == Log{"busy", "idle"})) << e.what();
    }
  }
}

}  // namespace
}  // namespace dtu
