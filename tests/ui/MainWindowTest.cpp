// SPDX-License-Identifier: MIT
// The main window offscreen, its port field alone, start-up with a damaged
// catalog, a close while a probe waits, and the program's own process ending
// by signal or kill.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <chrono>
#include <map>

#include "WindowFixture.h"
#include "cli/CommandLine.h"
#include "core/i18n/I18nTestSupport.h"
#include "core/i18n/Localizer.h"
#include "core/net/NetTestSupport.h"
#include "support/FakeFileStore.h"
#include "ui/HandlerGuard.h"

namespace dtu::testing {
namespace {

using namespace std::chrono_literals;

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
  EXPECT_TRUE(presenter.boxes.empty());
  window.reset();
  QFile::remove(iniPath());
  // Again with an empty catalog for the system's language: one box, and loading goes on.
  const QString catalog = dir.filePath(QStringLiteral("locale/fr/LC_MESSAGES/default.mo"));
  ASSERT_TRUE(WriteBytes(catalog, {}));
  {
    EnvGuard env{{"LANG", "fr_FR.UTF-8"}};
    StartLocalizer(TestPlatform(), dir.filePath(QStringLiteral("dtusms")), 0);
    start("192.0.2.44");
  }
  const QTemporaryDir none;
  StartLocalizer(TestPlatform(), none.filePath(QStringLiteral("dtusms")), 0);  // English message ids for later tests
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(presenter.boxes[0].text, "This file is not a valid GNU gettext mo file: " + catalog + ".");
  // The Static IP line is the field's own write; the mode a missing key gives is tabled with the out-of-range values.
  EXPECT_EQ(iniBytes(), QByteArray("[Main]\r\nPort=6000\r\nStatic IP=192.0.2.44\r\nDTU number=KQ-GP000001\r\n"));
}

// A start reads the file once, under one lock, and puts what loading wrote
// into it in one replace (or one check, when that kept its bytes); every
// field shows its row's value. A change by the user is a locked
// read-modify-replace of its own.
TEST_F(WindowTest, StartReadsTheSettingsOnceAndWritesThemTogether) {
  FakeFileStore fake;
  const platform::Platform& real = TestPlatform();
  const platform::Platform platform{fake,         real.network,  real.codePage, real.locale,
                                    real.process, real.catalogs, real.serial};
  services.platform = &platform;
  const std::string path = QFile::encodeName(iniPath()).toStdString();
  const std::string full =
      "[Main]\r\nnLanguageID=0\r\nServer address mode=1\r\nPort=7001\r\nStatic IP=192.0.2.15\r\n"
      "Domain address=dtu.example.com\r\nSMS command type=1\r\nService network(APN)=3\r\nOther APN=CMIOT\r\n"
      "DTU number=KQ-GP000002\r\n";
  const struct {
    std::string before, after;
    int replaces, checks;
  } cases[] = {{"", "[Main]\r\nPort=6000\r\nStatic IP=192.0.2.44\r\nDTU number=KQ-GP000001\r\n", 1, 0},
               {full, full, 0, 1}};
  for (const auto& c : cases) {
    window.reset();
    fake = FakeFileStore();
    if (!c.before.empty()) fake.files[path] = c.before;
    start();
    EXPECT_EQ(std::tuple(fake.reads, fake.locks, fake.replaces, fake.checks), std::tuple(1, 1, c.replaces, c.checks));
    EXPECT_EQ(fake.files[path], c.after);
  }
  const QStringList shown{QString::number(list("tntcomb_ServerNetMode")->currentIndex()),
                          portField()->text(),
                          edit("tntedt_StaticIP")->text(),
                          edit("tntedt_DomainAddress")->text(),
                          QString::number(list("tntcomb_SMSCommandType")->currentIndex()),
                          QString::number(list("tntcomb_ServiceNetwork")->currentIndex()),
                          edit("tntedt_Other")->text(),
                          edit("tntedt_DTUNumber")->text()};
  EXPECT_EQ(shown, (QStringList{"1", "7001", "192.0.2.15", "dtu.example.com", "1", "3", "CMIOT", "KQ-GP000002"}));
  QTest::keyClicks(edit("tntedt_Other"), QStringLiteral("x"));
  EXPECT_EQ(std::tuple(fake.reads, fake.locks, fake.replaces), std::tuple(2, 2, 1));
  EXPECT_NE(fake.files[path].find("Other APN=CMIOTx\r\n"), std::string::npos);
}

TEST_F(WindowTest, WindowModelMatchesTheDesign) {
  start();
  EXPECT_EQ(window->size(), QSize(495, 305));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_FALSE(window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  // The whole Tab chain with every control enabled: the first group, the second, the bottom panel
  // ("Close" before "Generation SMS"), the added Copy, QR code and Batch, and round to the start.
  const QStringList expected{
      "tntcomb_ServerNetMode", "rzspnedt_Port",         "tntedt_StaticIP",        "tntbtn_StaticIP",
      "tntedt_DomainAddress",  "tntbtn_TestServerPort", "tntbtn_JudgeMaping",     "tntcomb_ServiceNetwork",
      "tntedt_Other",          "tntedt_DTUNumber",      "tntcomb_SMSCommandType", "tntedt_SMSCommandFormat",
      "rzMenubtn_Language",    "tntbtn_Close",          "tntbtn_GenerationSMS",   "tntbtn_Copy",
      "tntbtn_QrCode",         "tntbtn_Batch",          "tntcomb_ServerNetMode"};
  for (QWidget* control : window->findChildren<QWidget*>()) control->setEnabled(true);
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), 5000));
  list("tntcomb_ServerNetMode")->setFocus();
  QStringList chain;
  for (qsizetype i = 0; i < expected.size(); ++i) {
    chain << QApplication::focusWidget()->objectName();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(chain, expected);
}

// The keystroke rules of the port field are tabled with the field alone; here, what reaches the file.
// Closing writes nothing but the port's correction (the click takes the focus from a value below the minimum).
TEST_F(WindowTest, EveryKeystrokeInAFieldWritesItsKeyAndCloseOnlyThePortCorrection) {
  start();
  // clang-format off
  const std::pair<const char*, const char*> edits[] = {
      {"tntedt_StaticIP", fields::kStaticIp.key}, {"tntedt_DomainAddress", fields::kDomainAddress.key},
      {"tntedt_Other", fields::kOtherApn.key}, {"tntedt_DTUNumber", fields::kDtuNumber.key}};
  // clang-format on
  for (const auto& [control, key] : edits) {
    QLineEdit* field = edit(control);
    field->setEnabled(true);
    field->clear();
    auto seen = WatchWrites(field, &QLineEdit::textChanged, iniPath(), key);
    QTest::keyClicks(field, QStringLiteral("ab c"));
    EXPECT_EQ(*seen, (QStringList{"a", "ab", "ab", "ab c"})) << control;  // "ab " reads back trimmed
  }
  PortSpinEdit* port = portField();
  auto seen = WatchWrites(port, &PortSpinEdit::textChanged, iniPath(), fields::kPort.key);
  port->setFocus();
  QTest::keyClick(port, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(port, QStringLiteral("250"));
  QTest::keyClick(port, Qt::Key_PageUp);
  QTest::keyClick(port, Qt::Key_Return);  // the base class must not reinterpret the text
  QTest::keyClick(port, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(port, QStringLiteral("7"));
  QTest::mouseClick(button("tntbtn_Close"), Qt::LeftButton);
  EXPECT_EQ(*seen, (QStringList{"2", "25", "250", "1000", "7", "1000"}));
  EXPECT_FALSE(window->isVisible());
  const QByteArray before = iniBytes();
  window.reset();
  EXPECT_EQ(iniBytes(), before);
}

// The window's charset is the platform's, named by the first locale variable
// set and not empty (here LC_CTYPE): the file and the command get only what it
// holds.
TEST_F(WindowTest, FieldsGoThroughThePlatformCharset) {
  const EnvGuard env{{"LC_ALL", ""}, {"LC_CTYPE", "de_DE.ISO-8859-1"}, {"LANG", "ja_JP"}};
  static const platform::SystemPlatform system;
  services.platform = &system.get();
  start();
  edit("tntedt_DTUNumber")->setText(QStringLiteral("KQ-\u00e9\u4e2d"));
  EXPECT_TRUE(iniBytes().contains("DTU number=KQ-\xE9?\r\n")) << iniBytes().toStdString();
  button("tntbtn_GenerationSMS")->click();
  EXPECT_EQ(edit("tntedt_SMSCommandFormat")->text(), QStringLiteral("(A55A#1*192.0.2.44*6000#3*CMNET#4*KQ-\u00e9?)"));
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
    EXPECT_EQ(std::tuple(portField()->text(), Stored(iniPath(), fields::kPort.key),
                         list("tntcomb_ServerNetMode")->currentIndex(), edit("tntedt_DomainAddress")->isEnabled(),
                         edit("tntedt_StaticIP")->isEnabled()),
              std::tuple(c.portShown, c.portStored, c.modeIndex, c.domainEnabled, c.modeIndex != 1))
        << c.file.constData();
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
  EXPECT_EQ(Stored(iniPath(), fields::kDtuNumber.key), QStringLiteral("ABCDEFGHIXY"));
}

TEST_F(WindowTest, ListsWriteOnUserPicksOnly) {
  start();
  EXPECT_EQ(iniBytes().count("Server address mode"), 0);  // loading selected all three lists, writing nothing
  // Keyboard picks in the closed lists: what is stored, then whether the domain field and "Obtain IP" are enabled.
  const std::tuple<const char*, Qt::Key, const char*, const char*> picks[] = {
      {"tntcomb_ServerNetMode", Qt::Key_Down, fields::kServerAddressMode.key, "1 10"},
      {"tntcomb_ServerNetMode", Qt::Key_Up, fields::kServerAddressMode.key, "0 01"},
      {"tntcomb_SMSCommandType", Qt::Key_Down, fields::kSmsCommandType.key, "1 01"}};
  for (const auto& [name, key, stored, seen] : picks) {
    QTest::keyClick(list(name), key);
    EXPECT_EQ(Stored(iniPath(), stored) + ' ' + QString::number(edit("tntedt_DomainAddress")->isEnabled()) +
                  QString::number(button("tntbtn_StaticIP")->isEnabled()),
              seen)
        << name;
  }
  list("tntcomb_SMSCommandType")->setCurrentIndex(0);  // a program selection writes nothing
  EXPECT_EQ(Stored(iniPath(), fields::kSmsCommandType.key), QStringLiteral("1"));
}

TEST(ApplicationError, FullStopRule) {
  const std::pair<const char*, const char*> rows[] = {{"", ""},           {"Failed", "Failed."}, {"Done.", "Done."},
                                                      {"Stop!", "Stop!"}, {"a/b", "a/b."},       {"a-", "a-"}};
  for (const auto& [message, shown] : rows) EXPECT_EQ(WithFullStop(message), shown) << message;
}

// The real QMessageBox, closed by a timer: an unwritable folder shows one box
// per write, the window opens all the same, and a typed value is kept.
TEST_F(WindowTest, UnwritableFolderShowsOneErrorBoxPerWrite) {
  QtMessagePresenter real;
  services.presenter = &real;
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

// Types `keys` into the field; capitals stand for keys: A select all,
// B Backspace, D PageDown, E End, H Home, P PageUp, R Right, U Up, V paste, X cut.
void Press(PortSpinEdit& port, const char* keys) {
  // clang-format off
  static const std::map<char, QKeyCombination> kKeys{
      {'A', Qt::CTRL | Qt::Key_A}, {'B', Qt::Key_Backspace}, {'D', Qt::Key_PageDown}, {'E', Qt::Key_End}, {'H', Qt::Key_Home},
      {'P', Qt::Key_PageUp}, {'R', Qt::Key_Right}, {'U', Qt::Key_Up}, {'V', Qt::CTRL | Qt::Key_V}, {'X', Qt::CTRL | Qt::Key_X}};
  // clang-format on
  port.setFocus();
  for (const char* c = keys; *c; ++c) {
    const auto key = kKeys.find(*c);
    if (key == kKeys.end())
      QTest::keyClicks(&port, QString(QLatin1Char(*c)));
    else
      QTest::keyClick(&port, key->second.key(), key->second.keyboardModifiers());
  }
}

// Keys typed, then a value the program sets (-1: none), and what the field shows and reads.
TEST(PortSpinEdit, KeystrokeRulesProgramValuesReadingAndFocusLoss) {
  QApplication::clipboard()->setText(QStringLiteral("4321"));
  // clang-format off
  const std::tuple<const char*, int, const char*, int> rows[] = {
      {"A2500-a. ", -1, "2500", 2500}, {"A2500E+H+H+", -1, "+2500", 2500},  // only digits; one leading "+"
      {"A2500U", -1, "2501", 2501}, {"A2500D", -1, "2490", 2490},
      {"A99995P", -1, "99999", 99999}, {"A1005D", -1, "1000", 1000},     // steps stay within the limits
      {"A1000A123456", -1, "123456", 123456},  // the window's handler caps typed values
      {"A1000AVAX", -1, "1000", 1000}, {"A1000AB", -1, "", 1000}, {"A12", -1, "12", 12},  // no paste, no cut
      {"", 123456, "99999", 99999}, {"", 7, "1000", 1000},  // values the program sets are brought within the limits
  };
  // clang-format on
  for (const auto& [keys, set, shown, value] : rows) {
    PortSpinEdit port;
    port.show();
    Press(port, keys);
    if (set >= 0) port.setValue(set);
    EXPECT_EQ(port.text(), QString::fromLatin1(shown)) << keys;
    EXPECT_EQ(port.value(), value) << keys;
    // Reading refills an emptied field and changes nothing else.
    EXPECT_EQ(port.text(), *shown ? QString::fromLatin1(shown) : QString::number(value)) << keys << " after reading";
  }
  // Leaving corrects the text only for another control of the same window.
  QWidget window, other;
  auto* field = new PortSpinEdit(&window);
  auto* next = new QLineEdit(&window);
  EXPECT_TRUE(PortSpinEdit::correctsOnFocusLoss(Qt::TabFocusReason, field, next));
  EXPECT_FALSE(PortSpinEdit::correctsOnFocusLoss(Qt::PopupFocusReason, field, next));
  EXPECT_FALSE(PortSpinEdit::correctsOnFocusLoss(Qt::MouseFocusReason, field, &other));
}

// Closing while "Test server port" waits hides the window; Qt's own quit is
// dropped when the result box appears, so the end must come from the handler.
TEST_F(WindowTest, CloseDuringAProbeEndsTheLoopOnceTheHandlerReturns) {
  QtMessagePresenter real;  // a real box: showing a window is what cancels Qt's quit
  services.presenter = &real;
  services.probes = net::testing::LoopbackServices(network);
  network.onResolve = [&](const std::string& name) {
    button("tntbtn_Close")->click();  // the queued click of a user, run inside the look-up
    network.names[name] = {"127.0.0.1"};
  };
  services.probes.timeouts = {200ms, 200ms, 200ms};
  services.probes.pumpEvents = [] {};  // Qt's posted quit must still be pending when the box appears
  start();
  bool boxSeen = false;
  QTimer closer;  // also the context of the single shots, which end with it
  closer.callOnTimeout([&] {
    if (QWidget* box = QApplication::activeModalWidget()) boxSeen = true, box->close();
  });
  closer.start(50);
  QTimer::singleShot(10s, &closer, [] { QCoreApplication::exit(99); });
  QTimer::singleShot(0, &closer, [&] { button("tntbtn_TestServerPort")->click(); });
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_TRUE(boxSeen);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the probe gave the cursor back
}

// The window opens whatever else it is given, with one line about what it left out; a command refuses an
// option it does not know. Qt is given the program's name and -platform only.
TEST(CommandLine, TheWindowOpensPastUnknownOptionsAndQtGetsNoneOfThem) {
  // clang-format off
  const struct { QStringList arguments; const char* expected; } cases[] = {
      {{}, "0||dtusms"},
      {{"-title", "Hello", "-reverse"},
       "0|dtusms: Ignoring the option '-title' '-reverse'. Ignoring the argument 'Hello'.|dtusms"},
      {{"--foo=bar", "-platform", "offscreen", "-style", "fusion", "-x"},
       "0|dtusms: Ignoring the option '--foo=bar' '-style' '-x'. Ignoring the argument 'fusion'.|dtusms -platform offscreen"},
      {{"--platform", "xcb", "--", "-x"}, "0|dtusms: Ignoring the argument '-x'.|dtusms -platform xcb"},
      {{"--batch", "l", "--bogus"}, "2|dtusms: Unknown option '--bogus'.|dtusms"},
      {{"--help", "-x"}, "2|dtusms: Unknown option '-x'.|dtusms"},
      {{"--bogus=1", "--version"}, "2|dtusms: Unknown option '--bogus'.|dtusms"},
      {{"--bogus", "--send-modem", "d"}, "2|dtusms: --send-modem, --send-gateway and their options need --batch.|dtusms"},
      {{"--bogus", "--batch"}, "2|dtusms: Unknown option '--bogus'.|dtusms"},
      {{"-x", "--csv"}, "2|dtusms: Missing value after '--csv'.|dtusms"},
      {{"-h"}, "1|Usage: dtusms [options]|dtusms"},
  };
  // clang-format on
  for (const auto& c : cases) {
    const CommandLine line = ParseCommandLine(QStringList{"dtusms"} + c.arguments);
    const QString said = line.action == CommandLine::Action::kRun ? line.notice : line.text;
    EXPECT_EQ(QString::number(static_cast<int>(line.action)) + '|' + said.section('\n', 0, 0) + '|' +
                  line.qtArguments.join(' '),
              QString::fromUtf8(c.expected));
  }
}

// The real program in a folder of its own, with its own temporary directory
// and a language with a catalog (the last one appended), so that the private
// folder is made.
TEST(ProgramProcess, SignalsEndTheLoopAndTheNextStartRemovesWhatAKillLeft) {
  QTemporaryDir dir;
  const QString exe = dir.filePath(QStringLiteral("dtusms")), tmp = dir.filePath(QStringLiteral("tmp"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(DTU_APP_EXECUTABLE), exe) && QDir().mkpath(tmp));
  const auto folders = [&] { return QDir(tmp).entryList({QStringLiteral("dtusms-l10n-*")}, QDir::Dirs); };
  const auto settings = [&] { return ReadBytes(dir.filePath(QStringLiteral("ZEREVuzi.ini"))); };
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const auto& [name, value] : {std::pair{"TMPDIR", tmp},
                                    {"LANG", QStringLiteral("zh_TW.UTF-8")},
                                    {"QT_QPA_PLATFORM", QStringLiteral("offscreen")},
                                    {"ASAN_OPTIONS", QStringLiteral("detect_leaks=0")}})
    env.insert(QString::fromLatin1(name), value);
  env.remove(QStringLiteral("LC_ALL"));

  // A kill leaves the private folder, which the next start removes.
  QStringList left;
  int round = 0;
  for (const int signal : {SIGKILL, SIGTERM, SIGINT, SIGHUP, SIGTERM}) {
    SCOPED_TRACE(signal);
    // Last, a read-only file: the failed writes of loading show boxes before the main loop runs.
    if (++round == 5) QFile::setPermissions(dir.filePath(QStringLiteral("ZEREVuzi.ini")), QFile::ReadOwner);
    QProcess program;  // killed on destruction if it did not end
    program.setProcessEnvironment(env);
    program.start(exe);
    // Started once its own folder is the only one and the fields are loaded.
    const bool ready = QTest::qWaitFor(
        [&] { return folders().size() == 1 && folders() != left && settings().contains("DTU"); }, 10000);
    const QByteArray before = settings();
    ::kill(program.processId(), signal);
    ASSERT_TRUE(ready && program.waitForFinished(10000)) << folders().join(u' ').toStdString();
    EXPECT_EQ(program.exitStatus(), signal == SIGKILL ? QProcess::CrashExit : QProcess::NormalExit);
    if (signal != SIGKILL) {
      EXPECT_EQ(program.exitCode(), 128 + signal);
    }
    EXPECT_EQ(folders().size(), signal == SIGKILL ? 1 : 0);
    EXPECT_EQ(settings(), before);  // nothing written at exit
    left = folders();
  }

  // The batch command needs no display and leaves the settings alone; so does a usage error.
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
  env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
  const QString list = dir.filePath(QStringLiteral("list.csv")), pdf = dir.filePath(QStringLiteral("out.pdf"));
  ASSERT_TRUE(WriteBytes(list, "A1,+8613800138000\nA1\n"));
  const QByteArray before = settings();
  QProcess batch;
  // The command line speaks the locale's language, from the catalogs inside the program.
  QStringList said;
  for (const auto& [lang, arguments] :
       {std::pair{"zh_CN.UTF-8", QStringList{"--help"}}, {"zh_TW.UTF-8", QStringList{"--batch", list, "--bogus"}}}) {
    env.insert(QStringLiteral("LANG"), QString::fromLatin1(lang));
    batch.setProcessEnvironment(env);
    batch.start(exe, arguments);
    ASSERT_TRUE(batch.waitForFinished(30000));
    said << QString::fromUtf8(batch.readAllStandardOutput() + batch.readAllStandardError()).section('\n', 0, 1);
  }
  EXPECT_EQ(said.join('|').toStdString(),
            "用法：dtusms [选项]\n生成配置GPRS数据终端（DTU）的短信，并检查服务器端。|"
            "dtusms: 未知選項“--bogus”。\ndtusms: 請嘗試“dtusms --help”。");

  // Without a runtime folder (cron, ssh, a service) standard error still holds only the program's own lines:
  // a batch that draws a sheet, a usage error, and the window that opens past Qt's and unknown options.
  env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
  env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
  batch.setProcessEnvironment(env);
  // Writable again: the window's loading would stop at a box.
  QFile::setPermissions(dir.filePath(QStringLiteral("ZEREVuzi.ini")), QFile::ReadOwner | QFile::WriteOwner);
  for (const auto& [arguments, status, lines] :
       {std::tuple{QStringList{"--batch", list, "--pdf", pdf}, 1, 1},
        {QStringList{"--csv", list}, 2, 2},
        {QStringList{"-platform", "offscreen", "--quit-when-shown", "-title", "Hello", "-reverse", "--bogus"}, 0, 1}}) {
    batch.start(exe, arguments);
    ASSERT_TRUE(batch.waitForFinished(30000));
    EXPECT_EQ(batch.exitCode(), status) << arguments.join(' ').toStdString();
    const QStringList err = QString::fromLocal8Bit(batch.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(err.filter(QRegularExpression("^dtusms: ")).size(), lines) << err.join('\n').toStdString();
    EXPECT_EQ(err.size(), lines) << err.join('\n').toStdString();
    if (status != 0) {
      EXPECT_EQ(settings(), before);
    }
  }
  EXPECT_TRUE(QFile::exists(pdf));
}

}  // namespace
}  // namespace dtu::testing
