// SPDX-License-Identifier: MIT
// Start-up with a damaged catalog, a close while a probe waits, and the
// program's own process ending by signal or kill.
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <chrono>

#include "../i18n/I18nTestSupport.h"
#include "../net/NetTestSupport.h"
#include "WindowFixture.h"
#include "i18n/Localizer.h"

namespace dtu::testing {
namespace {

using namespace std::chrono_literals;

TEST_F(WindowTest, DamagedCatalogAtStartShowsOnceThenLoadsAndSaves) {
  const QString catalog = dir.filePath(QStringLiteral("locale/fr/LC_MESSAGES/default.mo"));
  ASSERT_TRUE(QDir().mkpath(QFileInfo(catalog).path()) && QFile(catalog).open(QIODevice::WriteOnly));  // empty
  writeIni("[Main]\r\nDTU number=KQ-GP000777\r\n");
  {
    EnvGuard env{{"LANG", "fr_FR.UTF-8"}};
    StartLocalizer(dir.filePath(QStringLiteral("dtusms")), 0);
    start();
    edit("tntedt_DTUNumber")->setText(edit("tntedt_DTUNumber")->text() + QLatin1Char('8'));
  }
  const QTemporaryDir none;
  StartLocalizer(none.filePath(QStringLiteral("dtusms")), 0);  // English message ids for later tests
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(presenter.boxes[0].text, "This file is not a valid GNU gettext mo file: " + catalog + ".");
  EXPECT_TRUE(iniBytes().contains("DTU number=KQ-GP0007778\r\n")) << iniBytes().constData();
}

// Closing while "Test server port" waits hides the window; Qt's own quit is
// dropped when the result box appears, so the end must come from the handler.
TEST_F(WindowTest, CloseDuringAProbeEndsTheLoopOnceTheHandlerReturns) {
  services.presenter = nullptr;  // a real box: showing a window is what cancels Qt's quit
  services.probes = net::testing::LoopbackServices();
  services.probes.resolve = [&](const std::string&) {
    button("tntbtn_Close")->click();  // the queued click of a user, run inside the look-up
    return std::vector<std::string>{"127.0.0.1"};
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
}

// The real program in a folder of its own, with its own temporary directory
// and a language with a catalog, so that the private folder is made.
TEST(ProgramProcess, SignalsEndTheLoopAndTheNextStartRemovesWhatAKillLeft) {
  QTemporaryDir dir;
  const QString exe = dir.filePath(QStringLiteral("dtusms")), tmp = dir.filePath(QStringLiteral("tmp"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(DTU_APP_EXECUTABLE), exe) && QDir().mkpath(tmp));
  const auto folders = [&] { return QDir(tmp).entryList({QStringLiteral("dtusms-l10n-*")}, QDir::Dirs); };
  const auto settings = [&] {
    QFile f(dir.filePath(QStringLiteral("ZEREVuzi.ini")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  };
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const auto& [name, value] : {std::pair{"TMPDIR", tmp},
                                    {"LANG", QStringLiteral("zh_CN.UTF-8")},
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
}

}  // namespace
}  // namespace dtu::testing
