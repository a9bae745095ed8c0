// SPDX-License-Identifier: MIT
// The send journal in one SQLite file per user, through SQLite's C API: WAL,
// synchronous FULL, so that a committed state survives a kill or a power
// cut; a second process waits for the first's transaction instead of failing.
//
// Tables: `runs` (id, pid, route, started, ended, gateway), `messages` (one
// row per attempt: id, updated, dtu_key, dtu_number, sim_number, command,
// state, reference, route, detail, run, delivery, delivered),
// `reports` (message, reference, status, time: one per part), `incoming`
// (sender, sent, text, pdu, problem, dtu_number, stored), `imports` (source, time).
#pragma once

#include <functional>
#include <memory>

#include "core/send/SendJournal.h"
#include "platform/Process.h"

struct sqlite3;

namespace dtu {

// Whether the process that started a run still runs: its id, and the check.
struct ProcessLiveness {
  long long self = 0;
  std::function<bool(long long)> isRunning;
};
// This process's, as the system tells it.
inline ProcessLiveness LivenessOf(platform::Process& process) {
  return {process.id(), [&process](long long pid) { return process.isRunning(pid); }};
}

class SqliteJournal final : public SendJournal {
 public:
  // Opens or makes the journal at `path` (its folder too). The failure names
  // the file and the cause: unwritable, not a journal, from a newer version.
  static Expected<std::unique_ptr<SqliteJournal>> open(const QString& path, ProcessLiveness liveness);
  ~SqliteJournal() override;
  SqliteJournal(const SqliteJournal&) = delete;
  SqliteJournal& operator=(const SqliteJournal&) = delete;

  Status beginRun(const QString& route, bool gateway = false) override;
  Expected<JournalClaim> claim(const QString& dtuNumber, const QString& simNumber, const QString& command,
                               bool resend) override;
  Status submitting(qint64 id) override;
  Status record(qint64 id, const SendResult& result) override;
  Status release(qint64 id) override;
  Expected<std::optional<JournalEntry>> lookUp(const QString& dtuNumber, const QString& command) override;
  Expected<std::vector<JournalEntry>> entries() override;
  Expected<bool> importOnce(const QString& source, const std::vector<JournalEntry>& found) override;
  Expected<QString> recordReport(const StatusReport& report, bool* changed = nullptr) override;
  Expected<QString> storeIncoming(const IncomingSms& sms, bool* isNew = nullptr) override;
  Expected<std::vector<RolloutRow>> rollout() override;

  // Caps the file at `pages` pages, as a full disk would: for trying what a
  // run does when the journal cannot grow.
  Status limitPages(int pages);

 private:
  SqliteJournal(sqlite3* db, QString path, ProcessLiveness liveness);
  Status exec(const char* sql);
  Failure failure() const;
  bool runIsLive(qint64 run);
  Status settleIfDead(qint64 run);
  Status endRun();
  Status updateDelivery(qint64 message, const QString& references);

  sqlite3* db_;
  QString path_;
  ProcessLiveness liveness_;
  qint64 run_ = 0;
};

}  // namespace dtu
