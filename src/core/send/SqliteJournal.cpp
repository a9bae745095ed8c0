// SPDX-License-Identifier: MIT
#include "core/send/SqliteJournal.h"

#include <sqlite3.h>

#include <QDir>
#include <QFileInfo>
#include <initializer_list>
#include <utility>
#include <variant>

#include "core/Paths.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/sms/SimNumber.h"

namespace dtu {

namespace {

constexpr int kSchemaVersion = 2;
constexpr int kBusyWaitMs = 15000;  // another run's transaction is a few milliseconds

constexpr const char* kStateNames[] = {"claimed", "submitting", "sent", "unconfirmed", "failed"};

const char kSchema[] = R"(
CREATE TABLE IF NOT EXISTS runs(
  id INTEGER PRIMARY KEY,
  pid INTEGER NOT NULL,
  route TEXT NOT NULL,
  started TEXT NOT NULL,
  ended TEXT);
CREATE TABLE IF NOT EXISTS messages(
  id INTEGER PRIMARY KEY,
  updated TEXT NOT NULL,
  dtu_key TEXT NOT NULL,
  dtu_number TEXT NOT NULL,
  sim_number TEXT NOT NULL,
  command TEXT NOT NULL,
  state TEXT NOT NULL CHECK(state IN ('claimed', 'submitting', 'sent', 'unconfirmed', 'failed')),
  reference TEXT NOT NULL DEFAULT '',
  route TEXT NOT NULL DEFAULT '',
  detail TEXT NOT NULL DEFAULT '',
  run INTEGER REFERENCES runs(id));
CREATE INDEX IF NOT EXISTS messages_by_key ON messages(dtu_key, command);
CREATE INDEX IF NOT EXISTS messages_by_run ON messages(run) WHERE state IN ('claimed', 'submitting');
CREATE TABLE IF NOT EXISTS imports(
  source TEXT PRIMARY KEY,
  time TEXT NOT NULL);
)";

// What version 2 adds: the network's word on each message, and what came back.
const char kSchema2[] = R"(
ALTER TABLE runs ADD COLUMN gateway INTEGER NOT NULL DEFAULT 0;
ALTER TABLE messages ADD COLUMN delivery TEXT NOT NULL DEFAULT '';
ALTER TABLE messages ADD COLUMN delivered TEXT NOT NULL DEFAULT '';
CREATE TABLE IF NOT EXISTS reports(
  message INTEGER NOT NULL REFERENCES messages(id),
  reference INTEGER NOT NULL,
  status INTEGER NOT NULL,
  time TEXT NOT NULL,
  PRIMARY KEY(message, reference));
CREATE TABLE IF NOT EXISTS incoming(
  id INTEGER PRIMARY KEY,
  sender TEXT NOT NULL,
  sent TEXT NOT NULL,
  text TEXT NOT NULL,
  pdu TEXT NOT NULL,
  problem TEXT NOT NULL,
  dtu_number TEXT NOT NULL,
  stored TEXT NOT NULL,
  UNIQUE(sender, sent, text, pdu));
)";

constexpr const char* kDeliveryNames[] = {"", "delivered", "not delivered", "accepted by the gateway"};

QString Now() { return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs); }

// One prepared statement; values bound in order, rows read by column.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db) { rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(const QString& text) {
    if (rc_ == SQLITE_OK) {
      const QByteArray utf8 = text.toUtf8();
      rc_ = sqlite3_bind_text(stmt_, ++index_, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    }
    return *this;
  }
  Statement& bind(qint64 value) {
    if (rc_ == SQLITE_OK) rc_ = sqlite3_bind_int64(stmt_, ++index_, value);
    return *this;
  }
  // True while there is a row; `ok()` tells an error from the end.
  bool step() {
    if (rc_ != SQLITE_OK && rc_ != SQLITE_ROW) return false;
    rc_ = sqlite3_step(stmt_);
    return rc_ == SQLITE_ROW;
  }
  bool ok() const { return rc_ == SQLITE_OK || rc_ == SQLITE_ROW || rc_ == SQLITE_DONE; }
  QString text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return QString::fromUtf8(bytes, sqlite3_column_bytes(stmt_, column));
  }
  qint64 integer(int column) const { return sqlite3_column_int64(stmt_, column); }
  bool isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
  int rc_ = SQLITE_OK;
  int index_ = 0;
};

const char kEntryColumns[] =
    "SELECT id, updated, dtu_number, sim_number, command, state, reference, route, detail, run FROM messages ";

JournalEntry EntryAt(const Statement& row) {
  JournalEntry e;
  e.id = row.integer(0);
  e.time = QDateTime::fromString(row.text(1), Qt::ISODateWithMs);
  e.dtuNumber = row.text(2);
  e.simNumber = row.text(3);
  e.command = row.text(4);
  e.state = JournalStateNamed(row.text(5)).value_or(JournalState::Unconfirmed);
  e.reference = row.text(6);
  e.route = row.text(7);
  e.detail = row.text(8);
  return e;
}

// BEGIN IMMEDIATE ... COMMIT, rolled back when left without a commit.
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : db_(db) {
    begun_ = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  ~Transaction() {
    if (begun_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  bool begun() const { return begun_; }
  bool commit() {
    const bool done = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    begun_ = !done && sqlite3_get_autocommit(db_) == 0;
    return done;
  }

 private:
  sqlite3* db_;
  bool begun_ = false;
};

}  // namespace

QString DeliveryName(Delivery delivery) { return QString::fromLatin1(kDeliveryNames[static_cast<int>(delivery)]); }

QString JournalStateName(JournalState state) { return QString::fromLatin1(kStateNames[static_cast<int>(state)]); }

std::optional<JournalState> JournalStateNamed(const QString& name) {
  for (int i = 0; i < static_cast<int>(std::size(kStateNames)); ++i)
    if (name == QLatin1String(kStateNames[i])) return static_cast<JournalState>(i);
  return std::nullopt;
}

JournalState JournalStateOf(const SendResult& result) {
  switch (result.status) {
    case SendResult::Status::Sent:
      return JournalState::Sent;
    case SendResult::Status::Unconfirmed:
      return JournalState::Unconfirmed;
    case SendResult::Status::Failed:
      break;
  }
  return JournalState::Failed;
}

QString JournalDtuKey(const QString& dtuNumber) {
  return dtuNumber.normalized(QString::NormalizationForm_KC).toCaseFolded().trimmed();
}

QString DefaultJournalPath() { return QDir(UserDataFolder()).filePath(QStringLiteral("journal.sqlite")); }

SqliteJournal::SqliteJournal(sqlite3* db, QString path, ProcessLiveness liveness)
    : db_(db), path_(std::move(path)), liveness_(std::move(liveness)) {}

SqliteJournal::~SqliteJournal() {
  (void)endRun();
  sqlite3_close_v2(db_);
}

Expected<std::unique_ptr<SqliteJournal>> SqliteJournal::open(const QString& path, ProcessLiveness liveness) {
  const auto refused = [&](const QString& cause) {
    return Failure{FormatMessage(Translate("The send journal %s cannot be used: %s"), {path, cause}), cause};
  };
  if (const QString folder = QFileInfo(path).absolutePath(); !QDir().mkpath(folder))
    return refused(FormatMessage(Translate("the folder %s cannot be made."), {folder}));
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
  std::unique_ptr<SqliteJournal> journal(new SqliteJournal(db, path, std::move(liveness)));
  if (rc != SQLITE_OK) return refused(QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
  sqlite3_busy_timeout(db, kBusyWaitMs);
  int version = 0;
  {
    Statement read(db, "PRAGMA user_version");
    if (read.step()) version = static_cast<int>(read.integer(0));
    if (!read.ok()) return refused(journal->failure().detail);
  }
  if (version > kSchemaVersion) return refused(Translate("it was written by a newer version of this program."));
  // WAL survives a kill with every committed transaction; FULL makes each
  // commit reach the disk before it returns.
  for (const char* pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL"}) {
    // Switching a new file to WAL needs it alone: another program opening it at
    // the same moment gets "locked" without the busy wait, so it tries again.
    for (int tries = 0;; ++tries) {
      Statement set(db, pragma);
      set.step();
      if (set.ok()) break;
      const int code = sqlite3_errcode(db);
      if ((code != SQLITE_BUSY && code != SQLITE_LOCKED) || tries >= kBusyWaitMs / 10)
        return refused(journal->failure().detail);
      sqlite3_sleep(10);
    }
  }
  if (version < kSchemaVersion) {
    Transaction t(db);
    // Read again under the write lock: another program may have made it meanwhile.
    {
      Statement again(db, "PRAGMA user_version");
      if (again.step()) version = static_cast<int>(again.integer(0));
    }
    if (t.begun() && version >= kSchemaVersion) return journal;
    if (!t.begun() || (version < 1 && !journal->exec(kSchema)) || !journal->exec(kSchema2) ||
        !journal->exec(QByteArray("PRAGMA user_version=" + QByteArray::number(kSchemaVersion)).constData()) ||
        !t.commit())
      return refused(journal->failure().detail);
  }
  return journal;
}

Failure SqliteJournal::failure() const {
  const QString cause = QString::fromUtf8(sqlite3_errmsg(db_));
  return Failure{FormatMessage(Translate("The send journal %s cannot be written: %s"), {path_, cause}), cause};
}

Status SqliteJournal::exec(const char* sql) {
  if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) return failure();
  return Done{};
}

Status SqliteJournal::limitPages(int pages) {
  return exec(QByteArray("PRAGMA max_page_count=" + QByteArray::number(pages)).constData());
}

Status SqliteJournal::beginRun(const QString& route, bool gateway) {
  if (Status ended = endRun(); !ended) return ended;
  Transaction t(db_);
  if (!t.begun()) return failure();
  Statement add(db_, "INSERT INTO runs(pid, route, started, gateway) VALUES (?, ?, ?, ?)");
  add.bind(static_cast<qint64>(liveness_.self)).bind(route).bind(Now()).bind(qint64{gateway ? 1 : 0}).step();
  if (!add.ok()) return failure();
  const qint64 run = sqlite3_last_insert_rowid(db_);
  std::vector<qint64> open;
  {
    Statement held(db_, "SELECT DISTINCT run FROM messages WHERE state IN ('claimed', 'submitting')");
    while (held.step()) open.push_back(held.integer(0));
    if (!held.ok()) return failure();
  }
  run_ = run;
  for (const qint64 other : open) {
    if (Status settled = settleIfDead(other); !settled) {
      run_ = 0;
      return settled;
    }
  }
  if (!t.commit()) {
    run_ = 0;
    return failure();
  }
  return Done{};
}

Status SqliteJournal::endRun() {
  if (run_ == 0) return Done{};
  Statement end(db_, "UPDATE runs SET ended = ? WHERE id = ?");
  end.bind(Now()).bind(run_).step();
  run_ = 0;
  return end.ok() ? Status(Done{}) : Status(failure());
}

bool SqliteJournal::runIsLive(qint64 run) {
  if (run == run_) return true;
  Statement find(db_, "SELECT pid, ended FROM runs WHERE id = ?");
  find.bind(run);
  if (!find.step()) return false;
  if (!find.isNull(1)) return false;
  const long long pid = find.integer(0);
  // Another run of this very process has not ended: it is live.
  if (pid == liveness_.self) return true;
  return liveness_.isRunning && liveness_.isRunning(pid);
}

Status SqliteJournal::settleIfDead(qint64 run) {
  if (runIsLive(run)) return Done{};
  Statement lost(db_,
                 "UPDATE messages SET state = 'unconfirmed', detail = ?, updated = ? "
                 "WHERE run = ? AND state = 'submitting'");
  lost.bind(Translate("The program ended before the answer came; the message may have gone.")).bind(Now()).bind(run);
  lost.step();
  Statement dropped(db_, "DELETE FROM messages WHERE run = ? AND state = 'claimed'");
  dropped.bind(run).step();
  if (!lost.ok() || !dropped.ok()) return failure();
  return Done{};
}

Expected<JournalClaim> SqliteJournal::claim(const QString& dtuNumber, const QString& simNumber, const QString& command,
                                            bool resend) {
  if (run_ == 0) return Failure{Translate("The send journal has no run started.")};
  const QString key = JournalDtuKey(dtuNumber);
  Transaction t(db_);
  if (!t.begun()) return failure();
  // Claims of runs that died are settled first, so that what they left is judged as it stands.
  std::vector<qint64> live;
  {
    Statement held(db_,
                   "SELECT DISTINCT run FROM messages WHERE dtu_key = ? AND command = ? "
                   "AND state IN ('claimed', 'submitting')");
    held.bind(key).bind(command);
    while (held.step()) live.push_back(held.integer(0));
    if (!held.ok()) return failure();
  }
  for (const qint64 run : live)
    if (Status settled = settleIfDead(run); !settled) return settled.failure();
  // A live claim anywhere holds the message; otherwise the newest attempt decides.
  const std::string select = std::string(kEntryColumns) +
                             "WHERE dtu_key = ? AND command = ? "
                             "ORDER BY state IN ('claimed', 'submitting') DESC, id DESC LIMIT 1";
  Statement row(db_, select.c_str());
  row.bind(key).bind(command);
  std::optional<JournalClaim> found;
  if (row.step()) {
    const JournalEntry entry = EntryAt(row);
    if (entry.state == JournalState::Claimed || entry.state == JournalState::Submitting)
      found = JournalClaim{JournalClaim::Outcome::HeldElsewhere, entry};
    else if (!resend && (entry.state == JournalState::Sent || entry.state == JournalState::Unconfirmed))
      found = JournalClaim{JournalClaim::Outcome::DoneBefore, entry};
  }
  if (!row.ok()) return failure();
  if (found) return *found;
  Statement add(db_,
                "INSERT INTO messages(updated, dtu_key, dtu_number, sim_number, command, state, route, run) "
                "SELECT ?, ?, ?, ?, ?, 'claimed', route, id FROM runs WHERE id = ?");
  add.bind(Now()).bind(key).bind(dtuNumber).bind(simNumber).bind(command).bind(run_).step();
  if (!add.ok()) return failure();
  JournalClaim claimed{JournalClaim::Outcome::Claimed, {}};
  claimed.entry.id = sqlite3_last_insert_rowid(db_);
  claimed.entry.dtuNumber = dtuNumber;
  claimed.entry.simNumber = simNumber;
  claimed.entry.command = command;
  if (!t.commit()) return failure();
  return claimed;
}

Status SqliteJournal::submitting(qint64 id) {
  Statement set(db_, "UPDATE messages SET state = 'submitting', updated = ? WHERE id = ?");
  set.bind(Now()).bind(id).step();
  if (!set.ok() || sqlite3_changes(db_) != 1) return failure();
  return Done{};
}

Status SqliteJournal::record(qint64 id, const SendResult& result) {
  // A gateway can say no more than that it took the message.
  Statement set(db_,
                "UPDATE messages SET state = ?1, reference = ?2, detail = ?3, updated = ?4, delivery = "
                "CASE WHEN ?1 = 'sent' AND (SELECT gateway FROM runs WHERE id = messages.run) = 1 "
                "THEN 'accepted by the gateway' ELSE delivery END WHERE id = ?5");
  set.bind(JournalStateName(JournalStateOf(result))).bind(result.reference).bind(result.error).bind(Now()).bind(id);
  set.step();
  if (!set.ok() || sqlite3_changes(db_) != 1) return failure();
  return Done{};
}

Status SqliteJournal::release(qint64 id) {
  Statement drop(db_, "DELETE FROM messages WHERE id = ? AND state = 'claimed'");
  drop.bind(id).step();
  return drop.ok() ? Status(Done{}) : Status(failure());
}

Expected<std::optional<JournalEntry>> SqliteJournal::lookUp(const QString& dtuNumber, const QString& command) {
  const std::string select = std::string(kEntryColumns) + "WHERE dtu_key = ? AND command = ? ORDER BY id DESC LIMIT 1";
  Statement row(db_, select.c_str());
  row.bind(JournalDtuKey(dtuNumber)).bind(command);
  if (row.step()) return std::optional<JournalEntry>(EntryAt(row));
  if (!row.ok()) return failure();
  return std::optional<JournalEntry>();
}

Expected<std::vector<JournalEntry>> SqliteJournal::entries() {
  const std::string select = std::string(kEntryColumns) + "ORDER BY id DESC";
  Statement rows(db_, select.c_str());
  std::vector<JournalEntry> all;
  while (rows.step()) all.push_back(EntryAt(rows));
  if (!rows.ok()) return failure();
  return all;
}

Expected<bool> SqliteJournal::importOnce(const QString& source, const std::vector<JournalEntry>& found) {
  Transaction t(db_);
  if (!t.begun()) return failure();
  {
    Statement seen(db_, "SELECT 1 FROM imports WHERE source = ?");
    seen.bind(source);
    if (seen.step()) return false;
    if (!seen.ok()) return failure();
  }
  for (const JournalEntry& e : found) {
    Statement add(db_,
                  "INSERT INTO messages(updated, dtu_key, dtu_number, sim_number, command, state, reference, "
                  "route, detail) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const QDateTime time = e.time.isValid() ? e.time.toUTC() : QDateTime::currentDateTimeUtc();
    add.bind(time.toString(Qt::ISODateWithMs))
        .bind(JournalDtuKey(e.dtuNumber))
        .bind(e.dtuNumber)
        .bind(e.simNumber)
        .bind(e.command)
        .bind(JournalStateName(e.state))
        .bind(e.reference)
        .bind(e.route)
        .bind(e.detail)
        .step();
    if (!add.ok()) return failure();
  }
  Statement mark(db_, "INSERT INTO imports(source, time) VALUES (?, ?)");
  mark.bind(source).bind(Now()).step();
  if (!mark.ok() || !t.commit()) return failure();
  return true;
}

namespace {

QStringList References(const QString& references) {
  QStringList parts = references.split(QLatin1Char(','), Qt::SkipEmptyParts);
  for (QString& part : parts) part = part.trimmed();
  return parts;
}

}  // namespace

Expected<QString> SqliteJournal::recordReport(const StatusReport& report, bool* changed) {
  if (changed) *changed = false;
  Transaction t(db_);
  if (!t.begun()) return failure();
  // The newest message to that SIM number whose parts carry this reference.
  qint64 message = 0;
  QString dtu, references, before;
  {
    Statement rows(db_,
                   "SELECT id, sim_number, reference, dtu_number, delivery FROM messages "
                   "WHERE state IN ('sent', 'unconfirmed') AND reference != '' ORDER BY id DESC LIMIT 2000");
    const QString wanted = QString::number(report.reference);
    while (message == 0 && rows.step()) {
      if (References(rows.text(2)).contains(wanted) && NamesOneSim(rows.text(1), report.recipient)) {
        message = rows.integer(0);
        references = rows.text(2);
        dtu = rows.text(3);
        before = rows.text(4);
      }
    }
    if (!rows.ok()) return failure();
  }
  if (message == 0) return QString();
  Statement add(db_, "INSERT OR REPLACE INTO reports(message, reference, status, time) VALUES (?, ?, ?, ?)");
  const QDateTime at = report.delivered.isValid() ? report.delivered : QDateTime::currentDateTimeUtc();
  add.bind(message).bind(qint64{report.reference}).bind(qint64{report.status}).bind(at.toString(Qt::ISODate)).step();
  if (!add.ok()) return failure();
  if (Status updated = updateDelivery(message, references); !updated) return updated.failure();
  QString after;
  {
    Statement now(db_, "SELECT delivery FROM messages WHERE id = ?");
    now.bind(message);
    if (now.step()) after = now.text(0);
  }
  if (!t.commit()) return failure();
  if (changed) *changed = after != before;
  return dtu;
}

Status SqliteJournal::updateDelivery(qint64 message, const QString& references) {
  const QStringList parts = References(references);
  int delivered = 0;
  QDateTime last;
  bool failed = false;
  Statement rows(db_, "SELECT reference, status, time FROM reports WHERE message = ?");
  rows.bind(message);
  while (rows.step()) {
    if (!parts.contains(QString::number(rows.integer(0)))) continue;
    StatusReport r;
    r.reference = static_cast<int>(rows.integer(0));
    r.status = static_cast<int>(rows.integer(1));
    const QDateTime time = QDateTime::fromString(rows.text(2), Qt::ISODate);
    if (r.deliveredOk()) {
      ++delivered;
      if (!last.isValid() || time > last) last = time;
    } else if (r.final()) {
      failed = true;
      last = time;
    }
  }
  if (!rows.ok()) return failure();
  Delivery delivery = Delivery::Unknown;
  if (failed)
    delivery = Delivery::NotDelivered;
  else if (delivered == parts.size() && delivered > 0)
    delivery = Delivery::Delivered;
  if (delivery == Delivery::Unknown) return Done{};
  Statement set(db_, "UPDATE messages SET delivery = ?, delivered = ? WHERE id = ?");
  set.bind(DeliveryName(delivery)).bind(last.toString(Qt::ISODate)).bind(message).step();
  return set.ok() ? Status(Done{}) : Status(failure());
}

Expected<QString> SqliteJournal::storeIncoming(const IncomingSms& sms, bool* isNew) {
  if (isNew) *isNew = false;
  Transaction t(db_);
  if (!t.begun()) return failure();
  // The DTU is the one the newest message to that SIM number went to.
  QString dtu;
  if (!sms.sender.isEmpty()) {
    Statement rows(db_,
                   "SELECT sim_number, dtu_number FROM messages WHERE state IN ('sent', 'unconfirmed') "
                   "ORDER BY id DESC LIMIT 5000");
    while (dtu.isEmpty() && rows.step())
      if (NamesOneSim(rows.text(0), sms.sender)) dtu = rows.text(1);
    if (!rows.ok()) return failure();
  }
  Statement add(db_,
                "INSERT OR IGNORE INTO incoming(sender, sent, text, pdu, problem, dtu_number, stored) "
                "VALUES (?, ?, ?, ?, ?, ?, ?)");
  add.bind(sms.sender)
      .bind(sms.sent.isValid() ? sms.sent.toString(Qt::ISODate) : QString())
      .bind(sms.text)
      .bind(QString::fromLatin1(sms.pdu))
      .bind(sms.problem)
      .bind(dtu)
      .bind(Now())
      .step();
  if (!add.ok()) return failure();
  const bool added = sqlite3_changes(db_) == 1;
  if (!t.commit()) return failure();
  if (isNew) *isNew = added;
  return dtu;
}

Expected<std::vector<RolloutRow>> SqliteJournal::rollout() {
  // Per DTU its newest attempt, the network's last word on it, and the DTU's last message.
  Statement all(db_, R"(
SELECT m.id, m.updated, m.dtu_number, m.sim_number, m.command, m.state, m.reference, m.route, m.detail, m.run,
  m.delivery, m.delivered,
  (SELECT status FROM reports WHERE message = m.id AND status >= 64 ORDER BY time DESC LIMIT 1),
  a.text, a.problem, a.sent
FROM messages m
LEFT JOIN incoming a ON a.id = (SELECT id FROM incoming WHERE dtu_number = m.dtu_number ORDER BY sent DESC, id DESC
                                LIMIT 1)
WHERE m.id IN (SELECT MAX(id) FROM messages WHERE state != 'claimed' GROUP BY dtu_key)
ORDER BY m.dtu_key)");
  std::vector<RolloutRow> rows;
  while (all.step()) {
    RolloutRow row;
    row.last = EntryAt(all);
    for (int d = 0; d < static_cast<int>(std::size(kDeliveryNames)); ++d)
      if (all.text(10) == QLatin1String(kDeliveryNames[d])) row.delivery = static_cast<Delivery>(d);
    row.deliveredAt = QDateTime::fromString(all.text(11), Qt::ISODate);
    // Said in the language of the moment, from the status the network gave.
    if (!all.isNull(12)) row.deliveryDetail = StatusMeaning(static_cast<int>(all.integer(12)));
    row.answer = all.text(14).isEmpty() ? all.text(13) : all.text(14);
    row.answeredAt = QDateTime::fromString(all.text(15), Qt::ISODate);
    rows.push_back(row);
  }
  if (!all.ok()) return failure();
  return rows;
}

}  // namespace dtu
