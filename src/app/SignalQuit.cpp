// SPDX-License-Identifier: MIT
#include "app/SignalQuit.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>

namespace dtu {

namespace {

int g_pipe[2] = {-1, -1};

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
    if (::read(g_pipe[0], &number, 1) == 1) QCoreApplication::exit(128 + number);
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
