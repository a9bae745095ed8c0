// SPDX-License-Identifier: MIT
#include "platform/windows/WinCodePage.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "platform/windows/WinHeaders.h"
#include "platform/windows/WinText.h"

namespace dtu::platform {

namespace {

std::string Upper(std::string_view text) {
  std::string up(text);
  std::transform(up.begin(), up.end(), up.begin(), [](unsigned char c) { return std::toupper(c); });
  return up;
}

std::optional<unsigned> Number(std::string_view digits) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

bool IsCodePoint(char32_t cp) { return cp < 0xD800 || (cp > 0xDFFF && cp <= 0x10FFFF); }

// Only these code pages hold the code points beyond the 16-bit range; the
// others would make two "?" of one, one for each surrogate.
bool HoldsSupplementary(unsigned codePage) { return codePage == CP_UTF8 || codePage == 54936 || codePage == CP_UTF7; }

// The code pages that refuse MB_ERR_INVALID_CHARS (the ISO-2022 family, UTF-7, ...).
bool TakesStrictFlag(unsigned codePage) {
  return !(codePage == 42 || codePage == CP_UTF7 || (codePage >= 50220 && codePage <= 50229) ||
           (codePage >= 57002 && codePage <= 57011));
}

// One character's bytes at the front of `bytes`, read strictly: how many
// bytes it takes, 0 when no sequence of up to four bytes is a valid one.
std::size_t ValidCharacter(std::string_view bytes, unsigned codePage, std::wstring& out) {
  const std::size_t longest = std::min<std::size_t>(bytes.size(), 4);
  for (std::size_t n = 1; n <= longest; ++n) {
    wchar_t wide[4];
    const int got = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(n), wide, 4);
    if (got > 0) {
      out.append(wide, static_cast<std::size_t>(got));
      return n;
    }
  }
  return 0;
}

}  // namespace

std::optional<unsigned> WinCodePage::CodePageOf(std::string_view charset) {
  if (IsUtf8Charset(charset)) return CP_UTF8;
  const std::string name = Upper(charset);
  // clang-format off
  static const struct { const char* name; unsigned codePage; } kNames[] = {
      {"GBK", 936}, {"GB2312", 936}, {"GB18030", 54936}, {"BIG5", 950},
      {"BIG5-HKSCS", 950}, {"SHIFT_JIS", 932}, {"SJIS", 932}, {"EUC-KR", 949}, {"LATIN1", 28591},
      {"ISO-8859-13", 28603}, {"ISO-8859-15", 28605}, {"US-ASCII", 20127}, {"ASCII", 20127},
  };
  // clang-format on
  for (const auto& known : kNames)
    if (name == known.name) return known.codePage;
  for (const std::string_view prefix : {"CP", "WINDOWS-"})
    if (name.starts_with(prefix)) return Number(std::string_view(name).substr(prefix.size()));
  if (name.starts_with("ISO-8859-")) {
    const std::optional<unsigned> part = Number(std::string_view(name).substr(9));
    if (part && *part >= 1 && *part <= 9) return 28590 + *part;
  }
  return std::nullopt;
}

std::string WinCodePage::userCharset() {
  const unsigned codePage = GetACP();
  return codePage == CP_UTF8 ? "UTF-8" : "CP" + std::to_string(codePage);
}

bool WinCodePage::supports(const std::string& charset) {
  const std::optional<unsigned> codePage = CodePageOf(charset);
  return codePage && IsValidCodePage(*codePage);
}

std::string WinCodePage::encode(std::u32string_view text, const std::string& charset) {
  const std::optional<unsigned> codePage = CodePageOf(charset);
  if (!codePage || !IsValidCodePage(*codePage)) return std::string(text.size(), '?');
  // What is no code point, or what the code page surely cannot hold, becomes
  // "?" before the system sees it: a surrogate code point next to another
  // would otherwise form a pair.
  std::wstring wide;
  wide.reserve(text.size());
  for (const char32_t cp : text) {
    if (!IsCodePoint(cp) || (cp > 0xFFFF && !HoldsSupplementary(*codePage))) {
      wide.push_back(L'?');
    } else if (cp > 0xFFFF) {
      wide.push_back(static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10)));
      wide.push_back(static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      wide.push_back(static_cast<wchar_t>(cp));
    }
  }
  if (wide.empty()) return {};
  std::string out = FromWide(wide, *codePage);
  return out.empty() ? std::string(text.size(), '?') : out;
}

std::u32string WinCodePage::decode(std::string_view bytes, const std::string& charset) {
  const std::optional<unsigned> codePage = CodePageOf(charset);
  if (!codePage || !IsValidCodePage(*codePage)) return std::u32string(bytes.size(), U'?');
  std::wstring wide;
  const int length = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
  const int whole =
      bytes.empty() ? 0 : MultiByteToWideChar(*codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
  if ((whole > 0 && *codePage != 20127) || !TakesStrictFlag(*codePage)) {
    wide = ToWide(bytes, *codePage);
  } else {
    // Some bytes are invalid: the system alone would give U+FFFD, a private-use
    // character or the code page's default for them, which valid bytes can
    // give too. Read one character at a time and skip one byte where none
    // starts. US-ASCII: the system strips the high bit of the rest.
    for (std::size_t at = 0; at < bytes.size();) {
      const std::size_t n = *codePage == 20127 && static_cast<unsigned char>(bytes[at]) > 0x7F
                                ? 0
                                : ValidCharacter(bytes.substr(at), *codePage, wide);
      if (n == 0) wide.push_back(L'?');
      at += n == 0 ? 1 : n;
    }
  }
  std::u32string out;
  out.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const char32_t unit = wide[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      out.push_back(0x10000 + ((unit - 0xD800) << 10) + (wide[i + 1] - 0xDC00));
      ++i;
    } else {
      out.push_back(unit >= 0xD800 && unit <= 0xDFFF ? U'?' : unit);
    }
  }
  return out;
}

}  // namespace dtu::platform
