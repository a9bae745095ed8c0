// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "cli/CommandLine.h"
#include "cli/SendCommand.h"
#include "core/net/NetTestSupport.h"
#include "core/send/GatewaySender.h"
#include "core/send/ModemSender.h"
#include "core/send/SendPlan.h"
#include "core/send/SendRun.h"
#include "core/send/SenderFactory.h"
#include "core/send/SmsPdu.h"
#include "support/FakeModem.h"
#include "support/FakeNetwork.h"
#include "support/FakeSerialPorts.h"
#include "support/TestSupport.h"
#include "ui/BatchDialog.h"
#include "ui/SendDialogs.h"

namespace dtu {
namespace {

using namespace std::chrono_literals;
using testing::FakeModem;
using testing::TestPlatform;

TEST(SmsPdu, EncodesSubmitAndDecodesDeliverAsPublishedExamplesDo) {
  // "hellohello" to +46708251358, the well-known 7-bit packing E8329BFD4697D9EC37.
  const auto pdus = EncodeSubmitPdus(QStringLiteral("+46708251358"), QStringLiteral("hellohello"), 0);
  ASSERT_EQ(pdus.size(), 1u);
  EXPECT_EQ(pdus[0].hex, "0001000B916407281553F800000AE8329BFD4697D9EC37");
  EXPECT_EQ(pdus[0].tpduLength, 22);
  DeliveredSms sms;
  ASSERT_TRUE(DecodeDeliverPdu("07917283010010F5040BC87238880900F10000993092516195800AE8329BFD4697D9EC37", sms));
  EXPECT_EQ(sms.sender, QStringLiteral("27838890001"));
  EXPECT_EQ(sms.text, QStringLiteral("hellohello"));
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
    std::vector<QString> errors;
    const SendSummary s =
        RunSends(items, sender, log, 0ms, false,
                 {{}, [&](std::size_t, const SendResult& r, bool) { errors.push_back(r.error); }, {}, {}});
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
  SendLog log;
  ASSERT_TRUE(log.open(logPath, TestPlatform().files).ok());
  const SendSummary s = RunSends(items, sender, log, 0ms, false, {});
  EXPECT_EQ(s.skipped, 2);
  EXPECT_EQ(again.sent(), std::vector<FakeModem::Sms>{expected[1]});
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

TEST(ModemSender, SendsWhatTextModeCannotHoldAsPdusAndListsReplies) {
  FakeModem modem;
  modem.stored =
      "+CMGL: 3,\"REC UNREAD\",\"+8613800000001\",,\"26/12/07,10:00:00+32\"\r\nOK running\r\n"
      "+CMGL: 4,\"REC READ\",\"10086\",,\"26/12/07,10:01:00+32\"\r\nbalance";
  auto device = Open(modem);
  ModemSender sender(*device, kQuick);
  ASSERT_TRUE(sender.start().ok());
  const QString text = QStringLiteral("(A55A#4*设备)");
  ASSERT_TRUE(sender.send(QStringLiteral("+8613800000001"), text).sent());
  const SubmitPdu pdu = EncodeSubmitPdus(QStringLiteral("+8613800000001"), text, 1).front();
  EXPECT_EQ(modem.sent(), (std::vector<FakeModem::Sms>{{std::to_string(pdu.tpduLength), pdu.hex.toStdString()}}));
  const auto replies = sender.received(QStringLiteral("13800000001"));
  ASSERT_TRUE(replies.ok()) << replies.message().toStdString();
  ASSERT_EQ(replies->size(), 1u);
  EXPECT_EQ(replies.value()[0].text, QStringLiteral("OK running"));
  for (const std::string& c : modem.commands()) EXPECT_EQ(c.find("CMGD"), std::string::npos);
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
  EXPECT_FALSE(sender.received({}).ok());  // a gateway keeps nothing to list
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
                               "5 '123456789012345678901' is not a number to send to; not sent.", "6 "}));
  // One message from the QR code goes the same way; the window's log is the user's.
  EXPECT_EQ(PlanSend("KQ1", "+86 138", "(A55A#1)").items.size(), 1u);
  EXPECT_EQ(PlanSend("KQ1", {}, "(A55A#1)").unsent.front().reason, "no SIM number; not sent.");
  EXPECT_EQ(DefaultSendLogPath({}, QStringLiteral("/data/dtusms")), QStringLiteral("/data/dtusms/sent.csv"));
}

TEST(SendBatch, SendsRowsWithASimNumberAndSaysWhatItDidNot) {
  QTemporaryDir dir;
  FakeModem modem;
  BatchList list;
  list.rows = {Row(2, "KQ1", "+86 138-0000-0001"), Row(3, "KQ2", ""),
               Row(4, "K#1", "10086", BatchProblem::ControlCharacter)};
  SendOptions options;
  options.modem = QString::fromStdString(modem.device());
  options.interval = 0ms;
  const QString path = dir.filePath(QStringLiteral("list.csv"));
  QByteArray err;
  EXPECT_EQ(SendBatch(list, path, options, TestPlatform(), err), ExitStatus::kSomeRowsFailed);
  EXPECT_EQ(modem.sent(), (std::vector<FakeModem::Sms>{{"+8613800000001", "(A55A#4*KQ1)"}}));
  EXPECT_TRUE(err.contains(":3: no SIM number; not sent.\n") && !err.contains(":4:") &&
              err.contains("1 sent, 0 sent before, 2 not sent."))
      << err.toStdString();
  EXPECT_TRUE(QFile::exists(path + QStringLiteral(".sent.csv")));

  // A port in use is refused before anything is sent, as is a missing one.
  const auto held = Open(modem);
  for (const QString& device : {options.modem, dir.filePath(QStringLiteral("ttyNone"))}) {
    options.modem = device;
    err.clear();
    EXPECT_EQ(SendBatch(list, path, options, TestPlatform(), err), ExitStatus::kUsageOrFileError);
    EXPECT_TRUE(err.contains(device == dir.filePath(QStringLiteral("ttyNone")) ? "no serial device" : "holds"))
        << err.toStdString();
  }
  EXPECT_EQ(modem.sent().size(), 1u);
}

TEST(SendBatch, AFailedOpenSaysWhatToDo) {
  testing::FakeSerialPorts ports;
  const platform::Platform& real = TestPlatform();
  const platform::Platform platform{real.files,   real.network, real.codePage, real.locale,
                                    real.process, nullptr,      &ports};
  SendOptions options;
  options.modem = QStringLiteral("/dev/ttyUSB2");
  using Kind = platform::SerialFailure::Kind;
  for (const auto& [kind, hint] : {std::pair{Kind::Busy, "ModemManager"},
                                   {Kind::Denied, "dialout"},
                                   {Kind::NotFound, "plugged in"},
                                   {Kind::Other, "Cannot open /dev/ttyUSB2: EIO"}}) {
    ports.failure = {kind, "EIO"};
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
  const std::pair<CommandLine, QString> bad[] = {
      {parse({"--send-modem", "d"}), "--send-modem, --send-gateway and their options need --batch."},
      {parse({"--batch", "l", "--send-modem", "d", "--send-gateway", "u"}),
       "Give --send-modem or --send-gateway, not both."},
      {parse({"--batch", "l", "--resend"}),
       "--baud, --interval, --send-log and --resend need --send-modem or --send-gateway."},
      {parse({"--batch", "l", "--send-modem", "d", "--baud", "x"}), "'x' is not a serial speed."},
      {parse({"--batch", "l", "--send-gateway", "u", "--interval", "-1"}), "'-1' is not a number of seconds."},
      {parse({"--batch", "l", "--send-gateway", "u", "--baud", "9600"}), "--baud needs --send-modem."}};
  for (const auto& [line, message] : bad)
    EXPECT_EQ(std::pair(line.action, line.text.section('\n', 0, 0)),
              std::pair(CommandLine::Action::kFail, "dtusms: " + message));
}

TEST(SendDialog, SendsOffTheWindowThreadAndStopsAfterTheMessageInFlight) {
  QTemporaryDir dir;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("user")));
  FakeModem modem;
  SendOptions options;
  options.modem = QString::fromStdString(modem.device());
  options.interval = 400ms;
  StoreSendOptions(options);
  testing::RecordingPresenter boxes;
  SendDialog dialog(Items({"10001", "10002", "10003", "10004"}), dir.filePath(QStringLiteral("log.csv")),
                    TestPlatform(), nullptr, boxes);
  dialog.show();
  // The window's events are handled while the modem holds its answer.
  modem.hold = true;
  const std::unique_ptr<FakeModem, void (*)(FakeModem*)> release(&modem, [](FakeModem* m) { m->hold = false; });
  dialog.start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return modem.commands().size() >= 5; }, 5000));  // AT ... AT+CMGS
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
  EXPECT_EQ(dialog.table()->item(0, 2)->text(), QStringLiteral("sent"));
  EXPECT_TRUE(dialog.table()->item(3, 2)->text().isEmpty());
}

// Replies come through the sender interface: those from the selected row's number only.
TEST(SendDialog, ShowsTheRepliesFromTheSelectedRowsNumber) {
  QTemporaryDir dir;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("user")));
  FakeModem modem;
  modem.stored =
      "+CMGL: 3,\"REC UNREAD\",\"+8613800000002\",,\"26/12/07,10:00:00+32\"\r\nOK running\r\n"
      "+CMGL: 4,\"REC READ\",\"13800000001\",,\"26/12/07,10:01:00+32\"\r\nother";
  SendOptions options;
  options.modem = QString::fromStdString(modem.device());
  StoreSendOptions(options);
  testing::RecordingPresenter boxes;
  SendDialog dialog(Items({"13800000001", "13800000002"}), dir.filePath(QStringLiteral("log.csv")), TestPlatform(),
                    nullptr, boxes);
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
  EXPECT_EQ(rows, QStringList({QStringLiteral("KQ1"), QStringLiteral("KQ3")}));
}

// Sends nothing; counts.
struct CountingSender final : SmsSender {
  Status start() override { return Done{}; }
  SendResult send(const QString&, const QString&) override { return {SendResult::Status::Sent, {}, {}}; }
  Expected<std::vector<ReceivedSms>> received(const QString&) override { return std::vector<ReceivedSms>{}; }
};

TEST(RunSends, PacesByTheIntervalAndStopsAfterTheMessageInFlight) {
  QTemporaryDir dir;
  SendLog log;
  ASSERT_TRUE(log.open(dir.filePath(QStringLiteral("log.csv")), TestPlatform().files).ok());
  CountingSender sender;
  std::vector<std::chrono::milliseconds> waits;
  int started = 0;
  const SendSummary s = RunSends(Items({"1", "2", "3", "4"}), sender, log, 3s, false,
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
