// SPDX-License-Identifier: MIT
// Kill test of the settings file: a child process writes keys in a loop and
// is killed (SIGKILL) at random moments. After every kill the file must be
// whole: exactly what one finished write produced. Temporary files seen after
// a kill are counted; the next start's tidying (run with the leftovers aged
// past its one-minute limit) must leave none.
//
//   settings_kill [kills] [folder]      default 200 kills in a fresh temporary folder
//
// Exit status 0 when no file was torn and nothing was left after the start.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QString>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "core/config/SettingsStore.h"
#include "platform/posix/PosixCodePage.h"
#include "platform/posix/PosixFileStore.h"

namespace {

namespace fs = std::filesystem;

dtu::platform::PosixCodePage g_codePage;

// The value of write number n: its length varies so that a torn write shows.
std::string Value(unsigned long n) {
  return "n" + std::to_string(n) + ":" + std::string(n * 37 % 3000, static_cast<char>('a' + n % 26)) + ":end";
}
std::string Render(unsigned long n) {
  return "[Main]\r\nPort=" + std::to_string(n) + "\r\nPayload=" + Value(n) + "\r\n";
}

// Whole when the file is what write number n left, for the n it names.
bool Whole(const std::string& bytes) {
  if (bytes == Render(0)) return true;
  const std::size_t at = bytes.find("\r\nPort=");
  if (at == std::string::npos) return false;
  const unsigned long port = std::strtoul(bytes.c_str() + at + 7, nullptr, 10);
  // The pair of keys is written one after the other: Payload may lag by one.
  std::string lagging = Render(port);
  if (port > 0) lagging.replace(lagging.find("Payload="), std::string::npos, "Payload=" + Value(port - 1) + "\r\n");
  return bytes == Render(port) || bytes == lagging;
}

[[noreturn]] void Writer(const std::string& path, int ready) {
  dtu::platform::PosixFileStore files;
  dtu::SettingsStore store(QString::fromStdString(path), dtu::AnsiCodec("UTF-8", g_codePage), files);
  (void)!::write(ready, "r", 1);
  ::close(ready);
  // Going on from the file's number, first finishing a pair that a kill cut
  // short, keeps Payload at most one write behind Port.
  const auto last = static_cast<unsigned long>(store.ReadInteger("Main", "Port", 0));
  store.WriteString("Main", "Payload", QString::fromStdString(Value(last)));
  for (unsigned long n = last + 1;; ++n) {
    store.WriteInteger("Main", "Port", static_cast<std::int32_t>(n));
    store.WriteString("Main", "Payload", QString::fromStdString(Value(n)));
  }
}

std::set<std::string> Temporaries(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().filename().string().starts_with(".ZEREVuzi.ini.")) names.insert(entry.path().string());
  return names;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

int main(int argc, char** argv) {
  const int kills = argc > 1 ? std::atoi(argv[1]) : 200;
  std::string folder = argc > 2 ? argv[2] : "";
  if (folder.empty()) {
    char pattern[] = "/tmp/settings-kill-XXXXXX";
    if (!::mkdtemp(pattern)) return 2;
    folder = pattern;
  }
  const std::string path = folder + "/ZEREVuzi.ini";
  std::ofstream(path, std::ios::binary) << Render(0);

  std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<int> delayUs(0, 60000);
  int torn = 0, killsWithLeftover = 0;
  std::set<std::string> seen;
  unsigned long lastPort = 0;
  for (int i = 0; i < kills; ++i) {
    int pipe[2];
    if (::pipe(pipe) != 0) return 2;
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(pipe[0]);
      Writer(path, pipe[1]);
    }
    ::close(pipe[1]);
    char byte = 0;
    const bool started = ::read(pipe[0], &byte, 1) == 1;  // a child that dies early closes the pipe
    ::close(pipe[0]);
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    if (!started) return 2;

    const std::string bytes = Slurp(path);
    if (!Whole(bytes)) {
      ++torn;
      std::fprintf(stderr, "torn after kill %d: %zu bytes\n", i + 1, bytes.size());
    }
    const std::size_t at = bytes.find("Port=");
    if (at != std::string::npos) lastPort = std::strtoul(bytes.c_str() + at + 5, nullptr, 10);
    bool fresh = false;
    for (const std::string& name : Temporaries(folder)) fresh = seen.insert(name).second || fresh;
    if (fresh) ++killsWithLeftover;
  }

  // The next start, a minute or more later.
  const std::size_t beforeStart = Temporaries(folder).size();
  const auto aged = fs::file_time_type::clock::now() - std::chrono::minutes(2);
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().filename().string().starts_with(".ZEREVuzi.ini.")) fs::last_write_time(entry.path(), aged);
  dtu::platform::PosixFileStore files;
  dtu::SettingsStore(QString::fromStdString(path), dtu::AnsiCodec("UTF-8", g_codePage), files)
      .removeStaleTemporaryFiles();
  const std::size_t afterStart = Temporaries(folder).size();

  std::printf("kills: %d\ntorn files: %d\nkills that left a temporary file: %d\n", kills, torn, killsWithLeftover);
  std::printf("temporary files before the next start: %zu, after it: %zu\nlast number written: %lu\n", beforeStart,
              afterStart, lastPort);
  if (argc <= 2) fs::remove_all(folder);
  return torn == 0 && afterStart == 0 ? 0 : 1;
}
