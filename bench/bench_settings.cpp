// SPDX-License-Identifier: MIT
// One settings write (a keystroke in a field) against the bare cost of
// replacing the same bytes on disk: write, fsync, rename. The store adds the
// read of the old file, the checks, the edit and the folder sync.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/config/SettingsStore.h"
#include "platform/posix/PosixCodePage.h"
#include "platform/posix/PosixFileStore.h"

namespace {

dtu::platform::PosixCodePage g_codePage;

const std::string kNineKeys =
    "[Main]\r\nnLanguageID=2\r\nServer address mode=0\r\nPort=6000\r\nStatic IP=192.0.2.15\r\n"
    "Domain address=dtu.example.com\r\nSMS command type=0\r\nService network(APN)=3\r\n"
    "Other APN=CMIOT\r\nDTU number=KQ-GP000001\r\n";

// A fresh folder (under TMPDIR, else /tmp) holding the nine-key file.
class Folder {
 public:
  Folder() {
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/bench_settings.XXXXXX";
    if (!::mkdtemp(templ.data())) std::abort();
    path_ = templ;
    std::ofstream(file(), std::ios::binary) << kNineKeys;
  }
  ~Folder() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }
  std::string file() const { return path_ + "/ZEREVuzi.ini"; }

 private:
  std::string path_;
};

void BM_WriteString(benchmark::State& state) {
  Folder folder;
  const QString path = QString::fromStdString(folder.file());
  const dtu::AnsiCodec codec("UTF-8", g_codePage);
  dtu::platform::PosixFileStore files;
  int i = 0;
  for (auto _ : state) {
    dtu::SettingsStore store(path, codec, files);  // one store per access, as the handlers do
    store.WriteString("Main", "DTU number", (++i & 1) ? QStringLiteral("KQ-GP000002") : QStringLiteral("KQ-GP000001"));
  }
}

// The same bytes, replaced with the least a durable atomic write needs.
void BareReplace(benchmark::State& state, bool syncFolder) {
  Folder folder;
  const std::string file = folder.file();
  const std::string temp = folder.path() + "/.ZEREVuzi.ini.tmp";
  std::string bytes = kNineKeys;
  const std::size_t digit = bytes.rfind('1');
  int i = 0;
  for (auto _ : state) {
    bytes[digit] = (++i & 1) ? '2' : '1';
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) || ::fsync(fd) != 0 ||
        ::close(fd) != 0 || ::rename(temp.c_str(), file.c_str()) != 0)
      std::abort();
    if (syncFolder) {
      const int dir = ::open(folder.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      ::fsync(dir);
      ::close(dir);
    }
  }
}

void BM_BareWriteFsyncRename(benchmark::State& state) { BareReplace(state, false); }
void BM_BareWriteFsyncRenameFolderSync(benchmark::State& state) { BareReplace(state, true); }

void BM_ReadString(benchmark::State& state) {
  Folder folder;
  dtu::platform::PosixFileStore files;
  const dtu::SettingsStore store(QString::fromStdString(folder.file()), dtu::AnsiCodec("UTF-8", g_codePage), files);
  for (auto _ : state) benchmark::DoNotOptimize(store.ReadString("Main", "DTU number", QString()));
}

BENCHMARK(BM_WriteString)->UseRealTime();
BENCHMARK(BM_BareWriteFsyncRename)->UseRealTime();
BENCHMARK(BM_BareWriteFsyncRenameFolderSync)->UseRealTime();
BENCHMARK(BM_ReadString);

}  // namespace

BENCHMARK_MAIN();
