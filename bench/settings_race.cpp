// SPDX-License-Identifier: MIT
// Two processes writing different keys of one settings file: how many of
// their writes survive the other's read-modify-replace.
//
//   settings_race fast [keys]     two writers at full speed, `keys` distinct
//                                 keys in all (default 600, half each)
//   settings_race human [trials]  two windows typing a field each, one
//                                 character every 30-150 ms (default 30 trials)
//
// Prints the keys (fast) or fields (human) lost; exit status 0 when none were.
#include <sys/wait.h>
#include <unistd.h>

#include <QString>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "core/AppError.h"
#include "core/config/SettingsStore.h"
#include "platform/posix/PosixCodePage.h"
#include "platform/posix/PosixFileStore.h"

namespace {

dtu::platform::PosixCodePage g_codePage;

// Runs `body` in a child process; returns its pid.
template <typename F>
pid_t Spawn(F body) {
  const pid_t child = ::fork();
  if (child == 0) {
    int failures = 0;
    try {
      failures = body();
    } catch (const dtu::AppError&) {
      failures = 1;
    }
    std::_Exit(failures == 0 ? 0 : 3);
  }
  return child;
}

int Wait(pid_t child) {
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 4;
}

// Each writer waits for the start byte so that both run at once.
int Fast(const std::string& path, int keys) {
  int start[2];
  if (::pipe(start) != 0) return 2;
  pid_t writers[2];
  for (int w = 0; w < 2; ++w) {
    writers[w] = Spawn([&, w] {
      ::close(start[1]);
      char byte;
      if (::read(start[0], &byte, 1) != 1) return 1;
      dtu::platform::PosixFileStore files;
      dtu::SettingsStore store(QString::fromStdString(path), dtu::AnsiCodec("UTF-8", g_codePage), files);
      int failed = 0;
      for (int k = w; k < keys; k += 2) {
        try {
          store.WriteString("Main", ("key" + std::to_string(k)).c_str(), QString::number(k));
        } catch (const dtu::AppError&) {
          ++failed;
        }
      }
      return failed;
    });
  }
  ::close(start[0]);
  (void)!::write(start[1], "gg", 2);
  ::close(start[1]);
  const int status0 = Wait(writers[0]), status1 = Wait(writers[1]);
  dtu::platform::PosixFileStore files;
  const dtu::SettingsStore store(QString::fromStdString(path), dtu::AnsiCodec("UTF-8", g_codePage), files);
  int lost = 0;
  for (int k = 0; k < keys; ++k)
    if (store.ReadString("Main", ("key" + std::to_string(k)).c_str(), QString()) != QString::number(k)) ++lost;
  std::printf("keys written: %d\nkeys lost: %d\nwriter exit statuses: %d %d\n", keys, lost, status0, status1);
  return lost == 0 ? 0 : 1;
}

int Human(const std::string& path, int trials) {
  const char* fields[2] = {"DTU number", "Other APN"};
  const std::string typed[2] = {"KQ-GP000123", "CMIOT.EXAMPLE"};
  int lostTrials = 0;
  for (int t = 0; t < trials; ++t) {
    std::filesystem::remove(path);
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
      writers[w] = Spawn([&, w] {
        std::mt19937 random{std::random_device{}()};
        std::uniform_int_distribution<int> pauseMs(30, 150);
        dtu::platform::PosixFileStore files;
        dtu::SettingsStore store(QString::fromStdString(path), dtu::AnsiCodec("UTF-8", g_codePage), files);
        // Every keystroke writes the field's whole text, as the window does.
        for (std::size_t n = 1; n <= typed[w].size(); ++n) {
          std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs(random)));
          store.WriteString("Main", fields[w], QString::fromStdString(typed[w].substr(0, n)));
        }
        return 0;
      });
    }
    Wait(writers[0]);
    Wait(writers[1]);
    dtu::platform::PosixFileStore files;
    const dtu::SettingsStore store(QString::fromStdString(path), dtu::AnsiCodec("UTF-8", g_codePage), files);
    bool lost = false;
    for (int w = 0; w < 2; ++w) lost = lost || store.ReadString("Main", fields[w], QString()).toStdString() != typed[w];
    lostTrials += lost;
  }
  std::printf("trials: %d\ntrials that lost a field's text: %d\n", trials, lostTrials);
  return lostTrials == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "fast";
  char pattern[] = "/tmp/settings-race-XXXXXX";
  if (!::mkdtemp(pattern)) return 2;
  const std::string path = std::string(pattern) + "/ZEREVuzi.ini";
  const int count = argc > 2 ? std::atoi(argv[2]) : 0;
  const int status = mode == "human" ? Human(path, count > 0 ? count : 30) : Fast(path, count > 0 ? count : 600);
  std::filesystem::remove_all(pattern);
  return status;
}
