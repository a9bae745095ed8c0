// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "i18n/Format.h"

namespace dtu {
namespace {

TEST(FormatMessage, FillsPlaceholdersInOrderAndNeverReadsMissingValues) {
  const QStringList two{"192.0.2.15", "6000"};
  // clang-format off
  const struct { const char* format; QStringList values; const char* expected; } cases[] = {
      {"With IP =%s, port =%d of server connection is successful!", two, "With IP =192.0.2.15, port =6000 of server connection is successful!"},
      {"%s%s%s%d", two, "192.0.2.156000%s%d"},  // more placeholders than values
      {"%n%x%", two, "%n%x%"},
      {"100%% of %d", {"7"}, "100% of 7"},
      {"%s and %d", {"%s", "1"}, "%s and 1"},  // a value holding "%s" is not expanded
  };
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(FormatMessage(QString::fromUtf8(c.format), c.values), QString::fromUtf8(c.expected)) << c.format;
}

}  // namespace
}  // namespace dtu
