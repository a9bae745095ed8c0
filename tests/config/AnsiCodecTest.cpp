// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "config/AnsiCodec.h"

namespace dtu {
namespace {

TEST(AnsiCodec, CharsetForLocale) {
  const struct {
    const char* locale;
    const char* charset;
  } cases[] = {
      // clang-format off
      {"zh_CN.GB18030", "GB18030"}, {"de_DE.ISO-8859-1", "ISO-8859-1"}, {"en_US.UTF-8", "UTF-8"}, {"en_US.utf8", "UTF-8"},
      {"zh_CN", "GBK"}, {"zh_SG", "GBK"}, {"zh_TW", "BIG5"}, {"zh_HK", "BIG5"}, {"ja_JP", "CP932"}, {"ko_KR", "CP949"},
      {"ru_RU", "CP1251"}, {"de_DE", "CP1252"}, {"de_DE@euro", "CP1252"}, {"de_DE.ISO-8859-15@euro", "ISO-8859-15"},
      {"C", "UTF-8"}, {"POSIX", "UTF-8"}, {"", "UTF-8"}, {"C.UTF-8", "UTF-8"}, {"zh_CN.", "UTF-8"},
      // clang-format on
  };
  for (const auto& c : cases) EXPECT_EQ(AnsiCodec::CharsetForLocale(c.locale), c.charset) << c.locale;
}

TEST(AnsiCodec, RoundTripsAndReplacesWhatTheCharsetCannotHold) {
  const struct {
    const char* charset;
    QString text;
    std::string bytes;
    QString back;
  } cases[] = {
      {"UTF-8", QStringLiteral("KQ-GP000001"), "KQ-GP000001", QStringLiteral("KQ-GP000001")},
      {"CP1252", QStringLiteral("caf\u00e9"), "caf\xe9", QStringLiteral("caf\u00e9")},
      {"CP1252", QStringLiteral("\u4e2d\u6587x"), "??x", QStringLiteral("??x")},
      {"GBK", QStringLiteral("\u4e2d"), "\xd6\xd0", QStringLiteral("\u4e2d")},
      // Hangul is not in GBK: stored as "?" and comes back altered.
      {"GBK", QStringLiteral("\ud55c\uae00"), "??", QStringLiteral("??")},
      {"BIG5", QStringLiteral("\u9ad4"), "\xc5\xe9", QStringLiteral("\u9ad4")},
      {"UTF-8", QStringLiteral("\u4e2d"), "\xe4\xb8\xad", QStringLiteral("\u4e2d")},
      {"UTF-8", QString(QChar(0xD800)), "?", QStringLiteral("?")},
  };
  for (const auto& c : cases) {
    AnsiCodec codec(c.charset);
    EXPECT_EQ(codec.fromUnicode(c.text), c.bytes) << c.charset;
    EXPECT_EQ(codec.toUnicode(codec.fromUnicode(c.text)), c.back) << c.charset;
  }
}

TEST(AnsiCodec, InvalidBytesAndUnknownCharsetsDegradeSafely) {
  EXPECT_EQ(AnsiCodec("UTF-8").toUnicode("a\377b"), QStringLiteral("a?b"));
  AnsiCodec unknown("NO-SUCH-CHARSET-42");
  EXPECT_EQ(unknown.charset(), "UTF-8");
  EXPECT_EQ(unknown.fromUnicode(QStringLiteral("\u4e2d")), "\xe4\xb8\xad");
}

}  // namespace
}  // namespace dtu
