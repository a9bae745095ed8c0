// SPDX-License-Identifier: MIT
// The text rules on bytes in memory; SettingsStoreTest covers the file.
#include <gtest/gtest.h>

#include "config/IniText.h"

namespace dtu::ini {
namespace {

TEST(IniText, ParseInteger) {
  // clang-format off
  const struct { std::string_view text; std::optional<std::int32_t> value; } cases[] = {
      {"  8000", 8000}, {"\t+8000", 8000}, {"-8000", -8000}, {"0x1F40", 8000}, {"0X1f40", 8000}, {"$1F40", 8000},
      {"x1F40", 8000}, {"X1F40", 8000}, {"-$10", -16}, {"+0x10", 16}, {"007", 7}, {"0", 0},
      {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}, {"0x7FFFFFFF", INT32_MAX}, {"-0x80000000", INT32_MIN},
      {"", {}}, {"   ", {}}, {"+", {}}, {"0x", {}}, {"$", {}}, {"x", {}}, {"8000abc", {}}, {"8000 ", {}},
      {"80 00", {}}, {"--5", {}}, {"+-5", {}}, {"- 5", {}}, {"0x-5", {}}, {"1F40", {}}, {"$G", {}}, {"00x10", {}},
      {"2147483648", {}}, {"-2147483649", {}}, {"0x80000000", {}}, {"99999999999999999999", {}},
      {std::string_view("1\0", 2), {}},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(ParseInteger(c.text), c.value) << '"' << c.text << '"';
}

TEST(IniText, CleanValue) {
  // clang-format off
  const struct { std::string_view raw, clean; } cases[] = {
      {"  a b \t\r", "a b"}, {"\"x\"", "x"}, {"'x'", "x"}, {"\" x \"", " x "}, {"\"x'", "\"x'"}, {"\"", "\""},
      {"\"\"", ""}, {"'\"x\"'", "\"x\""}, {"a\"b\"", "a\"b\""},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(CleanValue(c.raw), c.clean) << c.raw;
  const std::string longValue(3000, 'v');
  EXPECT_EQ(CleanValue(longValue).size(), kMaxValueBytes);
  EXPECT_EQ(CleanValue("\"" + longValue + "\"").size(), kMaxValueBytes);
}

TEST(IniText, FindValue) {
  // clang-format off
  const std::string_view file =
      "\xEF\xBB\xBF[Main]\nk=1\n[a]\r\n;k=4\r\nk = \"2\" \r\nK=3\n[ A ]\nk=5\nlate=5\n[b]\nx\n[ c ] trailing\nk=6\n[d]\nk";
  const struct { std::string_view section, key; std::optional<std::string_view> value; } cases[] = {
      {"Main", "k", "1"}, {"A", "K", "2"}, {" a ", " k ", "2"}, {"b", "x", {}}, {"c", "k", "6"}, {"d", "k", {}},
      {"e", "k", {}}, {"a", "y", {}}, {"a", ";k", {}}, {"a", "late", {}},  // a later [a] is not read
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(FindValue(file, c.section, c.key), c.value) << c.section << '/' << c.key;
  EXPECT_EQ(FindValue("k=1\n", "", "k"), std::nullopt);  // no header, no section
}

TEST(IniText, ReplaceValue) {
  // clang-format off
  const struct { std::string_view before, section, key, value, after; } cases[] = {
      {"", "Main", "Port", "6000", "[Main]\r\nPort=6000\r\n"},
      {"\xEF\xBB\xBF", "Main", "k", "v", "\xEF\xBB\xBF[Main]\r\nk=v\r\n"},
      {"[Main]", "Main", "k", "v", "[Main]\r\nk=v\r\n"},
      {"[Main]\npORt=7000", "main", "Port", "2", "[Main]\npORt=2"},  // the file's spelling stays
      {"[Main]\n  k = 1 \r\nj=0\n", "Main", "k", "2", "[Main]\nk=2\r\nj=0\n"},
      {"[Main]\nk=1\n;c\n\n[X]\nz=0\n", "Main", "n", "2", "[Main]\nk=1\nn=2\r\n;c\n\n[X]\nz=0\n"},
      {"[Main]\n;c\nno key\n", "Main", "n", "2", "[Main]\nn=2\r\n;c\nno key\n"},
      {"[X]\nz=0", "Main", "k", "v", "[X]\nz=0\r\n[Main]\r\nk=v\r\n"},
      {"[X]\r\nk=0\r\n", "Main", "k", "v", "[X]\r\nk=0\r\n[Main]\r\nk=v\r\n"},
      {"[Main]\nk=1\n[Main]\nk=2\n", "Main", "k", "3", "[Main]\nk=3\n[Main]\nk=2\n"},
      {"[Main]\nk=1\n", "Main", "k", "a\r\nb=c\nd", "[Main]\nk=a  b=c d\n"},
      {"[Main]\nk=1\n", "Ma\nin", "k", "v", "[Main]\nk=1\n[Ma in]\r\nk=v\r\n"},
  };
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceValue(c.before, c.section, c.key, c.value), c.after) << c.before;
    EXPECT_EQ(FindValue(c.after, c.section, c.key), CleanValue(OneLine(c.value))) << c.after;
  }
}

}  // namespace
}  // namespace dtu::ini
