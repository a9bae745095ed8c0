// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "i18n/Format.h"

namespace dtu {
namespace {

TEST(FormatMessage, FillsPlaceholdersInOrderAndNeverReadsMissingValues) {
  const QStringList two{QStringLiteral("192.0.2.15"), QStringLiteral("6000")};
  const struct {
    QString format;
    QStringList values;
    QString expected;
  } cases[] = {
      {QStringLiteral("With IP =%s, port =%d of server connection is successful!"), two,
       QStringLiteral("With IP =192.0.2.15, port =6000 of server connection is successful!")},
      {QStringLiteral("\u4e0eIP=%s\uff0c\u7aef\u53e3=%d\u7684"), two,
       QStringLiteral("\u4e0eIP=192.0.2.15\uff0c\u7aef\u53e3=6000\u7684")},
      // Hostile or broken catalog texts.
      {QStringLiteral("%s%s%s%d"), two, QStringLiteral("192.0.2.156000%s%d")},
      {QStringLiteral("%n%x%"), two, QStringLiteral("%n%x%")},
      {QStringLiteral("100%% of %d"), {QStringLiteral("7")}, QStringLiteral("100% of 7")},
      {QStringLiteral("no placeholders"), two, QStringLiteral("no placeholders")},
      // A value that itself holds "%s" is inserted literally, not expanded.
      {QStringLiteral("%s and %d"), {QStringLiteral("%s"), QStringLiteral("1")}, QStringLiteral("%s and 1")},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatMessage(c.format, c.values), c.expected) << c.format.toStdString();
}

}  // namespace
}  // namespace dtu
