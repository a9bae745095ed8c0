// SPDX-License-Identifier: MIT
// What the send journal adds to each message: a claim, `submitting` before
// the text leaves and the result after it, each committed to the disk
// (WAL, synchronous FULL) before the send goes on. The send itself takes
// seconds; this should stay far below 20 ms.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "core/send/SqliteJournal.h"

namespace {

void BM_JournalPerMessage(benchmark::State& state) {
  QTemporaryDir dir(QStringLiteral("bench_journal-XXXXXX"));  // on the disk, not a memory file system
  auto opened =
      dtu::SqliteJournal::open(dir.filePath(QStringLiteral("journal.sqlite")), {1, [](long long) { return true; }});
  if (!opened || !opened.value()->beginRun(QStringLiteral("/dev/ttyUSB0"))) {
    state.SkipWithError("the journal cannot be opened");
    return;
  }
  dtu::SqliteJournal& journal = *opened.value();
  int n = 0;
  for (auto _ : state) {
    const QString dtu = QStringLiteral("KQ-GP%1").arg(++n, 6, 10, QLatin1Char('0'));
    const auto claim = journal.claim(dtu, QStringLiteral("13800000001"),
                                     QStringLiteral("(A55A#1*192.0.2.15*5000#3*CMNET#4*%1)").arg(dtu), false);
    if (!claim || !journal.submitting(claim->entry.id) ||
        !journal.record(claim->entry.id, {dtu::SendResult::Status::Sent, QStringLiteral("17"), {}})) {
      state.SkipWithError("a journal write failed");
      return;
    }
  }
}
BENCHMARK(BM_JournalPerMessage)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
