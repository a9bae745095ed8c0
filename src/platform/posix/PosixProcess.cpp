// SPDX-License-Identifier: MIT
#include "platform/posix/PosixProcess.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace dtu::platform {

namespace {

constexpr char kPrivatePrefix[] = "dtusms-l10n-";
constexpr char kOwnerFile[] = "owner";

// The kernel's start time of a process (clock ticks since boot), which tells
// a reused process id from the one that made a folder; nullopt when the
// process is gone.
std::optional<unsigned long long> ProcessStartTime(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  // The name in parentheses may hold blanks; field 22 counts from after it.
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(line.substr(close + 1));
  std::string field;
  for (int i = 3; i < 22 && fields >> field; ++i) {
  }
  unsigned long long start = 0;
  return fields >> start ? std::optional(start) : std::nullopt;
}

// "<pid> <start time>" of the process that owns a private folder.
QByteArray OwnerRecord(pid_t pid) {
  const std::optional<unsigned long long> start = ProcessStartTime(pid);
  return QByteArray::number(pid) + ' ' + QByteArray::number(start.value_or(0)) + '\n';
}

bool OwnerIsGone(const QByteArray& folder, const struct stat& info) {
  QFile file(QFile::decodeName(folder + '/' + kOwnerFile));
  if (!file.open(QIODevice::ReadOnly)) {
    // Killed before the record was written (or made by an older build): only
    // a folder that has not changed for a minute is taken for abandoned.
    return info.st_mtime < std::time(nullptr) - 60;
  }
  const QList<QByteArray> parts = file.read(64).trimmed().split(' ');
  bool ok = parts.size() == 2;
  const pid_t pid = ok ? static_cast<pid_t>(parts[0].toInt(&ok)) : 0;
  const unsigned long long start = ok ? parts[1].toULongLong(&ok) : 0;
  if (!ok || pid <= 0) return info.st_mtime < std::time(nullptr) - 60;
  if (pid == ::getpid()) return false;
  if (::kill(pid, 0) != 0 && errno == ESRCH) return true;
  const std::optional<unsigned long long> now = ProcessStartTime(pid);
  return now && start != 0 && *now != start;
}

// The signal handler only writes to this pipe; the event loop reads it.
int g_pipe[2] = {-1, -1};
int g_status = 0;  // the status asked for by a signal, 0 before one came

void OnSignal(int signal) {
  const int saved = errno;
  const char number = static_cast<char>(signal);
  // Non-blocking: a full pipe already holds a request to quit.
  [[maybe_unused]] const ssize_t ignored = ::write(g_pipe[1], &number, 1);
  errno = saved;
}

// The exit status a deferred request asks for; 0 before one came.
volatile sig_atomic_t g_deferred = 0;

void OnDeferredSignal(int signal) {
  if (g_deferred != 0) ::_exit(128 + signal);
  g_deferred = 128 + signal;
}

}  // namespace

PosixProcess::~PosixProcess() {
  if (folder_.isEmpty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(folder_.constData(), ignored);
}

QString PosixProcess::executablePath() {
  if (QCoreApplication::instance()) return QCoreApplication::applicationFilePath();
  return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

std::unique_ptr<QIODevice> PosixProcess::openExecutable() {
  auto file = std::make_unique<QFile>(executablePath());
  if (!file->open(QIODevice::ReadOnly)) return nullptr;
  return file;
}

std::optional<QString> PosixProcess::privateFolder() {
  if (!folderTried_) {
    folderTried_ = true;
    // mkdtemp: mode 0700 and a name no other user can predict. Qt gives an
    // empty temporary path for a TMPDIR that does not exist; the folder must
    // not land in the root folder then.
    const QString temp = QDir::tempPath();
    QByteArray pattern = QFile::encodeName(temp) + '/' + kPrivatePrefix + "XXXXXX";
    if (!temp.isEmpty() && ::mkdtemp(pattern.data())) {
      folder_ = pattern;
      QFile owner(QFile::decodeName(folder_ + '/' + kOwnerFile));
      if (owner.open(QIODevice::WriteOnly | QIODevice::NewOnly)) owner.write(OwnerRecord(::getpid()));
    }
  }
  if (folder_.isEmpty()) return std::nullopt;
  return QFile::decodeName(folder_);
}

void PosixProcess::removeAbandonedPrivateFolders() {
  const QByteArray root = QFile::encodeName(QDir::tempPath());
  DIR* dir = ::opendir(root.constData());
  if (!dir) return;
  const std::size_t prefix = std::strlen(kPrivatePrefix);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name.size() != prefix + 6 || !name.starts_with(kPrivatePrefix)) continue;
    const QByteArray folder = root + '/' + entry->d_name;
    struct stat info {};
    if (::lstat(folder.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) continue;
    if (!OwnerIsGone(folder, info)) continue;
    std::error_code ignored;
    std::filesystem::remove_all(folder.constData(), ignored);
  }
  ::closedir(dir);
}

bool PosixProcess::quitOnTerminationRequests() {
  if (g_pipe[0] >= 0) return true;
  if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
    char number = 0;
    if (::read(g_pipe[0], &number, 1) == 1 && g_status == 0) g_status = 128 + number;
    if (g_status != 0) QCoreApplication::exit(g_status);
  });
  // A signal that comes while a box is shown before the main loop runs ends
  // only that box's loop, and exec() forgets it; asking again whenever a loop
  // waits reaches the main loop too.
  QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, notifier, [] {
    if (g_status != 0) QCoreApplication::exit(g_status);
  });
  struct sigaction action {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  bool ok = true;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) ok = ::sigaction(signal, &action, nullptr) == 0 && ok;
  return ok;
}

bool PosixProcess::deferTerminationRequests() {
  struct sigaction action {};
  action.sa_handler = &OnDeferredSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  bool ok = true;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) ok = ::sigaction(signal, &action, nullptr) == 0 && ok;
  return ok;
}

int PosixProcess::terminationRequested() { return g_deferred; }

long long PosixProcess::id() { return ::getpid(); }

bool PosixProcess::isRunning(long long id) {
  if (id <= 0 || id != static_cast<pid_t>(id)) return false;
  return ::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
}

void PosixProcess::preferWindowlessGui() { ::setenv("QT_QPA_PLATFORM", "offscreen", 0); }

bool PosixProcess::errorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace dtu::platform
