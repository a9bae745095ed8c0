// SPDX-License-Identifier: MIT
// libFuzzer target for the settings file's text rules (config/IniText.h).
//
// Input: a first line "section<TAB>key<TAB>value" (the write to make), then
// the file content. Checks that the integer parser agrees with a reference,
// and that ReplaceValue sets the key so that it reads back, changes no other
// lookup, keeps every other line byte for byte and is idempotent.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/IniText.h"

namespace {

using namespace dtu::ini;

#define CHECK(cond)                                                          \
  do {                                                                       \
    if (!(cond)) {                                                           \
      std::fprintf(stderr, "%s:%d: CHECK(%s)\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                          \
    }                                                                        \
  } while (0)

// An independent integer parser: std::from_chars on the digits.
std::optional<std::int32_t> ReferenceInteger(std::string_view t) {
  while (!t.empty() && static_cast<unsigned char>(t.front()) <= 32) t.remove_prefix(1);
  bool negative = false;
  if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
    negative = t.front() == '-';
    t.remove_prefix(1);
  }
  int base = 10;
  for (std::string_view prefix : {"0x", "0X", "$", "x", "X"}) {
    if (t.substr(0, prefix.size()) == prefix && t.size() > prefix.size()) {
      base = 16;
      t.remove_prefix(prefix.size());
      break;
    }
  }
  if (t.empty() || t.front() == '+' || t.front() == '-') return std::nullopt;
  unsigned long long magnitude = 0;
  const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), magnitude, base);
  if (error != std::errc() || end != t.data() + t.size()) return std::nullopt;
  if (magnitude > (1ULL << 31)) return std::nullopt;
  const long long value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
  if (value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
bool SameName(std::string_view a, std::string_view b) {
  const std::string x(Trim(OneLine(a))), y(Trim(OneLine(b)));
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i < x.size(); ++i)
    if (Lower(x[i]) != Lower(y[i])) return false;
  return true;
}

std::size_t Count(std::string_view s, char c) {
  std::size_t n = 0;
  for (char x : s) n += x == c;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t lf = input.find('\n');
  const std::string_view head = input.substr(0, lf);
  const std::string_view content = lf == std::string_view::npos ? std::string_view() : input.substr(lf + 1);
  const std::size_t tab1 = head.find('\t');
  const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : head.find('\t', tab1 + 1);
  const std::string_view section = head.substr(0, tab1);
  const std::string_view key = tab1 == std::string_view::npos ? "k" : head.substr(tab1 + 1, tab2 - tab1 - 1);
  const std::string_view value = tab2 == std::string_view::npos ? "v" : head.substr(tab2 + 1);

  // Integer parsing on the raw input and on a value found in the content.
  CHECK(ParseInteger(head) == ReferenceInteger(head));
  const std::vector<std::pair<std::string_view, std::string_view>> probes = {
      {section, key}, {"Main", "Port"}, {"Main", "k"}, {"Other", "Port"}, {"a", "a"}, {"", ""}, {section, "Port"},
  };
  std::vector<std::optional<std::string_view>> before;
  for (const auto& [s, k] : probes) {
    const std::optional<std::string_view> found = FindValue(content, s, k);
    if (found) {
      CHECK(found->size() <= kMaxValueBytes);
      CHECK(found->data() >= content.data() && found->data() + found->size() <= content.data() + content.size());
      CHECK(ParseInteger(*found) == ReferenceInteger(*found));
      if (const auto n = ParseInteger(*found)) CHECK(ParseInteger(std::to_string(*n)) == n);
    }
    before.push_back(found);
  }

  // The write; the read-back rules hold for keys and sections that the
  // format can express (see ReplaceValue's preconditions).
  const std::string updated = ReplaceValue(content, section, key, value);
  const std::string keyName(Trim(OneLine(key))), sectionName(Trim(OneLine(section)));
  if (keyName.find('=') != std::string::npos || sectionName.find(']') != std::string::npos ||
      (!keyName.empty() && (keyName.front() == '[' || keyName.front() == ';')))
    return 0;

  CHECK(FindValue(updated, section, key) == CleanValue(OneLine(value)));
  for (std::size_t i = 0; i < probes.size(); ++i) {
    const auto& [s, k] = probes[i];
    if (!(SameName(s, section) && SameName(k, key))) CHECK(FindValue(updated, s, k) == before[i]);
  }
  // Every other line kept: what changed lies within one line of the old text.
  std::size_t prefix = 0;
  while (prefix < content.size() && prefix < updated.size() && content[prefix] == updated[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < content.size() - prefix && suffix < updated.size() - prefix &&
         content[content.size() - 1 - suffix] == updated[updated.size() - 1 - suffix])
    ++suffix;
  CHECK(Count(content.substr(prefix, content.size() - prefix - suffix), '\n') == 0);
  const std::size_t added = Count(updated, '\n') - Count(content, '\n');
  CHECK(added <= 3);
  CHECK(ReplaceValue(updated, section, key, value) == updated);
  return 0;
}
