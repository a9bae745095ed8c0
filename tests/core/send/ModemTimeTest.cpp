// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "core/send/ModemTime.h"
#include "support/TestSupport.h"

namespace dtu::testing {
namespace {

// The zone counts quarter hours east of UTC; anything else is shown as the modem gave it.
TEST(ModemTime, ReadsTheStampAsAMomentWithItsZone) {
  const auto utc = [](int y, int mo, int d, int h, int mi, int s) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
  };
  const struct {
    const char* stamp;
    std::optional<QDateTime> moment;
  } cases[] = {
      {"26/12/07,14:30:05+32", utc(2026, 12, 7, 6, 30, 5)},
      {"24/02/29,00:15:00-04", utc(2024, 2, 29, 1, 15, 0)},
      {"25/01/01,00:00:00+0", utc(2025, 1, 1, 0, 0, 0)},
      {" 25/06/30,23:59:59+22 ", utc(2025, 6, 30, 18, 29, 59)},
      {"26/13/07,14:30:05+32", std::nullopt},
      {"25/02/29,00:00:00+00", std::nullopt},
      {"26/12/07,14:30:05+99", std::nullopt},
      {"26/12/07 14:30:05+32", std::nullopt},
      {"26/12/07,14:30:05", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<QDateTime> moment = ParseModemTime(c.stamp);
    ASSERT_EQ(moment.has_value(), c.moment.has_value()) << c.stamp;
    if (moment) {
      EXPECT_EQ(moment->toUTC(), *c.moment) << c.stamp;
    } else {
      EXPECT_EQ(LocalModemTime(c.stamp), c.stamp);
    }
  }
  const QLocale us(QLocale::English, QLocale::UnitedStates);
  EXPECT_EQ(LocalModemTime("26/12/07,14:30:05+32", us),
            us.toString(utc(2026, 12, 7, 6, 30, 5).toLocalTime(), QLocale::ShortFormat));
}

}  // namespace
}  // namespace dtu::testing
