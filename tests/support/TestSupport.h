// SPDX-License-Identifier: MIT
// Helpers every test folder shares: the recording presenter, whole-file
// reads and writes, an environment guard and readable QString output.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <chrono>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

#include "core/AppError.h"
#include "platform/Platform.h"
#include "support/FakeCodePage.h"
#include "ui/MessagePresenter.h"

namespace dtu::testing {

#ifndef _WIN32
// Files of this process grow to at most `bytes` while it lives: a write past
// that fails with EFBIG, as one on a full disk fails with ENOSPC.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    const rlimit small{bytes, old_.rlim_max};
    set_ = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  bool set() const { return set_; }

 private:
  void (*handler_)(int);
  rlimit old_{};
  bool set_ = false;
};

// Opens both ends of `fifo` again and again once `delay` has passed (until
// stopped): whoever is blocked in open() goes on, so that a test fails
// instead of hanging.
inline std::jthread UnblockFifoAfter(std::string fifo, std::chrono::milliseconds delay) {
  return std::jthread([fifo = std::move(fifo), delay](std::stop_token stop) {
    for (const auto start = std::chrono::steady_clock::now(); !stop.stop_requested();) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      if (std::chrono::steady_clock::now() - start < delay) continue;
      for (const int flags : {O_RDONLY, O_WRONLY})
        if (const int fd = ::open(fifo.c_str(), flags | O_NONBLOCK); fd >= 0) ::close(fd);
    }
  });
}
#endif

// Records every box instead of showing it.
struct RecordingPresenter final : MessagePresenter {
  void show(const BoxRequest& request) override { boxes.push_back(request); }
  bool confirm(const ConfirmRequest& request) override {
    questions.push_back(request);
    return answer;
  }
  std::vector<BoxRequest> boxes;
  std::vector<ConfirmRequest> questions;
  bool answer = true;  // what the user chooses
};

// The system's own facilities, for tests that need the real thing; only the
// user's charset is UTF-8 whatever the machine's locale.
inline const platform::Platform& TestPlatform() {
  static const platform::SystemPlatform system;
  static FakeCodePage utf8("UTF-8");
  const platform::Platform& s = system.get();
  static const platform::Platform platform{s.files, s.network, utf8, s.locale, s.process, s.catalogs, s.serial};
  return platform;
}

// Writes `bytes` to `path`, making its folder first.
inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The file's bytes; empty if it cannot be read.
inline QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Sets or unsets environment variables for one test and restores them after;
// the locale variables are always unset first, so the machine's never leak in.
class EnvGuard {
 public:
  // A null value leaves the variable unset.
  EnvGuard(std::initializer_list<std::pair<const char*, const char*>> values) {
    for (const char* name : {"LANG", "LC_ALL", "LC_CTYPE", "LC_MESSAGES", "LANGUAGE"}) save(name);
    for (const auto& [name, value] : values) {
      save(name);
      if (value) qputenv(name, value);
    }
  }
  ~EnvGuard() {
    for (const auto& [name, value] : saved_) value ? qputenv(name.c_str(), value->c_str()) : qunsetenv(name.c_str());
  }

 private:
  void save(const char* name) {
    if (!saved_.contains(name) && qEnvironmentVariableIsSet(name)) saved_[name] = qgetenv(name).toStdString();
    saved_.try_emplace(name, std::nullopt);
    qunsetenv(name);
  }
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace dtu::testing

// Readable QString values in assertion messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
