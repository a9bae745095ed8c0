// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <signal.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <set>
#include <thread>

#include "cli/CommandLine.h"
#include "cli/SendCommand.h"
#include "core/net/NetTestSupport.h"
#include "core/send/GatewaySender.h"
#include "core/send/ModemSender.h"
#include "core/send/SendLog.h"
#include "core/send/SendPlan.h"
#include "core/send/SendRun.h"
#include "core/send/SenderFactory.h"
#include "core/send/SmsPdu.h"
#include "core/send/SqliteJournal.h"
#include "support/FakeModem.h"
#include "support/FakeNetwork.h"
#include "support/FakeProcess.h"
#include "support/FakeSerialPorts.h"
#include "support/TestSupport.h"
#include "ui/BatchDialog.h"
#include "ui/RolloutDialog.h"
#include "ui/SendDialogs.h"

namespace dtu {
namespace {

using namespace std::chrono_literals;
using testing::FakeModem;
using testing::TestPlatform;

TEST(SmsPdu, EncodesSubmitAndDecodesDeliverAsPublishedExamplesDo) {
  // "hellohello" to +46708251358, the well-known 7-bit packing E8329BFD4697D9EC37; a status report
  // asked for sets 0x20 in the first octet.
  for (const auto& [report, hex] : {std::pair(false, "0001000B916407281553F800000AE8329BFD4697D9EC37"),
                                    std::pair(true, "0021000B916407281553F800000AE8329BFD4697D9EC37")}) {
    const auto pdus = EncodeSubmitPdus(QStringLiteral("+46708251358"), QStringLiteral("hellohello"), 0, report);
    ASSERT_EQ(pdus.size(), 1u);
    EXPECT_EQ(pdus[0].hex, hex);
    EXPECT_EQ(pdus[0].tpduLength, 22);
  }
}

TEST(SmsPdu, CutsPartsWhereTheCheckCountsThem) {
  struct Case {
    QString text;
    std::vector<int> lengths;  // TP-UDL of each part: septets (with the header's 7) or octets (with its 6)
  } cases[] = {
      {QString(200, u'a'), {160, 54}},
      {QString(152, u'a') + QStringLiteral("€") + QString(10, u'b'), {159, 19}},  // the escape pair stays whole
      {QString(70, u'中'), {140}},
      {QString(66, u'中') + QStringLiteral("😀") + QString(5, u'中'), {138, 20}},  // so does the surrogate pair
  };
  for (const Case& c : cases) {
    const auto pdus = EncodeSubmitPdus(QStringLiteral("10086"), c.text, 7);
    std::vector<int> lengths;
    for (std::size_t n = 0; n < pdus.size(); ++n) {
      const QByteArray octets = QByteArray::fromHex(pdus[n].hex);
      const int udlAt = 1 + 1 + 1 + 2 + 3 + 2;  // SC, first octet, MR, address header, "10086", PID+DCS
      lengths.push_back(static_cast<unsigned char>(octets[udlAt]));
      EXPECT_EQ(pdus[n].tpduLength, octets.size() - 1);
      EXPECT_EQ(static_cast<unsigned char>(octets[1]), pdus.size() > 1 ? 0x61 : 0x21);  // header, report
      if (pdus.size() > 1) {
        EXPECT_EQ(octets.mid(udlAt + 1, 6).toHex(), QByteArray("05000307020") + QByteArray::number(n + 1));
      }
    }
    EXPECT_EQ(lengths, c.lengths) << c.text.size();
  }
}

// The modem's device opened as the program opens one.
std::unique_ptr<QIODevice> Open(const FakeModem& modem) {
  platform::SerialFailure failure;
  return TestPlatform().serial->open(QString::fromStdString(modem.device()), 115200, failure);
}

constexpr ModemTimeouts kQuick{300ms, 300ms, 2s};

std::vector<SendItem> Items(std::initializer_list<const char*> numbers) {
  std::vector<SendItem> items;
  for (const char* n : numbers)
    items.push_back({static_cast<int>(items.size()) + 1, QStringLiteral("KQ%1").arg(items.size()),
                     QString::fromLatin1(n), QStringLiteral("(A55A#s)")});
  return items;
}

// A journal of its own in `dir`, with this process's liveness.
std::unique_ptr<SqliteJournal> Journal(const QTemporaryDir& dir, const QString& route = QStringLiteral("test")) {
  platform::Process& process = TestPlatform().process;
  auto journal = SqliteJournal::open(dir.filePath(QStringLiteral("journal.sqlite")),
                                     {process.id(), [&process](long long id) { return process.isRunning(id); }});
  if (!journal || !journal.value()->beginRun(route)) return nullptr;
  return std::move(journal).value();
}

TEST(ModemSender, SendsInOrderReportsTheFailingNumberAndARerunSendsOnlyThat) {
  QTemporaryDir dir;
  const QString logPath = dir.filePath(QStringLiteral("list.txt.sent.csv"));
  const auto items = Items({"+8613800000001", "13800000002", "13800000003"});
  std::vector<FakeModem::Sms> expected;
  {
    FakeModem modem;
    modem.failing = {"13800000002"};
    auto device = Open(modem);
    ASSERT_TRUE(device);
    ModemSender sender(*device, kQuick);
    ASSERT_TRUE(sender.start().ok());
    SendLog log;
    const Status opened = log.open(logPath, TestPlatform().files);
    ASSERT_TRUE(opened.ok()) << opened.message().toStdString();
    const auto journal = Journal(dir);
    ASSERT_TRUE(journal);
    std::vector<QString> errors;
    const SendSummary s =
        RunSends(items, sender, *journal, &log, {0ms, false},
                 {{}, [&](std::size_t, const SendOutcome& o) { errors.push_back(o.result.error); }, {}, {}});
    EXPECT_EQ(s.sent, 2);
    EXPECT_EQ(s.failed, 1);
    for (const SendItem& i : items) expected.push_back({i.simNumber.toStdString(), "(A55A#s)"});
    EXPECT_EQ(modem.sent(), expected);
    EXPECT_TRUE(errors[1].contains(QStringLiteral("500: unknown error"))) << errors[1].toStdString();
    for (const std::string& c : modem.commands()) EXPECT_NE(c.rfind("AT+CPIN=", 0), 0u);
  }
  FakeModem again;
  auto device = Open(again);
  ModemSender sender(*device, kQuick);
  ASSERT_TRUE(sender.start().ok());
  const auto journal = Journal(dir);
  const SendSummary s = RunSends(items, sender, *journal, nullptr, {0ms, false}, {});
  EXPECT_EQ(s.sentBefore, 2);
  EXPECT_EQ(again.sent(), std::vector<FakeModem::Sms>{expected[1]});
  // The report is for people: every attempt, the failed one twice.
  EXPECT_EQ(testing::ReadBytes(logPath).count("\r\n"), 4) << testing::ReadBytes(logPath).toStdString();
}

// What the journal must hear of a message that may have gone: a reference
// followed by an error, or a line that dies once the text is in.
TEST(ModemSender, ALostAnswerAfterTheTextIsUnconfirmedNeverFailed) {
  FakeModem taken;
  taken.referenceThenError = {"10086"};
  auto device = Open(taken);
  ModemSender sender(*device, kQuick);
  ASSERT_TRUE(sender.start().ok());
  const SendResult r = sender.send(QStringLiteral("10086"), QStringLiteral("x"));
  EXPECT_EQ(std::pair(r.status, r.reference), std::pair(SendResult::Status::Unconfirmed, QStringLiteral("1")));

  FakeModem unplugged;
  device = Open(unplugged);
  ModemSender lost(*device, kQuick);
  ASSERT_TRUE(lost.start().ok());
  unplugged.unplugAtText = 2;
  // The second of three parts: the first was confirmed, the line died under the second.
  const SendResult part = lost.send(QStringLiteral("10086"), QString(400, u'a'));
  EXPECT_EQ(unplugged.sent().size(), 2u);
  EXPECT_EQ(std::pair(part.status, part.stopsRun), std::pair(SendResult::Status::Unconfirmed, true));
}

TEST(ModemSender, StopsAtAPinNoPromptOrSilenceWithinItsTimeOuts) {
  FakeModem pin;
  pin.pinState = "SIM PIN";
  auto device = Open(pin);
  EXPECT_TRUE(ModemSender(*device, kQuick).start().message().contains(QStringLiteral("PIN")));

  FakeModem deaf;
  deaf.noPrompt = {"10086"};
  device = Open(deaf);
  ModemSender sender(*device, kQuick);
  ASSERT_TRUE(sender.start().ok());
  EXPECT_EQ(sender.send(QStringLiteral("10086"), QStringLiteral("x")).status, SendResult::Status::Failed);
  EXPECT_TRUE(sender.send(QStringLiteral("10010"), QStringLiteral("y")).sent());
  EXPECT_EQ(deaf.sent(), (std::vector<FakeModem::Sms>{{"10010", "y"}}));

  FakeModem silent;
  silent.silent = true;
  device = Open(silent);
  EXPECT_FALSE(ModemSender(*device, kQuick).start().ok());
}

// A modem an earlier run left reading message text takes this run's
// commands once ESC has ended that; a prompt that never comes leaves the ESC
// on the line before send returns, with no event loop to write it later.
TEST(ModemSender, EndsAMessageTextLeftOpenBeforeAndAfter) {
  FakeModem modem;
  modem.noPrompt = {"10086"};
  modem.leaveWaitingForText();
  auto device = Open(modem);
  ModemSender sender(*device, kQuick);
  ASSERT_TRUE(sender.start().ok());
  EXPECT_TRUE(sender.send(QStringLiteral("10010"), QStringLiteral("y")).sent());
  EXPECT_EQ(sender.send(QStringLiteral("10086"), QStringLiteral("x")).status, SendResult::Status::Failed);
  for (int wait = 0; wait < 50 && modem.waitingForText(); ++wait) std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(modem.waitingForText());
  EXPECT_EQ(modem.sent(), (std::vector<FakeModem::Sms>{{"10010", "y"}}));
}

// Errors of the SIM, the service centre or the network would meet every
// message: the first stops the run and says what to do. Others fail one row.
TEST(ModemSender, StopsTheRunAtAnErrorEveryMessageWouldMeet) {
  const struct {
    int code;
    bool stops;
    const char* hint;
  } cases[] = {{310, true, "SIM not inserted. Every message would fail on this SIM"},
               {318, true, "SIM PUK2 required"},
               {330, true, "service centre number"},
               {332, true, "no network"},
               {500, false, "unknown error."}};
  for (const auto& c : cases) {
    QTemporaryDir dir;
    FakeModem modem;
    modem.failing = {"10001", "10002", "10003"};
    modem.errorCode = c.code;
    auto device = Open(modem);
    ModemSender sender(*device, kQuick);
    ASSERT_TRUE(sender.start().ok());
    const auto journal = Journal(dir);
    std::vector<QString> errors;
    const SendSummary s =
        RunSends(Items({"10001", "10002", "10003"}), sender, *journal, nullptr, {0ms, false},
                 {{}, [&](std::size_t, const SendOutcome& o) { errors.push_back(o.result.error); }, {}, {}});
    EXPECT_EQ(std::pair(s.failed, s.notTried), c.stops ? std::pair(1, 2) : std::pair(3, 0)) << c.code;
    EXPECT_EQ(modem.sent().size(), c.stops ? 1u : 3u);
    EXPECT_TRUE(errors.at(0).contains(QLatin1String(c.hint))) << errors[0].toStdString();
  }
}

// A flood, with or without line ends, is read and dropped as it comes; a
// line is cut and the lines counted. Long messages of two runs do not share
// a concatenation reference.
TEST(ModemSender, BoundsWhatAModemSaysAndVariesTheReference) {
  for (const char* unit : {"x", "RING\r\n"}) {
    FakeModem modem;
    modem.floodUnit = unit;
    modem.floodBytes = 2 * 1024 * 1024;
    auto device = Open(modem);
    ModemSender sender(*device, {300ms, 300ms, 10s});
    ASSERT_TRUE(sender.start().ok());
    const SendResult r = sender.send(QStringLiteral("10010"), QStringLiteral("y"));
    EXPECT_EQ(std::pair(r.status, r.reference), std::pair(SendResult::Status::Sent, QStringLiteral("1"))) << unit;
  }
  FakeModem modem;
  // A 10,000-character line, then more lines than an answer keeps.
  modem.storedPdus = {{1, std::string(10000, 'F')}};
  for (int i = 2; i < 5000; ++i) modem.storedPdus[i] = "00";
  auto device = Open(modem);
  std::set<char> references;
  for (int run = 0; run < 4; ++run) {
    ModemSender sender(*device, {300ms, 3s, 2s});
    ASSERT_TRUE(sender.start().ok());
    if (run == 0) {
      const auto inbox = sender.inbox();
      ASSERT_TRUE(inbox.ok() && !inbox->messages.empty());
      EXPECT_EQ(inbox->messages[0].pdu, QByteArray(kModemLineLimit, 'F'));
      EXPECT_LE(inbox->messages.size(), kModemLinesLimit / 2);
    }
    ASSERT_TRUE(sender.send(QStringLiteral("10086"), QString(80, u'中')).sent());
    // SC, first octet, MR, the address of "10086", PID, DCS, UDL, then 05 00 03 <reference>.
    references.insert(QByteArray::fromHex(modem.sent().back().body.c_str()).at(1 + 1 + 1 + 2 + 3 + 2 + 1 + 3));
  }
  EXPECT_GT(references.size(), 1u);
}

// Reports asked for in both modes; a modem that will not store them still sends; what it holds is
// read in PDU mode (the PDUs are those of ModemInboxTest, worked out by hand) and text mode comes back.
TEST(ModemSender, AsksForStatusReportsAndReadsTheInboxInPduMode) {
  FakeModem modem;
  modem.refuseCnmi = true;
  modem.floodUnit = "\r\n+CDSI: \"SM\",9\r\nRING\r\n+CMTI: \"SM\",10\r\n";  // before each +CMGS answer
  modem.floodBytes = 1;
  modem.storedPdus = {
      {1, "0006000B910221815716F2709021510121807090215101718000"},
      {2, "00440D91683108000000F10008622170010001230A050003A702026B635E38"},  // "正常", part 2, +10 s
      {3, "0001000B916407281553F800000AE8329BFD4697D9EC37"},  // an SMS-SUBMIT kept to be sent: not received
      {4, "07917283010010F5040BC87238880900F10000993092516195800AE8329BFD4697D9EC37"},
      {5, "00440D91683108000000F10008622170010000230A050003A702018FD0884C"},  // "运行", part 1
      {7, "000405810180F600046221700100002302C0FF"},                          // 8-bit data
      {9, "07911326060032F0062A0D91683108000000F2622170010000236221800100002346"},
  };
  auto device = Open(modem);
  ModemSender sender(*device, kQuick);
  ASSERT_TRUE(sender.start().ok());
  EXPECT_TRUE(sender.statusReportsRefused());
  EXPECT_FALSE(sender.textModeReportsRefused());
  ASSERT_TRUE(sender.send(QStringLiteral("10086"), QStringLiteral("(A55A#s)")).sent());
  const Expected<ModemInbox> inbox = sender.inbox();
  ASSERT_TRUE(inbox.ok()) << inbox.message().toStdString();
  ASSERT_TRUE(sender.send(QStringLiteral("10010"), QStringLiteral("y")).sent());
  ASSERT_TRUE(sender.send(QStringLiteral("+8613800000001"), QStringLiteral("设备")).sent());
  EXPECT_EQ(modem.sent().back().body.substr(0, 4), "0021");  // no service centre; SMS-SUBMIT with a report
  EXPECT_TRUE(sender.deleteStored(4).ok());
  EXPECT_FALSE(sender.deleteStored(4).ok());
  EXPECT_EQ(modem.storedNow().count(4), 0u);
  EXPECT_EQ(modem.commands(),
            (std::vector<std::string>{"AT", "AT+CPIN?", "AT+CMGF=1", "AT+CSCS=\"GSM\"", "AT+CSMP=49,167,0,0",
                                      "AT+CNMI=2,1,0,2,0", "AT+CMGS=\"10086\"", "AT+CMGF=0", "AT+CMGL=4", "AT+CMGF=1",
                                      "AT+CMGS=\"10010\"", "AT+CMGF=0", "AT+CMGS=18", "AT+CMGD=4", "AT+CMGD=4"}));

  ASSERT_EQ(inbox->reports.size(), 2u);
  const auto report = [](const StatusReport& r) {
    return std::tuple(r.index, r.reference, r.recipient, r.delivered.toString(Qt::ISODate), r.status);
  };
  EXPECT_EQ(report(inbox->reports[0]),
            std::tuple(1, 0, QStringLiteral("+20121875612"), QStringLiteral("2007-09-12T15:10:17+02:00"), 0));
  EXPECT_EQ(report(inbox->reports[1]),
            std::tuple(9, 42, QStringLiteral("+8613800000002"), QStringLiteral("2026-12-08T10:00:00+08:00"), 0x46));
  ASSERT_EQ(inbox->messages.size(), 3u);
  const auto message = [](const IncomingSms& m) {
    return std::tuple(m.indexes, m.sender, m.sent.toString(Qt::ISODate), m.text, m.problem.isEmpty());
  };
  EXPECT_EQ(message(inbox->messages[0]),
            std::tuple(std::vector<int>{5, 2}, QStringLiteral("+8613800000001"),
                       QStringLiteral("2026-12-07T10:00:00+08:00"), QStringLiteral("运行正常"), true));
  EXPECT_EQ(message(inbox->messages[1]),
            std::tuple(std::vector<int>{4}, QStringLiteral("27838890001"), QStringLiteral("1999-03-29T15:16:59+02:00"),
                       QStringLiteral("hellohello"), true));
  EXPECT_EQ(inbox->messages[2].indexes, std::vector<int>{7});
  EXPECT_EQ(inbox->messages[2].pdu, QByteArray::fromStdString(modem.storedPdus.at(7)));
  EXPECT_FALSE(inbox->messages[2].problem.isEmpty());
}

TEST(GatewaySender, GetsThePercentEncodedUrlAndTakesOnly2xx) {
  net::testing::CannedHttpServer server(std::map<std::string, std::string>{
      {"/send?to=%2B86%20138&text=%28A55A%231%2Ax%20y%29%E8%AE%BE", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"},
      {"", "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"}});
  testing::FakeNetwork network;
  GatewaySender sender(QString::fromStdString(server.url()) + QStringLiteral("send?to={phone}&text={message}"),
                       net::testing::LoopbackServices(network));
  ASSERT_TRUE(sender.start().ok());
  EXPECT_TRUE(sender.send(QStringLiteral("+86 138"), QStringLiteral("(A55A#1*x y)设")).sent());
  EXPECT_EQ(sender.send(QStringLiteral("+86 139"), QStringLiteral("x")).status, SendResult::Status::Failed);
  EXPECT_FALSE(GatewaySender(QStringLiteral("ftp://x/{phone}{message}"), {}).start().ok());
  EXPECT_FALSE(GatewaySender(QStringLiteral("http://x/{phone}"), {}).start().ok());
  EXPECT_FALSE(sender.inbox().ok());  // a gateway keeps nothing to list
}

// Placeholders where a request carries them, an address not shown with its
// password, and a coding per message.
TEST(GatewaySender, ChecksTheTemplateMasksThePasswordAndFillsTheCoding) {
  const std::pair<const char*, const char*> templates[] = {
      {"http://u:s3cret@gw/send#to={phone}&text={message}", "{phone} must stand in the gateway address's path"},
      {"http://gw/send?to={phone}#{message}", "{message} must stand"},
      {"http://{phone}.gw/?m={message}", "{phone} must stand"},
      {"http://gw/?m={message}&to={phone}#c={coding}", "{coding} must stand"},
      {"ftp://u:s3cret@gw/{phone}{message}", "ftp://u:***@gw/{phone}{message} is not an http"},
      {"http://u:s3cret@gw/{phone}", "{message}: http://u:***@gw/{phone}"},
      {"https://u:s3cret@gw:8443/s?to={phone}&m={message}&coding={coding}", ""}};
  const platform::Platform& platform = TestPlatform();
  for (const auto& [url, refusal] : templates) {
    SendOptions options;
    options.gateway = QString::fromUtf8(url);
    const Status checked = CheckSendTarget(options, platform);
    EXPECT_EQ(checked.ok(), !*refusal) << url;
    EXPECT_TRUE(checked.message().contains(QLatin1String(refusal))) << checked.message().toStdString();
    if (*refusal) {
      const QString started = StartSender(options, platform).message();
      EXPECT_TRUE(started.startsWith(MaskedUrl(options.gateway) + ": ")) << started.toStdString();
      EXPECT_FALSE(started.contains(QLatin1String("s3cret"))) << started.toStdString();
    }
  }
  EXPECT_EQ(MaskedUrl(QStringLiteral("http://u:p@ss@gw/?a=b@c")), QStringLiteral("http://u:***@gw/?a=b@c"));
  EXPECT_EQ(MaskedUrl(QStringLiteral("http://u@gw/x:y@z")), QStringLiteral("http://u@gw/x:y@z"));
  const QString coded = QStringLiteral("x?c={coding}&m={message}");
  EXPECT_EQ(GatewayUrl(coded, {}, QStringLiteral("(A55A#4*KQ1)\u20ac")),
            QStringLiteral("x?c=0&m=%28A55A%234%2AKQ1%29%E2%82%AC"));
  EXPECT_EQ(GatewayUrl(coded, {}, QStringLiteral("(A55A#4*\u8bbe)")),
            QStringLiteral("x?c=2&m=%28A55A%234%2A%E8%AE%BE%29"));
}

// The loopback gateway redirects within itself, to a second loopback address,
// to another port and to another scheme; only the first is followed.
TEST(GatewaySender, FollowsNoRedirectToAnotherServer) {
  using net::testing::CannedHttpServer;
  const std::string ok = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
  const auto redirect = [](const std::string& to) {
    return "HTTP/1.1 302 Found\r\nLocation: " + to + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
  };
  CannedHttpServer elsewhere(ok, 0x7f000002), otherPort(ok);
  ASSERT_TRUE(elsewhere.ok() && otherPort.ok());
  std::map<std::string, std::string> answers{{"/ok", ok},
                                             {"/here?to=1", redirect("/ok")},
                                             {"/away?to=1", redirect(elsewhere.url() + "x?to=1")},
                                             {"/port?to=1", redirect(otherPort.url() + "x?to=1")},
                                             {"", "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"}};
  CannedHttpServer gateway(answers);
  ASSERT_TRUE(gateway.ok());
  const std::string self = gateway.url().substr(7, gateway.url().size() - 8);  // "127.0.0.1:PORT"
  // The same host and port over https: another scheme.
  CannedHttpServer gatewayTls(std::map<std::string, std::string>{{"/tls?to=1", redirect("https://" + self + "/ok")}});
  testing::FakeNetwork network;
  const auto send = [&](const CannedHttpServer& server, const char* path) {
    GatewaySender sender(QString::fromStdString(server.url()) + QStringLiteral("{message}?to={phone}"),
                         net::testing::LoopbackServices(network));
    return sender.send(QStringLiteral("1"), QString::fromLatin1(path));
  };
  EXPECT_TRUE(send(gateway, "here").sent());
  for (const auto& [server, path] : {std::pair{&gateway, "away"}, {&gateway, "port"}, {&gatewayTls, "tls"}}) {
    const SendResult r = send(*server, path);
    EXPECT_EQ(std::pair(r.status, r.stopsRun), std::pair(SendResult::Status::Failed, true)) << path;
    EXPECT_TRUE(r.error.contains(QLatin1String("another server"))) << r.error.toStdString();
  }
  EXPECT_EQ(std::pair(elsewhere.connections(), otherPort.connections()), std::pair(0, 0));
}

BatchRow Row(int line, const char* dtu, const char* sim, BatchProblem problem = BatchProblem::None) {
  BatchRow r;
  r.line = r.lastLine = line;
  r.dtuNumber = QString::fromUtf8(dtu);
  r.simNumber = QString::fromUtf8(sim);
  if (problem == BatchProblem::None) r.command = QStringLiteral("(A55A#4*%1)").arg(r.dtuNumber);
  r.problem = problem;
  return r;
}

// The command line and the window send the rows this picks, with the number
// as written; the others are counted as not sent, and a composed one says why.
TEST(SendPlan, TakesComposedRowsWithADialableNumberAndSaysWhyNotTheOthers) {
  BatchList list;
  list.rows = {Row(2, "KQ1", "+86 138-0000-0001"),
               Row(3, "KQ2", ""),
               Row(4, "KQ3", "138#1"),
               Row(5, "KQ4", "123456789012345678901"),
               Row(6, "K\x01", "10086", BatchProblem::ControlCharacter),
               Row(7, "KQ6", "10086")};
  QStringList plan;
  const SendPlan planned = PlanSends(list);
  for (const SendItem& item : planned.items)
    plan << QStringLiteral("%1 %2 %3 %4").arg(item.line).arg(item.dtuNumber, item.simNumber, item.command);
  for (const UnsentRow& row : planned.unsent) plan << QStringLiteral("%1 %2").arg(row.line).arg(row.reason);
  EXPECT_EQ(plan, (QStringList{"2 KQ1 +86 138-0000-0001 (A55A#4*KQ1)", "7 KQ6 10086 (A55A#4*KQ6)",
                               "3 no SIM number; not sent.", "4 '138#1' is not a number to send to; not sent.",
                               "5 '123456789012345678901' is not a number to send to; not sent.",
                               "6 A cell holds a line break or another control character."}));
  // One message from the QR code goes the same way; the window's log is the user's.
  EXPECT_EQ(PlanSend("KQ1", "+86 138", "(A55A#1)").items.size(), 1u);
  EXPECT_EQ(PlanSend("KQ1", {}, "(A55A#1)").unsent.front().reason, "no SIM number; not sent.");
  EXPECT_EQ(DefaultSendLogPath({}, QStringLiteral("/data/dtusms")), QStringLiteral("/data/dtusms/sent.csv"));
}

// Through `modem` without pacing, with a journal of the test's own.
SendOptions ModemOptions(const FakeModem& modem, const QTemporaryDir& dir) {
  SendOptions options;
  options.modem = QString::fromStdString(modem.device());
  options.interval = 0ms;
  options.journal = dir.filePath(QStringLiteral("journal.sqlite"));
  return options;
}

SmsCommandInputs QueryFields() {
  SmsCommandInputs fields;
  fields.commandType = kSmsCommandRunningQuery;
  return fields;
}

TEST(SendBatch, SendsRowsWithASimNumberAndSaysWhatItDidNot) {
  QTemporaryDir dir;
  FakeModem modem;
  BatchList list;
  list.rows = {Row(2, "KQ1", "+86 138-0000-0001"), Row(3, "KQ2", ""),
               Row(4, "K#1", "10086", BatchProblem::ControlCharacter)};
  SendOptions options = ModemOptions(modem, dir);
  const QString path = dir.filePath(QStringLiteral("list.csv"));
  QByteArray err;
  QList<QByteArray> flushed;
  EXPECT_EQ(SendBatch(list, path, QueryFields(), options, TestPlatform(), err,
                      [&](QByteArray& e) {
                        flushed << e;
                        e.clear();
                      }),
            ExitStatus::kSomeRowsFailed);
  EXPECT_EQ(modem.sent(), (std::vector<FakeModem::Sms>{{"+8613800000001", "(A55A#4*KQ1)"}}));
  const QByteArray all = flushed.join();
  // The row's line is handed over on its own, before the summary.
  EXPECT_TRUE(std::any_of(flushed.begin(), flushed.end(), [](const QByteArray& f) {
    return f.contains(":2: KQ1: sent, reference 1.") && !f.contains("1 sent");
  })) << all.toStdString();
  EXPECT_TRUE(all.contains(":3: no SIM number; not sent.\n") && all.contains("Messages to send: 1, through") &&
              all.contains("1 sent, 1 without a SIM number, 1 did not compose."))
      << all.toStdString();
  EXPECT_TRUE(QFile::exists(path + QStringLiteral(".sent.csv")));

  // A port in use is refused before anything is sent, as is a missing one.
  const auto held = Open(modem);
  for (const QString& device : {options.modem, dir.filePath(QStringLiteral("ttyNone"))}) {
    options.modem = device;
    options.resend = true;
    err.clear();
    EXPECT_EQ(SendBatch(list, path, QueryFields(), options, TestPlatform(), err), ExitStatus::kUsageOrFileError);
    // The holder is named from the lock file the first open left: this very test.
    const QByteArray holder =
        "is held by pid " + QByteArray::number(QCoreApplication::applicationPid()) + " (test_send)";
    EXPECT_TRUE(err.contains(device == dir.filePath(QStringLiteral("ttyNone")) ? "no serial device" : holder))
        << err.toStdString();
  }
  EXPECT_EQ(modem.sent().size(), 1u);
}

// Nothing goes while the check warns, unless the technician says so; what
// goes is told first, the warning whole.
TEST(SendBatch, RefusesCommandsTheCheckWarnsAboutUnlessAccepted) {
  QTemporaryDir dir;
  FakeModem modem;
  BatchList list;
  list.rows = {Row(2, "KQ1", "10086"), Row(3, "KQ2", "10010")};
  SmsCommandInputs fields;
  fields.commandType = kSmsCommandConfiguration;
  fields.serverMode = kServerModeStaticIp;
  fields.staticIp = QStringLiteral("192.168.1.20");
  fields.port = 5000;
  fields.apnIndex = 0;
  SendOptions options = ModemOptions(modem, dir);
  const QString path = dir.filePath(QStringLiteral("list.csv"));
  QByteArray err;
  EXPECT_EQ(SendBatch(list, path, fields, options, TestPlatform(), err), ExitStatus::kUsageOrFileError);
  EXPECT_TRUE(modem.sent().empty());
  for (const char* said :
       {"Messages to send: 2, through", "each carries its own DTU number", "Server 192.168.1.20, port 5000, APN CMNET.",
        "Warning: Private address: a DTU on a mobile network cannot reach it.", "--accept-warnings"})
    EXPECT_TRUE(err.contains(said)) << said << "\n" << err.toStdString();
  options.acceptWarnings = true;
  err.clear();
  EXPECT_EQ(SendBatch(list, path, fields, options, TestPlatform(), err), ExitStatus::kSuccess) << err.toStdString();
  EXPECT_EQ(modem.sent().size(), 2u);
}

TEST(SendBatch, AFailedOpenSaysWhatToDo) {
  testing::FakeSerialPorts ports;
  const platform::Platform& real = TestPlatform();
  const platform::Platform platform{real.files,   real.network, real.codePage, real.locale,
                                    real.process, nullptr,      &ports};
  SendOptions options;
  options.modem = QStringLiteral("/dev/ttyUSB2");
  using Kind = platform::SerialFailure::Kind;
  const struct {
    Kind kind;
    const char *holder, *hint;
  } cases[] = {{Kind::Busy, "", "ModemManager"},
               {Kind::Busy, "pid 15574 (dtusms)", "/dev/ttyUSB2 is held by pid 15574 (dtusms) (EIO). Close that"},
               {Kind::Denied, "", "dialout"},
               {Kind::NotFound, "", "plugged in? The serial ports here: /dev/ttyFAKE0."},
               {Kind::Other, "", "Cannot open /dev/ttyUSB2: EIO"}};
  for (const auto& [kind, holder, hint] : cases) {
    ports.failure = {kind, "EIO", holder};
    const QString error = StartSender(options, platform).message();
    EXPECT_TRUE(error.startsWith(QStringLiteral("/dev/ttyUSB2: ")) && error.contains(QLatin1String(hint)))
        << error.toStdString();
  }
}

TEST(SendBatch, CommandLineTakesTheSendingOptionsOnlyTogether) {
  const auto parse = [](std::initializer_list<const char*> arguments) {
    QStringList list{QStringLiteral("dtusms")};
    for (const char* a : arguments) list << QString::fromLatin1(a);
    return ParseCommandLine(list);
  };
  const CommandLine ok = parse({"--batch", "l", "--send-modem", "/dev/ttyUSB2", "--baud", "9600", "--interval", "0.5",
                                "--send-log", "x.csv", "--resend"});
  ASSERT_EQ(ok.action, CommandLine::Action::kBatch) << ok.text.toStdString();
  EXPECT_EQ(ok.send.baud, 9600);
  EXPECT_EQ(ok.send.interval, 500ms);
  EXPECT_TRUE(ok.send.resend);
  const CommandLine receive = parse({"--receive", "/dev/ttyUSB2", "--baud", "9600"});
  EXPECT_EQ(std::tuple(receive.action, receive.send.modem, receive.send.baud),
            std::tuple(CommandLine::Action::kReceive, QString("/dev/ttyUSB2"), 9600));
  EXPECT_EQ(parse({"--batch", "l", "--send-modem", "d", "--then-query", "2"}).send.thenQueryMinutes, 2);
  const CommandLine journal = parse({"--journal", "--csv", "j.csv"});
  EXPECT_EQ(std::pair(journal.action, journal.batchOutputs.at("csv")),
            std::pair(CommandLine::Action::kJournal, QString("j.csv")));
  const std::pair<CommandLine, QString> bad[] = {
      {parse({"--send-modem", "d"}), "--send-modem, --send-gateway and their options need --batch."},
      {parse({"--batch", "l", "--send-modem", "d", "--send-gateway", "u"}),
       "Give --send-modem or --send-gateway, not both."},
      {parse({"--batch", "l", "--resend"}),
       "--baud, --interval, --send-log and --resend need --send-modem or --send-gateway."},
      {parse({"--batch", "l", "--send-modem", "d", "--baud", "x"}), "'x' is not a serial speed."},
      {parse({"--batch", "l", "--send-modem", ""}), "--send-modem needs a value."},
      {parse({"--batch", "l", "--send-gateway", " "}), "--send-gateway needs a value."},
      {parse({"--batch", "l", "--send-gateway", "u", "--baud", "9600"}), "--baud needs --send-modem."},
      {parse({"--batch", "l", "--accept-warnings"}), "--accept-warnings needs --send-modem or --send-gateway."},
      {parse({"--journal", "--resend"}), "--journal takes --csv only."},
      {parse({"--receive", "d", "--interval", "1"}), "--receive takes --baud only."},
      {parse({"--batch", "l", "--send-gateway", "u", "--then-query", "2"}),
       "--then-query needs --send-modem: a gateway brings no status reports."},
      {parse({"--batch", "l", "--send-modem", "d", "--then-query", "-1"}),
       "'-1' is not a number of minutes (0 to 1440)."}};
  for (const auto& [line, message] : bad)
    EXPECT_EQ(std::pair(line.action, line.text.section('\n', 0, 0)),
              std::pair(CommandLine::Action::kFail, "dtusms: " + message));
  for (const char* seconds : {"-5", "nan", "1e30", "3600.1", "inf"}) {
    const CommandLine line = parse({"--batch", "l", "--send-gateway", "u", "--interval", seconds});
    EXPECT_EQ(line.text.section('\n', 0, 0),
              QStringLiteral("dtusms: '%1' is not a number of seconds from 0 to 3600.").arg(seconds));
  }
  EXPECT_EQ(parse({"--batch", "l", "--send-gateway", "u", "--interval", "3600"}).send.interval, 3600s);
}

// The stored interval is used only within 0 to 3600 s; the dialog keeps the
// speed shown under Enter and checks device and address on OK, staying open.
TEST(SendSettings, FallsBackFromABadIntervalAndChecksOnOk) {
  QTemporaryDir dir;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("user")));
  for (const QVariant& stored : {QVariant(-5.0), QVariant(QStringLiteral("nan")), QVariant(1e30), QVariant(0.5)}) {
    QSettings().setValue(QStringLiteral("Send/interval seconds"), stored);
    EXPECT_EQ(LoadSendOptions().interval, stored == QVariant(0.5) ? 500ms : 3000ms) << stored.toString().toStdString();
  }
  SendOptions stored;
  stored.modem = dir.filePath(QStringLiteral("ttyNone"));
  stored.baud = 57600;
  StoreSendOptions(stored);
  testing::RecordingPresenter boxes;
  SendSettingsDialog dialog(TestPlatform(), nullptr, boxes);
  dialog.show();
  auto* baud = dialog.findChild<QComboBox*>(QStringLiteral("send_Baud"));
  ASSERT_TRUE(baud && QTest::qWaitForWindowExposed(&dialog));
  baud->setFocus();
  QTest::keyClick(baud, Qt::Key_Return);
  EXPECT_EQ(baud->currentText(), QStringLiteral("57600"));
  QPushButton* ok = nullptr;
  for (QPushButton* b : dialog.findChildren<QPushButton*>())
    if (b->text() == QStringLiteral("OK")) ok = b;
  ASSERT_TRUE(ok);
  const auto refusal = [&] {
    boxes.boxes.clear();
    ok->click();
    return boxes.boxes.size() == 1 && dialog.isVisible() ? boxes.boxes[0].text : QStringLiteral("accepted");
  };
  EXPECT_TRUE(refusal().contains(QLatin1String("no serial device"))) << boxes.boxes.size();
  dialog.findChild<QRadioButton*>(QStringLiteral("send_GatewayChosen"))->click();
  auto* gateway = dialog.findChild<QLineEdit*>(QStringLiteral("send_Gateway"));
  gateway->setText(QStringLiteral("http://gw/send#to={phone}&text={message}"));
  EXPECT_TRUE(refusal().contains(QLatin1String("after '#'")));
  gateway->setText(QStringLiteral("ftp://gw/send?to={phone}&text={message}"));
  EXPECT_TRUE(refusal().contains(QLatin1String("not an http")));
  EXPECT_EQ(LoadSendOptions().modem, stored.modem);  // nothing stored yet
  FakeModem modem;
  dialog.findChild<QRadioButton*>(QStringLiteral("send_Modem"))->click();
  dialog.findChild<QComboBox*>(QStringLiteral("send_Device"))->setCurrentText(QString::fromStdString(modem.device()));
  ok->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(std::pair(LoadSendOptions().modem, LoadSendOptions().baud),
            std::pair(QString::fromStdString(modem.device()), 57600));
}

SendPlan PlanOf(std::vector<SendItem> items) {
  SendPlan plan;
  plan.items = std::move(items);
  return plan;
}

TEST(SendDialog, AsksFirstThenSendsOffTheWindowThreadAndStopsAfterTheMessageInFlight) {
  QTemporaryDir dir;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("user")));
  qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
  FakeModem modem;
  SendOptions options;
  options.modem = QString::fromStdString(modem.device());
  options.interval = 400ms;
  StoreSendOptions(options);
  testing::RecordingPresenter boxes;
  SendPlan plan = PlanOf(Items({"10001", "10002", "10003", "10004"}));
  plan.unsent.push_back({3, QStringLiteral("KQ-X"), QStringLiteral("no SIM number; not sent."), true});
  SendDialog dialog(plan, QueryFields(), dir.filePath(QStringLiteral("log.csv")), TestPlatform(), nullptr, boxes);
  dialog.show();
  // Every row of the list, by its own line numbers, the one that cannot go with its reason.
  QTableWidget* table = dialog.table();
  ASSERT_EQ(table->rowCount(), 5);
  EXPECT_EQ(table->verticalHeaderItem(3)->text(), QStringLiteral("3"));
  EXPECT_EQ(table->item(3, 2)->text(), QStringLiteral("cannot go: no SIM number; not sent."));
  // No consent, nothing sent.
  boxes.answer = false;
  dialog.start();
  ASSERT_EQ(boxes.questions.size(), 1u);
  EXPECT_TRUE(boxes.questions[0].text.contains(QStringLiteral("Messages to send: 4, through")) &&
              boxes.questions[0].text.contains(QStringLiteral("Rows of the list that cannot go: 1;")))
      << boxes.questions[0].text.toStdString();
  EXPECT_EQ(boxes.questions[0].confirm, QStringLiteral("Send 4 message(s)"));
  EXPECT_FALSE(dialog.running());
  boxes.answer = true;
  // The window's events are handled while the modem holds its answer.
  modem.hold = true;
  const std::unique_ptr<FakeModem, void (*)(FakeModem*)> release(&modem, [](FakeModem* m) { m->hold = false; });
  dialog.start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return modem.commands().size() >= 7; }, 5000));  // AT ... AT+CNMI, AT+CMGS
  bool handled = false;
  QTimer::singleShot(0, [&] { handled = true; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return handled; }, 2000));
  EXPECT_TRUE(dialog.running() && modem.sent().empty());
  modem.hold = false;
  ASSERT_TRUE(QTest::qWaitFor([&] { return modem.sent().size() == 1; }, 5000));
  for (QPushButton* b : dialog.findChildren<QPushButton*>())
    if (b->text() == QStringLiteral("Stop")) b->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.running(); }, 5000));
  EXPECT_LE(modem.sent().size(), 2u);
  EXPECT_EQ(table->item(0, 2)->text(), QStringLiteral("sent"));
  EXPECT_TRUE(table->item(4, 2)->text().isEmpty());
  EXPECT_TRUE(dialog.findChild<QLabel*>(QStringLiteral("send_Status"))->text().contains(QStringLiteral("not tried")));
  // Open again: the journal says what went.
  SendDialog again(plan, QueryFields(), dir.filePath(QStringLiteral("log.csv")), TestPlatform(), nullptr, boxes);
  EXPECT_TRUE(again.table()->item(0, 2)->text().startsWith(QStringLiteral("in the journal: sent ")))
      << again.table()->item(0, 2)->text().toStdString();
  qunsetenv("XDG_DATA_HOME");
}

// Replies come through the sender interface: those from the selected row's number only.
TEST(SendDialog, ShowsTheRepliesFromTheSelectedRowsNumber) {
  QTemporaryDir dir;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("user")));
  FakeModem modem;
  // From +8613800000002 at 26/12/07 10:00:00 +08:00 "OK running", from 13800000001 "other" (GSM 7-bit).
  modem.storedPdus = {{3, "00040D91683108000000F20000622170010000230ACF25485E77BBD3EE33"},
                      {4, "00040B813108000000F1000062217001100023056F3ABA2C07"}};
  SendOptions options;
  options.modem = QString::fromStdString(modem.device());
  StoreSendOptions(options);
  testing::RecordingPresenter boxes;
  SendDialog dialog(PlanOf(Items({"13800000001", "13800000002"})), QueryFields(),
                    dir.filePath(QStringLiteral("log.csv")), TestPlatform(), nullptr, boxes);
  dialog.table()->selectRow(1);
  QString shown;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* view = w->findChild<QPlainTextEdit*>(); view && w->isVisible()) {
        shown = view->toPlainText();
        w->close();
      }
  });
  poll.start(20);
  for (QPushButton* b : dialog.findChildren<QPushButton*>())
    if (b->text() == QStringLiteral("Replies...")) b->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.isEmpty(); }, 5000));
  // The modem's time stamp in the user's own clock and format.
  EXPECT_EQ(shown, QLocale().toString(QDateTime(QDate(2026, 12, 7), QTime(2, 0), Qt::UTC).toLocalTime(),
                                      QLocale::ShortFormat) +
                       QStringLiteral("  +8613800000002\nOK running\n\n"));
  EXPECT_TRUE(boxes.boxes.empty());
}

// The Batch dialog hands over the rows that composed and have a number to send to.
TEST(SendDialog, BatchDialogSendsTheRowsWithASimNumber) {
  QTemporaryDir dir;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("user")));
  const QString list = dir.filePath(QStringLiteral("list.csv"));
  ASSERT_TRUE(testing::WriteBytes(list, "KQ1,+8613800000001\nKQ2\nKQ3,13800000003\n"));
  qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
  SmsCommandInputs fields;
  fields.commandType = kSmsCommandRunningQuery;
  testing::RecordingPresenter boxes;
  BatchDialog batch(fields, AnsiCodec::forUser(TestPlatform().codePage), TestPlatform().files, nullptr, boxes);
  batch.enableSending(TestPlatform());
  ASSERT_TRUE(batch.openList(list));
  QStringList rows;
  QTimer::singleShot(0, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* send = qobject_cast<SendDialog*>(w)) {
        for (int r = 0; r < send->table()->rowCount(); ++r) rows << send->table()->item(r, 0)->text();
        send->close();
      }
  });
  batch.findChild<QPushButton*>(QStringLiteral("batch_Send"))->click();
  // Every row is listed; the one without a SIM number says so.
  EXPECT_EQ(rows, QStringList({QStringLiteral("KQ1"), QStringLiteral("KQ2"), QStringLiteral("KQ3")}));
  qunsetenv("XDG_DATA_HOME");
}

// Ctrl+C or SIGTERM while a message is out: it finishes, is recorded and
// reported, nothing more goes, and the exit status names the signal.
TEST(SendBatch, ATerminationRequestFinishesTheMessageInFlightAndSaysSo) {
  QTemporaryDir dir;
  FakeModem modem;
  BatchList list;
  list.rows = {Row(2, "KQ1", "10001"), Row(3, "KQ2", "10002"), Row(4, "KQ3", "10003")};
  SendOptions options = ModemOptions(modem, dir);
  testing::FakeProcess process(false);
  // SIGTERM comes while the first message is out.
  process.asked = [&] { return modem.sent().empty() ? 0 : 143; };
  const platform::Platform& real = TestPlatform();
  const platform::Platform platform{real.files, real.network,  real.codePage, real.locale,
                                    process,    real.catalogs, real.serial};
  QByteArray err;
  EXPECT_EQ(SendBatch(list, dir.filePath(QStringLiteral("l.csv")), QueryFields(), options, platform, err),
            ExitStatus::kTerminated);
  EXPECT_EQ(modem.sent().size(), 1u);
  EXPECT_TRUE(err.contains(":2: KQ1: sent") && err.contains("1 sent, 2 not tried.")) << err.toStdString();
}

// The real program, killed or interrupted while the modem holds the answer to
// a message: a kill leaves it unconfirmed, SIGINT and SIGTERM let it finish and
// say so; no DTU ever gets its command twice.
TEST(SendProcess, AKillOrATerminationRequestDuringTheAnswerNeverSendsTwice) {
  QTemporaryDir dir;
  const QString exe = dir.filePath(QStringLiteral("dtusms")), list = dir.filePath(QStringLiteral("list.csv"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(DTU_APP_EXECUTABLE), exe));
  ASSERT_TRUE(testing::WriteBytes(dir.filePath(QStringLiteral("ZEREVuzi.ini")), "[Main]\nSMS command type=1\n"));
  ASSERT_TRUE(testing::WriteBytes(list, "KQ1,10001\nKQ2,10002\nKQ3,10003\n"));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
  env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
  env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
  env.remove(QStringLiteral("LC_ALL"));
  std::vector<FakeModem::Sms> all;
  struct Round {
    int signal;  // 0: none
    int exitCode;
    const char* said;
  } rounds[] = {{SIGKILL, -1, ""},
                {SIGINT, 130, "list.csv:2: KQ2: sent"},
                {SIGTERM, 143, "list.csv:3: KQ3: sent"},
                {0, 0, "0 sent, 3 sent before."}};
  for (const Round& round : rounds) {
    SCOPED_TRACE(round.signal);
    FakeModem modem;
    modem.hold = round.signal != 0;
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(exe, {QStringLiteral("--batch"), list, QStringLiteral("--send-modem"),
                        QString::fromStdString(modem.device()), QStringLiteral("--interval"), QStringLiteral("0")});
    if (round.signal != 0) {
      const auto submitted = [&] {
        for (const std::string& c : modem.commands())
          if (c.rfind("AT+CMGS", 0) == 0) return true;
        return false;
      };
      ASSERT_TRUE(QTest::qWaitFor(submitted, 10000)) << program.readAllStandardError().toStdString();
      QTest::qWait(300);  // the text and Ctrl-Z are in; the answer is held
      ::kill(static_cast<pid_t>(program.processId()), round.signal);
      QTest::qWait(200);
      modem.hold = false;
    }
    ASSERT_TRUE(program.state() == QProcess::NotRunning || program.waitForFinished(20000));
    const QByteArray err = program.readAllStandardError();
    if (round.signal != SIGKILL) {
      EXPECT_EQ(program.exitCode(), round.exitCode) << err.toStdString();
    }
    EXPECT_TRUE(err.contains(round.said)) << err.toStdString();
    QTest::qWait(100);
    for (const FakeModem::Sms& sms : modem.sent()) all.push_back(sms);
  }
  EXPECT_EQ(all, (std::vector<FakeModem::Sms>{{"10001", "(A55A#s)"}, {"10002", "(A55A#s)"}, {"10003", "(A55A#s)"}}));
}

// Configure, then ask: the modem holds a report for each of two messages (one
// delivered, one expired) and an answer; only the delivered DTU is asked, and
// the journal's listing carries both.
TEST(SendBatch, ThenQueryAsksOnlyTheDtusWhoseCommandWasDelivered) {
  QTemporaryDir dir;
  FakeModem modem;
  // SMS-STATUS-REPORTs without a service centre address: MR, recipient 10001/10002 (national),
  // SCTS 2026-12-07 06:10:00 +00, discharge 06:12:00, status.
  const auto report = [](const char* mr, const char* digits, const char* status) {
    return std::string("0006") + mr + "0581" + digits + "62217060010000" + "62217060210000" + status;
  };
  modem.storedPdus = {{1, report("01", "0100F1", "00")},
                      {2, report("02", "0100F2", "46")},
                      // SMS-DELIVER from 10001 at 06:15: "OK" in GSM 7-bit.
                      {3,
                       "000405810100F1000062217060510000"
                       "02CF25"}};
  BatchList list;
  list.rows = {Row(2, "KQ1", "10001"), Row(3, "KQ2", "10002"), Row(4, "KQ3", "10003")};
  SendOptions options = ModemOptions(modem, dir);
  options.thenQueryMinutes = 0;
  QByteArray err;
  EXPECT_EQ(SendBatch(list, dir.filePath(QStringLiteral("l.csv")), QueryFields(), options, TestPlatform(), err),
            ExitStatus::kSuccess)
      << err.toStdString();
  const auto sent = modem.sent();
  ASSERT_EQ(sent.size(), 4u) << err.toStdString();
  EXPECT_EQ(sent.back(), (FakeModem::Sms{"10001", "(A55A#s)"}));
  for (const char* said : {"dtusms: KQ1: delivered", "dtusms: KQ2: not delivered: validity period expired",
                           "dtusms: KQ1 answered: OK", "list.csv"})
    EXPECT_TRUE(err.contains(said) || std::string(said) == "list.csv") << said << "\n" << err.toStdString();
  EXPECT_EQ(modem.storedNow().size(), 3u);  // nothing deleted unless asked
  QByteArray out, listErr;
  ASSERT_EQ(ListJournal(options.journal, {}, TestPlatform(), out, listErr), ExitStatus::kSuccess);
  EXPECT_TRUE(out.startsWith("time,DTU number,SIM number,command,state,reference,route,detail,delivered,answer\r\n"));
  EXPECT_TRUE(out.contains(",not delivered ")) << out.toStdString();
}

// The roll-out view: the list's DTUs or every one, filtered by state, the
// whole table exported.
TEST(RolloutDialog, ShowsTheListsDtusByStateAndExportsThem) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
  {
    platform::Process& process = TestPlatform().process;
    auto journal = SqliteJournal::open(path, {process.id(), [&](long long id) { return process.isRunning(id); }});
    ASSERT_TRUE(journal.ok() && journal.value()->beginRun(QStringLiteral("/dev/ttyUSB0")).ok());
    int reference = 0;
    for (const char* dtu : {"KQ1", "KQ2", "KQ3"}) {
      const auto claim = journal.value()->claim(QString::fromLatin1(dtu), QStringLiteral("1380000000") + dtu[2],
                                                QStringLiteral("(A55A#s)"), false);
      ASSERT_TRUE(claim.ok());
      const auto status = dtu[2] == '3' ? SendResult::Status::Failed : SendResult::Status::Sent;
      ASSERT_TRUE(journal.value()->record(claim->entry.id, {status, QString::number(++reference), {}}).ok());
    }
    StatusReport delivered;
    delivered.reference = 1;
    delivered.recipient = QStringLiteral("13800000001");
    ASSERT_TRUE(journal.value()->recordReport(delivered).ok());
  }
  testing::RecordingPresenter boxes;
  RolloutDialog view({QStringLiteral("kq1"), QStringLiteral("KQ3")}, path, TestPlatform(), nullptr, boxes);
  const auto shown = [&] {
    QStringList rows;
    for (int r = 0; r < view.table()->rowCount(); ++r)
      rows << view.table()->item(r, 0)->text() + QLatin1Char(' ') + view.table()->item(r, 3)->text();
    return rows;
  };
  EXPECT_EQ(shown(), (QStringList{"KQ1 delivered", "KQ3 failed"}));
  view.findChild<QCheckBox*>(QStringLiteral("rollout_Every"))->setChecked(true);
  EXPECT_EQ(shown(), (QStringList{"KQ1 delivered", "KQ2 sent", "KQ3 failed"}));
  auto* filter = view.findChild<QComboBox*>(QStringLiteral("rollout_Filter"));
  filter->setCurrentIndex(1);  // sent
  emit filter->activated(1);
  EXPECT_EQ(shown(), QStringList{"KQ2 sent"});
  const QString csv = dir.filePath(QStringLiteral("rollout.csv"));
  ASSERT_TRUE(view.exportCsv(csv));
  EXPECT_TRUE(testing::ReadBytes(csv).contains("KQ2,13800000002,(A55A#s),sent"))
      << testing::ReadBytes(csv).toStdString();
}

// Sends nothing; counts.
struct CountingSender final : SmsSender {
  Status start() override { return Done{}; }
  SendResult send(const QString&, const QString&) override { return {SendResult::Status::Sent, {}, {}}; }
};

TEST(RunSends, PacesByTheIntervalAndStopsAfterTheMessageInFlight) {
  QTemporaryDir dir;
  const auto journal = Journal(dir);
  CountingSender sender;
  std::vector<std::chrono::milliseconds> waits;
  int started = 0;
  const SendSummary s = RunSends(Items({"1", "2", "3", "4"}), sender, *journal, nullptr, {3s, false},
                                 {[&](std::size_t) { ++started; },
                                  {},
                                  [&] { return started == 3; },
                                  [&](std::chrono::milliseconds w) { waits.push_back(w); }});
  EXPECT_EQ(s.sent, 3);
  EXPECT_EQ(s.notTried, 1);
  EXPECT_TRUE(s.stopped);
  ASSERT_EQ(waits.size(), 2u);
  for (const auto w : waits) EXPECT_GT(w, 2900ms);
}

}  // namespace
}  // namespace dtu
