// SPDX-License-Identifier: MIT
// The POSIX code page: the charset a locale stands for, iconv's conversions
// with their replacements, and the codec's own UTF-8 reader against iconv's.
#include <gtest/gtest.h>

#include "core/text/AnsiCodec.h"
#include "platform/posix/PosixCodePage.h"
#include "support/TestSupport.h"

namespace dtu::platform {
namespace {

TEST(PosixCodePage, CharsetForLocale) {
  // clang-format off
  const struct { const char* locale; const char* charset; } cases[] = {
      {"zh_CN.GB18030", "GB18030"}, {"de_DE.ISO-8859-1", "ISO-8859-1"}, {"en_US.UTF-8", "UTF-8"},
      {"en_US.utf8", "UTF-8"}, {"zh_CN", "GBK"}, {"zh_SG", "GBK"}, {"zh_TW", "BIG5"}, {"zh_HK", "BIG5"},
      {"ja_JP", "CP932"}, {"ko_KR", "CP949"}, {"ru_RU", "CP1251"}, {"de_DE", "CP1252"}, {"de_DE@euro", "CP1252"},
      {"de_DE.ISO-8859-15@euro", "ISO-8859-15"}, {"C", "UTF-8"}, {"POSIX", "UTF-8"}, {"", "UTF-8"},
      {"C.UTF-8", "UTF-8"}, {"zh_CN.", "UTF-8"},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(PosixCodePage::charsetForLocale(c.locale), c.charset) << c.locale;
}

// What the charset holds converts both ways; what it cannot hold, what is no
// code point, invalid and truncated bytes become "?"; a stateful charset ends
// in its initial state; an unknown charset gives only "?".
TEST(PosixCodePage, ConvertsAndReplaces) {
  PosixCodePage codePage;
  // clang-format off
  const struct { const char* charset; std::u32string text; std::string bytes; } encodes[] = {
      {"BIG5", U"\u9ad4", "\xc5\xe9"}, {"GBK", U"\u7f16\u53f7", "\xb1\xe0\xba\xc5"},
      {"CP1252", U"caf\u00e9\u20ac\u4e2d", "caf\xe9\x80?"}, {"GBK", {U'a', 0xD800, U'b', 0xDFFF}, "a?b?"},
      {"GBK", {0x1F600, 0x110000}, "??"}, {"ISO-2022-JP", U"a\u65e5", "a\x1b$BF|\x1b(B"},
      {"NO-SUCH-CHARSET-42", U"ab", "??"},
  };
  const struct { const char* charset; std::string bytes; std::u32string text; } decodes[] = {
      {"BIG5", "\xc5\xe9", U"\u9ad4"}, {"GBK", "\xb1\xe0\xba\xc5", U"\u7f16\u53f7"}, {"GBK", "a\xff" "b", U"a?b"},
      {"GBK", "a\xb1", U"a?"}, {"CP1252", "\x80\xe9", U"\u20ac\u00e9"}, {"NO-SUCH-CHARSET-42", "ab", U"??"},
  };
  // clang-format on
  for (const auto& c : encodes) EXPECT_EQ(codePage.encode(c.text, c.charset), c.bytes) << c.charset << ' ' << c.bytes;
  for (const auto& c : decodes)
    EXPECT_TRUE(codePage.decode(c.bytes, c.charset) == c.text) << c.charset << ' ' << c.bytes;
  EXPECT_TRUE(codePage.supports("GBK"));
  EXPECT_FALSE(codePage.supports("NO-SUCH-CHARSET-42"));
}

// The codec reads UTF-8 itself and must refuse exactly the bytes iconv refuses.
TEST(PosixCodePage, CodecReadsUtf8AsIconvDoes) {
  PosixCodePage codePage;
  const AnsiCodec utf8("UTF-8", codePage);
  // clang-format off
  const std::string_view inputs[] = {
      "\xe4\xb8\xad\xf0\x9f\x98\x80", "\xe4\xb8", "\xe4\xb8z", "\xc0\xaf", "\xc2", "\xe0\x80\xaf", "\xe0\xa0\x80",
      "\xed\xa0\x80", "\xed\x9f\xbf", "\xf0\x8f\xbf\xbf", "\xf4\x8f\xbf\xbf", "\xf4\x90\x80\x80", "\xf5\x80\x80\x80",
      "\x80\xbf", "\xfe\xff", "\xf8\x88\x80\x80\x80", "a\xef\xbf\xbd" "b",
  };
  // clang-format on
  for (const std::string_view bytes : inputs) {
    const std::u32string expected = codePage.decode(bytes, "UTF-8");
    EXPECT_EQ(utf8.toUnicode(bytes), QString::fromUcs4(expected.data(), static_cast<qsizetype>(expected.size())))
        << QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toHex().toStdString();
  }
}

}  // namespace
}  // namespace dtu::platform
