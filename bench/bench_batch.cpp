// SPDX-License-Identifier: MIT
// A full list read and composed (target: 10,000 rows under 100 ms); the QR
// sheet of 1,000 and 10,000 codes against its floor, libqrencode encoding the
// same payloads on one thread in the same run (target: at most 1.6 times the
// floor); keys typed into the batch dialog's paste area holding 10,000 rows
// (target: every key handled within 50 ms).
#include <benchmark/benchmark.h>
#include <qrencode.h>
#include <sys/resource.h>
#include <time.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/batch/BatchCompose.h"
#include "core/batch/BatchList.h"
#include "core/batch/BatchRecords.h"
#include "core/batch/BatchText.h"
#include "core/sms/QrCode.h"
#include "core/sms/SimNumber.h"
#include "platform/Platform.h"
#include "platform/posix/PosixCodePage.h"
#include "render/QrSheet.h"
#include "ui/BatchDialog.h"
#include "ui/MessagePresenter.h"

namespace {

const dtu::SmsCommandInputs kBase{0, 1, "", "dtu-hub.example.com", 6000, 0, "", ""};

const dtu::AnsiCodec& Utf8() {
  static dtu::platform::PosixCodePage codePage;
  static const dtu::AnsiCodec codec("UTF-8", codePage);
  return codec;
}

QByteArray List(int rows) {
  QByteArray text = "DTU number;SIM number\r\n";
  for (int i = 0; i < rows; ++i)
    text += "KQ-GP" + QByteArray::number(i).rightJustified(6, '0') + ";+86 138 0013 8000\r\n";
  return text;
}

void BM_ReadAndCompose10000(benchmark::State& state) {
  const QByteArray bytes = List(10000);
  for (auto _ : state) {
    dtu::BatchList list = dtu::ParseBatchList(dtu::DecodeBatchBytes(bytes, Utf8()).value());
    dtu::ComposeBatch(list, kBase, Utf8());
    if (list.okCount() != 10000) state.SkipWithError("rows failed");
    benchmark::DoNotOptimize(list);
  }
}
BENCHMARK(BM_ReadAndCompose10000)->Unit(benchmark::kMillisecond);

void BM_QrSheet1000(benchmark::State& state) {
  dtu::BatchList list = dtu::ParseBatchList(dtu::DecodeBatchBytes(List(1000), Utf8()).value());
  dtu::ComposeBatch(list, kBase, Utf8());
  for (auto _ : state) {
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    if (!dtu::PaintQrSheet(list, pdf)) state.SkipWithError("no PDF");
    state.counters["MB"] = static_cast<double>(pdf.size()) / 1e6;
  }
}
BENCHMARK(BM_QrSheet1000)->Unit(benchmark::kMillisecond)->Iterations(3);

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "bench_batch: %s\n", what);
  std::exit(1);
}

dtu::BatchList Composed(int rows) {
  dtu::BatchList list = dtu::ParseBatchList(dtu::DecodeBatchBytes(List(rows), Utf8()).value());
  dtu::ComposeBatch(list, kBase, Utf8());
  return list;
}

double Seconds(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e9; }

// This thread's processor time: on a busy machine it shows what the wall clock hides.
double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Timing {
  double wall = 0;
  double cpu = 0;  // of the calling thread
};

// The floor: the sheet's payloads through libqrencode alone, on this thread.
Timing FloorTiming(const dtu::BatchList& list) {
  std::vector<QByteArray> payloads;
  for (const dtu::BatchRow& row : list.rows)
    payloads.push_back(dtu::SmsToPayload(*dtu::NormalizeSimNumber(row.simNumber), row.command).toUtf8());
  QElapsedTimer timer;
  timer.start();
  const double cpu = ThreadSeconds();
  for (const QByteArray& bytes : payloads) {
    QRcode* code = QRcode_encodeData(static_cast<int>(bytes.size()),
                                     reinterpret_cast<const unsigned char*>(bytes.constData()), 0, QR_ECLEVEL_M);
    if (!code) Fail("libqrencode failed");
    QRcode_free(code);
  }
  return {Seconds(timer), ThreadSeconds() - cpu};
}

void ReportSheetRatio(int rows) {
  const dtu::BatchList list = Composed(rows);
  const Timing floor = FloorTiming(list);
  QBuffer pdf;
  pdf.open(QIODevice::WriteOnly);
  QElapsedTimer timer;
  timer.start();
  const double cpu = ThreadSeconds();
  if (!dtu::PaintQrSheet(list, pdf)) Fail("no PDF");
  const Timing sheet{Seconds(timer), ThreadSeconds() - cpu};
  std::printf("sheet %d: %.2f s, floor: %.2f s, ratio %.2f (PDF %.1f MB)\n", rows, sheet.wall, floor.wall,
              sheet.wall / floor.wall, static_cast<double>(pdf.size()) / 1e6);
  // The drawing thread's share (with the codes it encoded rather than wait):
  // where it nears the wall clock, drawing is what bounds the sheet.
  std::printf("  processor time: drawing thread %.2f s, floor %.2f s, ratio %.2f\n", sheet.cpu, floor.cpu,
              sheet.cpu / floor.cpu);
}

struct NoBoxes final : dtu::MessagePresenter {
  void show(const dtu::BoxRequest&) override {}
};

// Keys typed into a pasted list of 10,000 rows with a typist's
// pauses, some long enough for the preview to be recomposed; a key's time
// runs from its arrival in the queue until the text holds it, so any stall
// of the window's thread counts.
void ReportPasteKeys() {
  NoBoxes boxes;
  dtu::platform::SystemPlatform system;
  dtu::BatchDialog dialog(kBase, Utf8(), system.get().files, nullptr, boxes);
  dialog.show();
  auto* edit = dialog.findChild<QPlainTextEdit*>(QStringLiteral("batch_List"));
  edit->setPlainText(QString::fromUtf8(List(10000)));
  // At the end of the first row's DTU number.
  QTextCursor cursor(edit->document()->findBlockByNumber(1));
  cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::MoveAnchor, 11);
  edit->setTextCursor(cursor);
  const auto waitFor = [](const auto& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
  };
  if (!waitFor([&] { return dialog.list().rows.size() == 10000; }, 60000)) Fail("the pasted list was not composed");
  const int pauses[] = {60, 90, 320, 120, 500, 80, 700, 150, 400, 260};
  constexpr int kKeys = 30;
  std::vector<double> keys;
  // The longest the window's thread was busy at a stretch: the gaps between
  // the ticks of a timer that wants to run every millisecond.
  QElapsedTimer sinceTick;
  double longestBusy = 0;
  QTimer ticks;
  ticks.setInterval(1);
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    longestBusy = std::max(longestBusy, Seconds(sinceTick) * 1000);
    sinceTick.restart();
  });
  sinceTick.start();
  ticks.start();
  for (int i = 0; i < kKeys; ++i) {
    waitFor([] { return false; }, pauses[i % std::size(pauses)]);
    const int revision = edit->document()->revision();
    QElapsedTimer timer;
    timer.start();
    QCoreApplication::postEvent(edit, new QKeyEvent(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, QStringLiteral("7")));
    if (!waitFor([&] { return edit->document()->revision() != revision; }, 10000)) Fail("a key was not taken");
    keys.push_back(Seconds(timer) * 1000);
  }
  // The last key's row in the preview: "KQ-GP000000" followed by the digits typed.
  QElapsedTimer timer;
  timer.start();
  const QString typed = QStringLiteral("KQ-GP000000") + QString(kKeys, QLatin1Char('7'));
  if (!waitFor([&] { return dialog.list().rows.front().dtuNumber == typed; }, 60000))
    Fail("the preview did not follow the keys");
  const double preview = Seconds(timer) * 1000;
  std::sort(keys.begin(), keys.end());
  std::printf(
      "paste 10000: key median %.1f ms, slowest %.1f ms; preview %.0f ms after the last key; "
      "window's thread busy at most %.0f ms at a stretch\n",
      keys[keys.size() / 2], keys.back(), preview, longestBusy);
}

}  // namespace

// Without options: the Google benchmarks, then the ratio and the keys.
// "--ratio ROWS" prints one sheet's ratio only and the peak memory, "--keys"
// the keys only.
int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  if (argc == 3 && std::string_view(argv[1]) == "--ratio") {
    ReportSheetRatio(std::atoi(argv[2]));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %.0f MB\n", static_cast<double>(usage.ru_maxrss) / 1024);
    return 0;
  }
  if (argc == 2 && std::string_view(argv[1]) == "--keys") {
    ReportPasteKeys();
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (int rows : {1000, 10000}) ReportSheetRatio(rows);
  ReportPasteKeys();
  return 0;
}
