// SPDX-License-Identifier: MIT
#include "core/send/SendRun.h"

#include <thread>

#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/send/SmsPdu.h"

namespace dtu {

SendSummary RunSends(const std::vector<SendItem>& items, SmsSender& sender, SendLog& log,
                     std::chrono::milliseconds interval, bool resend, const SendEvents& events) {
  using Clock = std::chrono::steady_clock;
  SendSummary summary;
  std::optional<Clock::time_point> last;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const SendItem& item = items[i];
    if (!resend && log.done(item.dtuNumber, item.simNumber, item.command)) {
      ++summary.skipped;
      if (events.done) events.done(i, {}, true);
      continue;
    }
    if (summary.fatal || (events.stopRequested && events.stopRequested())) {
      summary.stopped = !summary.fatal;
      summary.notTried += static_cast<int>(items.size() - i);
      break;
    }
    if (last) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*last + interval - Clock::now());
      if (left.count() > 0) {
        if (events.wait)
          events.wait(left);
        else
          std::this_thread::sleep_for(left);
        if (events.stopRequested && events.stopRequested()) {
          summary.stopped = true;
          summary.notTried += static_cast<int>(items.size() - i);
          break;
        }
      }
    }
    if (events.starting) events.starting(i);
    last = Clock::now();
    SendResult result = sender.send(DialableNumber(item.simNumber), item.command);
    if (result.sent())
      ++summary.sent;
    else
      ++summary.failed;
    if (result.status == SendResult::Status::Broken) summary.fatal = Failure{result.error};
    if (const Status logged =
            log.append({QDateTime::currentDateTime(), item.dtuNumber, item.simNumber, item.command, result});
        !logged)
      summary.fatal =
          Failure{FormatMessage(Translate("Cannot write the send log: %s"), {logged.message()}), logged.message()};
    if (events.done) events.done(i, result, false);
  }
  return summary;
}

}  // namespace dtu
