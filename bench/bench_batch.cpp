// SPDX-License-Identifier: MIT
// A full list read and composed (target: 10,000 rows under 100 ms) and the QR
// sheet of 1,000 codes (target: under 5 s).
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QGuiApplication>
#include <cstdlib>

#include "core/batch/BatchList.h"
#include "platform/posix/PosixCodePage.h"
#include "ui/QrSheet.h"

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
    dtu::BatchList list = dtu::ParseBatchList(dtu::DecodeBatchBytes(bytes, Utf8()).text);
    dtu::ComposeBatch(list, kBase, Utf8());
    if (list.okCount() != 10000) state.SkipWithError("rows failed");
    benchmark::DoNotOptimize(list);
  }
}
BENCHMARK(BM_ReadAndCompose10000)->Unit(benchmark::kMillisecond);

void BM_QrSheet1000(benchmark::State& state) {
  dtu::BatchList list = dtu::ParseBatchList(dtu::DecodeBatchBytes(List(1000), Utf8()).text);
  dtu::ComposeBatch(list, kBase, Utf8());
  for (auto _ : state) {
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    if (!dtu::PaintQrSheet(list, pdf)) state.SkipWithError("no PDF");
    state.counters["MB"] = static_cast<double>(pdf.size()) / 1e6;
  }
}
BENCHMARK(BM_QrSheet1000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
