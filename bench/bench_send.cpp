// SPDX-License-Identifier: MIT
// How long the window's thread is kept from its events while the Send dialog
// sends a list through a modem (a pseudo-terminal that answers like one, with
// the network's answer to each message taking 200 ms).
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/Platform.h"
#include "support/FakeModem.h"
#include "ui/MessagePresenter.h"
#include "ui/SendDialogs.h"

int main(int argc, char** argv) {
  using namespace std::chrono;
  QApplication app(argc, argv);
  QTemporaryDir dir;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("user")));
  dtu::platform::SystemPlatform system;
  dtu::testing::FakeModem modem;
  dtu::SendOptions options;
  options.modem = QString::fromStdString(modem.device());
  options.interval = milliseconds(100);
  dtu::StoreSendOptions(options);
  std::vector<dtu::SendItem> items;
  for (int i = 0; i < 20; ++i)
    items.push_back({i + 1, QStringLiteral("KQ%1").arg(i), QStringLiteral("1380000%1").arg(1000 + i),
                     QStringLiteral("(A55A#1*192.0.2.15*5000#3*CMNET#4*KQ%1)").arg(i)});
  // The technician agrees to what goes out.
  struct Agreeing final : dtu::MessagePresenter {
    void show(const dtu::BoxRequest&) override {}
    bool confirm(const dtu::ConfirmRequest&) override { return true; }
  } boxes;
  qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
  dtu::SendPlan plan;
  plan.items = items;
  dtu::SmsCommandInputs fields;
  fields.commandType = dtu::kSmsCommandRunningQuery;
  dtu::SendDialog dialog(plan, fields, dir.filePath(QStringLiteral("log.csv")), system.get(), nullptr, boxes);
  dialog.show();
  // The modem holds each answer for a while, as a network does.
  std::jthread network([&](std::stop_token stop) {
    while (!stop.stop_requested()) {
      modem.hold = true;
      std::this_thread::sleep_for(milliseconds(200));
      modem.hold = false;
      std::this_thread::sleep_for(milliseconds(20));
    }
  });
  steady_clock::time_point last = steady_clock::now();
  steady_clock::duration longest{};
  long ticks = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    longest = std::max(longest, steady_clock::now() - last);
    last = steady_clock::now();
    ++ticks;
  });
  const auto start = steady_clock::now();
  tick.start(1);
  dialog.start();
  const bool finished = QTest::qWaitFor([&] { return !dialog.running(); }, 120000);
  network.request_stop();
  modem.hold = false;
  std::printf("send 20 messages: %.1f s, %zu sent; window's thread: %ld events, longest gap %.1f ms\n",
              duration<double>(steady_clock::now() - start).count(), modem.sent().size(), ticks,
              duration<double, std::milli>(longest).count());
  return finished && modem.sent().size() == items.size() ? 0 : 1;
}
