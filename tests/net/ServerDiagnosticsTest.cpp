// SPDX-License-Identifier: MIT
#include "net/ServerDiagnostics.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "AppError.h"
#include "NetTestSupport.h"
#include "config/AnsiCodec.h"

namespace dtu {
namespace {

using namespace std::chrono_literals;
using net::testing::CannedHttpServer;
using net::testing::HttpResponse;
using net::testing::LoopbackListener;
using net::testing::ProbeHookScope;

// Records every call as one line of an event log shared with the probe hooks.
class FakeView : public DiagnosticsView {
 public:
  explicit FakeView(std::vector<std::string>& log) : log_(log) {}

  int serverMode() const override { return mode; }
  QString staticIp() const override { return ip; }
  void setStaticIp(const QString& text) override {
    ip = text;
    log_.push_back("setStaticIp:" + text.toStdString());
  }
  QString domainAddress() const override { return domain; }
  int port() override {
    log_.push_back("port");
    return portValue;
  }
  void setStatusText(const QString& text) override {
    status = text;
    log_.push_back("status:" + text.toStdString());
    if (onStatus) onStatus();
  }
  void processPendingEvents() override { log_.push_back("view-pump"); }
  void showInvalidField(const char* fieldName) override { log_.push_back(std::string("invalid:") + fieldName); }
  void showInformation(const QString& caption, const QString& text) override {
    log_.push_back("box:" + caption.toStdString() + "|" + text.toStdString());
  }
  void setBusy(bool busy) override {
    busyDepth += busy ? 1 : -1;
    log_.push_back(busy ? "busy" : "idle");
  }

  int mode = 0;
  QString ip;
  QString domain;
  int portValue = 6000;
  QString status = "previous";
  int busyDepth = 0;
  std::function<void()> onStatus;

 private:
  std::vector<std::string>& log_;
};

class DiagnosticsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    net::SetEventPump([this] { log.push_back("probe-pump"); });
    net::SetResolverForTesting([this](const std::string& name) {
      log.push_back("resolve:" + name);
      const auto it = names.find(name);
      return it == names.end() ? std::vector<std::string>{} : it->second;
    });
    net::SetHostNameSourceForTesting([this]() -> std::optional<std::string> {
      log.push_back("hostname");
      return hostName;
    });
  }
  void TearDown() override {
    SetAnsiCharset("UTF-8");
    EXPECT_EQ(view.busyDepth, 0) << "busy cursor left on";
  }

  bool Logged(const std::string& entry) const { return std::find(log.begin(), log.end(), entry) != log.end(); }

  ProbeHookScope hooks;
  std::vector<std::string> log;
  FakeView view{log};
  std::optional<std::string> hostName = "dtu-host";
  // Addresses that are only compared, never connected to, may be anything;
  // anything that reaches a connect stays on loopback.
  std::map<std::string, std::vector<std::string>> names = {
      {"dtu-host", {"192.0.2.10", "192.0.2.20"}},
      {"same.test", {"192.0.2.99", "192.0.2.10"}},
      {"first-only.test", {"192.0.2.10", "192.0.2.99"}},
  };
};

const std::string kTrying = "Are experimenting with IP =%1, port =%2 of server connection...";
const std::string kOk = "With IP =%1, port =%2 of server connection is successful!";
const std::string kFailed = "With IP =%1, port =%2 of server connection is failed!";

std::string Fill(const std::string& format, const std::string& target, int port) {
  return QString::fromStdString(format).arg(QString::fromStdString(target)).arg(port).toStdString();
}

// ---- Test server port -------------------------------------------------------

TEST_F(DiagnosticsTest, PortTestEventOrder) {
  LoopbackListener listener;
  ASSERT_TRUE(listener.ok());
  view.mode = 0;
  view.ip = "127.0.0.1";
  view.portValue = listener.port();
  names["127.0.0.1"] = {"127.0.0.1"};
  view.onStatus = [&] { log.push_back(listener.HasPendingConnection(0ms) ? "listener:connected" : "listener:idle"); };

  TestServerPort(view);

  const int p = listener.port();
  const std::vector<std::string> expected = {
      "port",
      "status:" + Fill(kTrying, "127.0.0.1", p),
      "listener:idle",
      "view-pump",
      "busy",
      "probe-pump",  // inside the look-up
      "resolve:127.0.0.1",
      "probe-pump",  // inside the connect, after the socket exists
      "idle",
      "status:" + Fill(kOk, "127.0.0.1", p),
      "listener:connected",
      "box:Prompt|" + Fill(kOk, "127.0.0.1", p),
  };
  EXPECT_EQ(log, expected);
}

TEST_F(DiagnosticsTest, PortTestByMode) {
  LoopbackListener listener;
  ASSERT_TRUE(listener.ok());
  const int p = listener.port();
  names["127.0.0.1"] = {"127.0.0.1"};
  names[" 127.0.0.1"] = {"127.0.0.1"};
  names["last.test"] = {"127.0.0.9", "127.0.0.1"};   // only 127.0.0.1 listens
  names["first.test"] = {"127.0.0.1", "127.0.0.9"};
  struct Row {
    const char* name;
    int mode;
    QString ip, domain;
    int port;
    std::string shown;      // target text in the messages
    std::string resolved;   // name handed to the resolver, "" for none
    bool success;
  };
  const std::vector<Row> rows = {
      {"static address", 0, "127.0.0.1", "first.test", p, "127.0.0.1", "127.0.0.1", true},
      {"static with a leading blank", 0, " 127.0.0.1", "", p, " 127.0.0.1", " 127.0.0.1", true},
      {"static, port + 65536", 0, "127.0.0.1", "", p + 65536, "127.0.0.1", "127.0.0.1", false},
      {"no-break space is not blank", 0, QString(QChar(0xA0)), "", p, "\u00A0", "\u00A0", false},
      {"domain, last address listens", 1, "", "last.test", p, "last.test", "last.test", true},
      {"domain, only first address listens", 1, "127.0.0.1", "first.test", p, "first.test", "first.test", false},
      {"domain that does not resolve", 1, "", "nowhere.test", p, "nowhere.test", "nowhere.test", false},
  };
  for (const Row& r : rows) {
    log.clear();
    view.mode = r.mode;
    view.ip = r.ip;
    view.domain = r.domain;
    view.portValue = r.port;
    TestServerPort(view);
    const std::string result = Fill(r.success ? kOk : kFailed, r.shown, r.port);
    EXPECT_TRUE(Logged("status:" + Fill(kTrying, r.shown, r.port))) << r.name;
    EXPECT_TRUE(Logged("resolve:" + r.resolved)) << r.name;
    EXPECT_EQ(view.status.toStdString(), result) << r.name;
    EXPECT_EQ(log.back(), "box:Prompt|" + result) << r.name;
    while (listener.HasPendingConnection(0ms)) ::close(::accept(listener.fd(), nullptr, nullptr));
  }
}

TEST_F(DiagnosticsTest, PortTestWithNothingSelected) {
  view.mode = -1;
  view.ip = "127.0.0.1";
  view.portValue = 5000;
  TestServerPort(view);
  const std::string failed = Fill(kFailed, "", 5000);
  const std::vector<std::string> expected = {"port", "busy", "probe-pump", "idle", "status:" + failed,
                                             "box:Prompt|" + failed};
  EXPECT_EQ(log, expected);
}

TEST_F(DiagnosticsTest, BlankFieldsStopBothHandlers) {
  struct Row {
    int mode;
    QString ip, domain;
    std::string field;
  };
  const std::vector<Row> rows = {
      {0, "", "server.test", "Static IP"},
      {0, " \t\r\n", "server.test", "Static IP"},
      {0, QString(QChar(0x1F)) + QChar(' '), "", "Static IP"},
      {1, "127.0.0.1", "", "Domain address"},
      {1, "127.0.0.1", "  ", "Domain address"},
  };
  for (const Row& r : rows) {
    for (void (*handler)(DiagnosticsView&) : {&TestServerPort, &JudgeMapping}) {
      log.clear();
      view.mode = r.mode;
      view.ip = r.ip;
      view.domain = r.domain;
      handler(view);
      EXPECT_EQ(log, std::vector<std::string>{"invalid:" + r.field}) << r.field << " mode " << r.mode;
      EXPECT_EQ(view.status, "previous");
    }
  }
}

TEST_F(DiagnosticsTest, TargetTextGoesThroughTheEightBitCharset) {
  SetAnsiCharset("ISO-8859-1");
  view.mode = 1;
  view.domain = QString::fromUtf8("服务.test");
  view.portValue = 1000;
  TestServerPort(view);
  EXPECT_TRUE(Logged("resolve:??.test"));
  EXPECT_EQ(view.status.toStdString(), Fill(kFailed, "??.test", 1000));
}

// ---- Port-mapping judgement ----------------------------------------------

TEST_F(DiagnosticsTest, MappingJudgement) {
  const std::string same =
      "box:Prompt|The local IP network segment with the WAN IP is identical, users do not need port mapping.";
  const std::string differ =
      "box:Prompt|The local IP network segment with the WAN IP is different, you need to do port mapping in router.";
  struct Row {
    const char* name;
    int mode;
    QString ip, domain;
    bool hostKnown;
    std::string box;
  };
  const std::vector<Row> rows = {
      {"static equals first local address", 0, "192.0.2.10", "", true, same},
      {"static equals second local address", 0, "192.0.2.20", "", true, differ},
      {"static with leading blank", 0, " 192.0.2.10", "", true, differ},
      {"static with trailing blank", 0, "192.0.2.10 ", "", true, differ},
      {"static of another machine", 0, "198.51.100.1", "", true, differ},
      {"static, own name unknown", 0, "192.0.2.10", "", false, differ},
      {"domain whose last address is local", 1, "", "same.test", true, same},
      {"domain whose first address is local", 1, "", "first-only.test", true, differ},
      {"domain that does not resolve", 1, "", "nowhere.test", true, differ},
      {"neither resolves", 1, "", "nowhere.test", false, same},
      {"nothing selected", -1, "192.0.2.10", "same.test", true, "box:Prompt|"},
  };
  for (const Row& r : rows) {
    log.clear();
    view.mode = r.mode;
    view.ip = r.ip;
    view.domain = r.domain;
    hostName = r.hostKnown ? std::optional<std::string>("dtu-host") : std::nullopt;
    JudgeMapping(view);
    ASSERT_FALSE(log.empty()) << r.name;
    EXPECT_EQ(log.back(), r.box) << r.name;
    EXPECT_EQ(view.status, "previous") << r.name;
    const bool looked = Logged("hostname") || Logged("resolve:" + r.domain.toStdString());
    EXPECT_EQ(looked, r.mode != -1) << r.name;
  }
}

// ---- Obtain IP --------------------------------------------------------------

TEST_F(DiagnosticsTest, ObtainIpTakesOnlyAnAddress) {
  const std::string lead(21, 'L'), trail(69, 'T');
  struct Row {
    const char* name;
    std::string response;
    bool silent;
    std::string expected;  // "" means AppError and the field untouched
  };
  const std::vector<Row> rows = {
      {"framed heading", HttpResponse(200, "text/html", "<h2>" + lead + "203.0.113.7" + trail + "</h2>"), false,
       "203.0.113.7"},
      {"404 page with a heading", HttpResponse(404, "text/html", "<h2>" + lead + "203.0.113.8" + trail + "</h2>"),
       false, "203.0.113.8"},
      {"no heading", HttpResponse(200, "text/html", "<html></html>"), false, ""},
      {"upper-case tags", HttpResponse(200, "text/html", "<H2>" + lead + "203.0.113.7" + trail + "</H2>"), false,
       ""},
      {"short heading", HttpResponse(200, "text/html", "<h2>" + std::string(90, 'x') + "</h2>"), false, ""},
      {"changed layout", HttpResponse(200, "text/html", "<h2>" + lead + "IP: 203.0.113.7" + trail + "</h2>"),
       false, ""},
      {"oversized body", HttpResponse(200, "text/html", std::string(net::kMaxWanBodyBytes + 1, 'x')), false, ""},
      {"server never answers", "", true, ""},
  };
  net::ProbeTimeouts t = net::CurrentTimeouts();
  t.httpTotal = 400ms;
  net::SetTimeoutsForTesting(t);
  for (const Row& r : rows) {
    log.clear();
    view.ip = "192.0.2.200";
    CannedHttpServer server(r.response, r.silent);
    ASSERT_TRUE(server.ok());
    if (r.expected.empty()) {
      EXPECT_THROW(ObtainIpFrom(view, server.url()), AppError) << r.name;
      EXPECT_EQ(view.ip, "192.0.2.200") << r.name;
      EXPECT_EQ(log, (std::vector<std::string>{"busy", "idle"})) << r.name;
    } else {
      EXPECT_NO_THROW(ObtainIpFrom(view, server.url())) << r.name;
      EXPECT_EQ(log, (std::vector<std::string>{"busy", "idle", "setStaticIp:" + r.expected})) << r.name;
    }
  }
}

}  // namespace
}  // namespace dtu
