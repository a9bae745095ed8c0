// SPDX-License-Identifier: MIT
// Start-up with a damaged catalog, a close while a probe waits, and the
// program's own process ending by signal or kill.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "../i18n/I18nTestSupport.h"
#include "../net/NetTestSupport.h"
#include "WindowFixture.h"
#include "i18n/Localizer.h"

namespace dtu::testing {
namespace {

using namespace std::chrono_literals;

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
  for (const auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
    if (done()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return done();
}

TEST_F(WindowTest, DamagedCatalogAtStartShowsOnceThenLoadsAndSaves) {
  QTemporaryDir english;
  {
    const QString folder = dir.filePath(QStringLiteral("locale/fr/LC_MESSAGES"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile(folder + QStringLiteral("/default.mo")).open(QIODevice::WriteOnly);  // empty
    EnvGuard env{{"LANG", "fr_FR.UTF-8"}};
    writeIni("[Main]\r\nDTU number=KQ-GP000777\r\n");
    StartLocalizer(dir.filePath(QStringLiteral("dtusms")), 0);
    start();
    ASSERT_EQ(presenter.boxes.size(), 1u);
    EXPECT_EQ(presenter.boxes[0].text, "This file is not a valid GNU gettext mo file: " + folder + "/default.mo.");
    EXPECT_EQ(window->SettingsFilePath(), iniPath());
    EXPECT_EQ(edit("tntedt_DTUNumber")->text(), "KQ-GP000777");
    edit("tntedt_DTUNumber")->setText(QStringLiteral("KQ-GP000778"));
    EXPECT_TRUE(iniBytes().contains("DTU number=KQ-GP000778\r\n")) << iniBytes().constData();
    EXPECT_EQ(presenter.boxes.size(), 1u);
  }
  StartLocalizer(english.filePath(QStringLiteral("dtusms")), 0);
}

// Closing while "Test server port" waits hides the window; Qt's own quit is
// dropped when the result box appears, so the end must come from the handler.
TEST_F(WindowTest, CloseDuringAProbeEndsTheLoopOnceTheHandlerReturns) {
  net::testing::ProbeHookScope hooks;
  start();
  SetPresenter(nullptr);  // a real box: showing a window is what cancels Qt's quit
  bool boxSeen = false;
  net::SetResolverForTesting([&](const std::string&) {
    button("tntbtn_Close")->click();  // the queued click of a user, run inside the look-up
    return std::vector<std::string>{"127.0.0.1"};
  });
  net::SetTimeoutsForTesting({200ms, 200ms, 200ms});
  QTimer closer, watchdog, click;
  closer.callOnTimeout([&] {
    if (QWidget* box = QApplication::activeModalWidget()) boxSeen = true, box->close();
  });
  closer.start(50);
  watchdog.setSingleShot(true);
  watchdog.callOnTimeout([] { QCoreApplication::exit(99); });
  watchdog.start(10s);
  click.setSingleShot(true);
  click.callOnTimeout([&] { button("tntbtn_TestServerPort")->click(); });
  click.start(0);
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_TRUE(boxSeen);
  EXPECT_FALSE(window->isVisible());
  SetPresenter(&presenter);
}

// The real program in a folder of its own, with its own temporary directory.
class ProgramProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QFile::copy(QStringLiteral(DTU_APP_EXECUTABLE), exe()));
    ASSERT_TRUE(QDir().mkpath(tmp()));
  }
  QString exe() const { return dir.filePath(QStringLiteral("dtusms")); }
  QString tmp() const { return dir.filePath(QStringLiteral("tmp")); }
  QStringList privateFolders() const {
    return QDir(tmp()).entryList({QStringLiteral("dtusms-l10n-*")}, QDir::Dirs | QDir::Hidden);
  }
  pid_t spawn() const {
    const QByteArray program = QFile::encodeName(exe()), temp = QFile::encodeName(tmp());
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::setenv("TMPDIR", temp.constData(), 1);
      ::setenv("LANG", "zh_CN.UTF-8", 1);  // a language with a catalog: the private folder is made
      ::unsetenv("LC_ALL");
      ::unsetenv("LANGUAGE");
      ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
      ::setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
      ::execl(program.constData(), program.constData(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return pid;
  }
  // The wait status, or -1 after killing a process that did not end in time.
  static int waitExit(pid_t pid) {
    int status = -1;
    if (WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 10s)) return status;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
  }
  QByteArray settings() const {
    QFile f(dir.filePath(QStringLiteral("ZEREVuzi.ini")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir dir;
};

TEST_F(ProgramProcessTest, TerminationSignalsEndTheLoopAndRemoveThePrivateFolder) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    const pid_t pid = spawn();
    ASSERT_GT(pid, 0);
    // The window has loaded its fields once the settings file holds them.
    const bool ready = WaitFor([&] { return privateFolders().size() == 1 && settings().contains("DTU number"); });
    const QByteArray before = settings();
    ::kill(pid, signal);
    const int status = waitExit(pid);
    ASSERT_TRUE(ready);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal) << status;
    EXPECT_EQ(privateFolders(), QStringList());
    EXPECT_EQ(settings(), before);  // nothing written at exit
  }
}

TEST_F(ProgramProcessTest, AFolderLeftByAKillIsRemovedByTheNextStart) {
  const pid_t first = spawn();
  ASSERT_GT(first, 0);
  const bool ready = WaitFor([&] { return privateFolders().size() == 1; });
  ::kill(first, SIGKILL);
  ::waitpid(first, nullptr, 0);
  ASSERT_TRUE(ready);
  const QStringList left = privateFolders();
  ASSERT_EQ(left.size(), 1);

  const pid_t second = spawn();
  const bool replaced = WaitFor([&] {
    const QStringList now = privateFolders();
    return now.size() == 1 && now != left;
  });
  ::kill(second, SIGTERM);
  EXPECT_TRUE(WIFEXITED(waitExit(second)));
  EXPECT_TRUE(replaced) << privateFolders().join(u' ').toStdString();
  EXPECT_EQ(privateFolders(), QStringList());
}

}  // namespace
}  // namespace dtu::testing
