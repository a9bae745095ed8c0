// SPDX-License-Identifier: MIT
#include "ui/SignalQuit.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>

namespace dtu {

namespace {

int g_pipe[2] = {-1, -1};
int g_status = 0;  // the status asked for by a signal, 0 before one came

void OnSignal(int signal) {
  const int saved = errno;
  const char number = static_cast<char>(signal);
  // Non-blocking: a full pipe already holds a request to quit.
  [[maybe_unused]] const ssize_t ignored = ::write(g_pipe[1], &number, 1);
  errno = saved;
}

}  // namespace

bool QuitOnTerminationSignals() {
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

}  // namespace dtu
