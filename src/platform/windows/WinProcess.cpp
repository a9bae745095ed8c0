// SPDX-License-Identifier: MIT
#include "platform/windows/WinProcess.h"

#include <QCoreApplication>
#include <QFile>
#include <atomic>
#include <cstdio>

#include "platform/windows/WinHeaders.h"

#include <fcntl.h>
#include <io.h>

namespace dtu::platform {

namespace {

// Windows allows 5 s after a console close before it ends the process.
constexpr DWORD kCloseWaitMs = 4000;

std::atomic<bool> g_quitAsked{false};
HANDLE g_finished = nullptr;  // set when the program is done; made before the handler is installed

// Runs on a thread of its own that the system starts.
BOOL WINAPI OnControl(DWORD type) {
  const bool interrupt = type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT;
  if (!interrupt && type != CTRL_CLOSE_EVENT && type != CTRL_LOGOFF_EVENT && type != CTRL_SHUTDOWN_EVENT) return FALSE;
  const bool again = g_quitAsked.exchange(true);
  if (interrupt && again) return FALSE;
  if (!again) {
    if (QCoreApplication* app = QCoreApplication::instance())
      QMetaObject::invokeMethod(app, "quit", Qt::QueuedConnection);
  }
  if (!interrupt) WaitForSingleObject(g_finished, kCloseWaitMs);
  return TRUE;
}

std::atomic<int> g_deferred{0};

BOOL WINAPI OnDeferredControl(DWORD type) {
  const bool interrupt = type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT;
  if (!interrupt && type != CTRL_CLOSE_EVENT && type != CTRL_LOGOFF_EVENT && type != CTRL_SHUTDOWN_EVENT) return FALSE;
  const int status = interrupt ? 130 : 143;
  int none = 0;
  if (!g_deferred.compare_exchange_strong(none, status)) ExitProcess(static_cast<UINT>(g_deferred.load()));
  if (!interrupt) WaitForSingleObject(g_finished, kCloseWaitMs);
  return TRUE;
}

}  // namespace

bool WinProcess::deferTerminationRequests() {
  if (!g_finished) g_finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return g_finished && SetConsoleCtrlHandler(&OnDeferredControl, TRUE);
}

int WinProcess::terminationRequested() { return g_deferred.load(); }

long long WinProcess::id() { return static_cast<long long>(GetCurrentProcessId()); }

bool WinProcess::isRunning(long long id) {
  if (id <= 0 || id > 0xFFFFFFFFLL) return false;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // someone else's: it exists
  DWORD code = 0;
  const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  CloseHandle(process);
  return running;
}

WinProcess::~WinProcess() {
  if (g_finished) SetEvent(g_finished);
}

QString WinProcess::executablePath() {
  // GetModuleFileNameW truncates without saying how much it needs.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) return QString::fromWCharArray(path.data(), static_cast<qsizetype>(n));
    if (path.size() >= 65536) return {};
    path.resize(path.size() * 2);
  }
}

std::unique_ptr<QIODevice> WinProcess::openExecutable() {
  auto file = std::make_unique<QFile>(executablePath());
  if (!file->open(QIODevice::ReadOnly)) return nullptr;
  return file;
}

bool WinProcess::quitOnTerminationRequests() {
  if (!g_finished) g_finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return g_finished && SetConsoleCtrlHandler(&OnControl, TRUE);
}

bool WinProcess::errorIsTerminal() {
  // A console answers with its mode; a pipe, a file or nothing does not.
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void WinProcess::useParentConsole() {
  static bool done = false;
  if (done) return;
  done = true;
  constexpr DWORD kIds[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  HANDLE given[3];
  for (int i = 0; i < 3; ++i) given[i] = GetStdHandle(kIds[i]);
  const auto valid = [](HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; };
  // ERROR_ACCESS_DENIED: attached already.
  if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return;
  for (int i = 0; i < 3; ++i)
    if (valid(given[i])) SetStdHandle(kIds[i], given[i]);
  if (!valid(given[1])) std::freopen("CONOUT$", "w", stdout);
  if (!valid(given[2])) std::freopen("CONOUT$", "w", stderr);
}

void WinProcess::writeStandardOutputAsIs() {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace dtu::platform
