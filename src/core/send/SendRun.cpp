// SPDX-License-Identifier: MIT
#include "core/send/SendRun.h"

#include <thread>

#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/send/SendLog.h"
#include "core/send/SmsPdu.h"

namespace dtu {

namespace {

using Clock = std::chrono::steady_clock;

SendOutcome::Kind KindOf(const SendResult& result) {
  switch (result.status) {
    case SendResult::Status::Sent:
      return SendOutcome::Kind::Sent;
    case SendResult::Status::Unconfirmed:
      return SendOutcome::Kind::Unconfirmed;
    case SendResult::Status::Failed:
      break;
  }
  return SendOutcome::Kind::Failed;
}

}  // namespace

SendSummary RunSends(const std::vector<SendItem>& items, SmsSender& sender, SendJournal& journal, SendLog* report,
                     const RunSettings& settings, const SendEvents& events) {
  SendSummary summary;
  std::optional<Clock::time_point> last;
  const auto stopAsked = [&] { return events.stopRequested && events.stopRequested(); };
  std::size_t i = 0;
  for (; i < items.size() && !summary.fatal; ++i) {
    const SendItem& item = items[i];
    if (stopAsked()) {
      summary.stopped = true;
      break;
    }
    Expected<JournalClaim> claim = journal.claim(item.dtuNumber, item.simNumber, item.command, settings.resend);
    if (!claim) {
      summary.fatal = claim.failure();
      break;
    }
    if (claim->outcome != JournalClaim::Outcome::Claimed) {
      SendOutcome outcome;
      const bool before = claim->outcome == JournalClaim::Outcome::DoneBefore;
      outcome.kind = before ? SendOutcome::Kind::SentBefore : SendOutcome::Kind::HeldElsewhere;
      outcome.before = claim->entry;
      ++(before ? summary.sentBefore : summary.heldElsewhere);
      if (events.done) events.done(i, outcome);
      continue;
    }
    const qint64 id = claim->entry.id;
    if (last) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*last + settings.interval - Clock::now());
      if (left.count() > 0) {
        if (events.wait)
          events.wait(left);
        else
          std::this_thread::sleep_for(left);
      }
      if (stopAsked()) {
        if (const Status released = journal.release(id); !released) summary.fatal = released.failure();
        summary.stopped = true;
        break;
      }
    }
    if (events.starting) events.starting(i);
    last = Clock::now();
    sender.setBeforeSubmit([&journal, id] { return journal.submitting(id); });
    SendOutcome outcome;
    outcome.result = sender.send(DialableNumber(item.simNumber), item.command);
    sender.setBeforeSubmit({});
    outcome.kind = KindOf(outcome.result);
    switch (outcome.kind) {
      case SendOutcome::Kind::Sent:
        ++summary.sent;
        break;
      case SendOutcome::Kind::Unconfirmed:
        ++summary.unconfirmed;
        break;
      default:
        ++summary.failed;
        break;
    }
    if (outcome.result.stopsRun) summary.fatal = Failure{outcome.result.error};
    // Without this record the row stays `submitting`, which the next run
    // takes for unconfirmed: never for unsent.
    if (const Status recorded = journal.record(id, outcome.result); !recorded) summary.fatal = recorded.failure();
    if (report) {
      if (const Status logged = report->append(
              {QDateTime::currentDateTime(), item.dtuNumber, item.simNumber, item.command, outcome.result});
          !logged && !summary.fatal)
        summary.fatal =
            Failure{FormatMessage(Translate("Cannot write the send log %s: %s"), {report->path(), logged.message()}),
                    logged.message()};
    }
    if (events.done) events.done(i, outcome);
  }
  if (summary.fatal || summary.stopped) {
    // The item that stopped the run was counted; what follows was never tried.
    summary.notTried = static_cast<int>(items.size() - i);
  }
  return summary;
}

}  // namespace dtu
