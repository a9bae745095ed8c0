// SPDX-License-Identifier: MIT
// "Test server port" against a loopback port that refuses: from the click to
// the result box, which should feel instant.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/text/AnsiCodec.h"
#include "core/window/ServerDiagnostics.h"
#include "platform/posix/PosixCodePage.h"
#include "platform/posix/PosixNetwork.h"

namespace {

class SilentView : public dtu::DiagnosticsView {
 public:
  int serverMode() const override { return 0; }
  QString staticIp() const override { return QStringLiteral("127.0.0.1"); }
  void setStaticIp(const QString&) override {}
  QString domainAddress() const override { return {}; }
  int port() override { return port_; }
  void setStatusText(const QString& text) override { status_ = text; }
  void processPendingEvents() override {}
  void showInvalidField(const char*) override {}
  void showInformation(const QString&, const QString& text) override { boxes_ += text.size() > 0; }
  void setBusy(bool) override {}

  int port_ = 1;
  QString status_;
  long boxes_ = 0;
};

// Bound and closed again: nothing listens there.
int RefusingPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

void BM_PortTestRefused(benchmark::State& state) {
  SilentView view;
  view.port_ = RefusingPort();
  dtu::platform::PosixNetwork network;
  dtu::platform::PosixCodePage codePage;
  const dtu::AnsiCodec codec("UTF-8", codePage);
  dtu::net::ProbeServices services;  // the system's network and time-outs
  services.network = &network;
  for (auto _ : state) {
    dtu::TestServerPort(view, codec, services);
    benchmark::DoNotOptimize(view.status_);
  }
  if (view.boxes_ != static_cast<long>(state.iterations()) || !view.status_.endsWith("failed!"))
    state.SkipWithError("the refused port did not end in the failure box");
}
BENCHMARK(BM_PortTestRefused)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
