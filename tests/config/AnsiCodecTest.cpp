// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "config/AnsiCodec.h"

namespace dtu {
namespace {

TEST(AnsiCodec, CharsetForLocale) {
  // clang-format off
  const struct { const char* locale; const char* charset; } cases[] = {
      {"zh_CN.GB18030", "GB18030"}, {"de_DE.ISO-8859-1", "ISO-8859-1"}, {"en_US.UTF-8", "UTF-8"}, {"en_US.utf8", "UTF-8"},
      {"zh_CN", "GBK"}, {"zh_SG", "GBK"}, {"zh_TW", "BIG5"}, {"zh_HK", "BIG5"}, {"ja_JP", "CP932"}, {"ko_KR", "CP949"},
      {"ru_RU", "CP1251"}, {"de_DE", "CP1252"}, {"de_DE@euro", "CP1252"}, {"de_DE.ISO-8859-15@euro", "ISO-8859-15"},
      {"C", "UTF-8"}, {"POSIX", "UTF-8"}, {"", "UTF-8"}, {"C.UTF-8", "UTF-8"}, {"zh_CN.", "UTF-8"},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(AnsiCodec::CharsetForLocale(c.locale), c.charset) << c.locale;
}

// Unknown charsets fall back to UTF-8; invalid bytes and what the charset cannot hold become "?".
TEST(AnsiCodec, RoundTripsAndReplacesWhatTheCharsetCannotHold) {
  // clang-format off
  const struct { const char* charset; QString text; std::string bytes; QString back; } cases[] = {
      {"CP1252", QStringLiteral("caf\u00e9"), "caf\xe9", QStringLiteral("caf\u00e9")},
      {"CP1252", QStringLiteral("\u4e2d\u6587x"), "??x", QStringLiteral("??x")},
      {"GBK", QStringLiteral("\u4e2d"), "\xd6\xd0", QStringLiteral("\u4e2d")},
      {"BIG5", QStringLiteral("\u9ad4"), "\xc5\xe9", QStringLiteral("\u9ad4")},
      {"UTF-8", QStringLiteral("\u4e2d"), "\xe4\xb8\xad", QStringLiteral("\u4e2d")},
      {"UTF-8", QString(QChar(0xD800)), "?", QStringLiteral("?")},
      {"NO-SUCH-CHARSET-42", QStringLiteral("\u4e2d"), "\xe4\xb8\xad", QStringLiteral("\u4e2d")},
  };
  // clang-format on
  for (const auto& c : cases) {
    AnsiCodec codec(c.charset);
    EXPECT_EQ(codec.fromUnicode(c.text), c.bytes) << c.charset;
    EXPECT_EQ(codec.toUnicode(codec.fromUnicode(c.text)), c.back) << c.charset;
  }
  EXPECT_EQ(AnsiCodec("UTF-8").toUnicode("a\377b"), QStringLiteral("a?b"));
}

}  // namespace
}  // namespace dtu
