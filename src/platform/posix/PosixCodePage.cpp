// SPDX-License-Identifier: MIT
#include "platform/posix/PosixCodePage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/posix/PosixLocaleName.h"

namespace dtu::platform {

namespace {

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle Open(const std::string& to, const std::string& from) {
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return IconvHandle(nullptr);
  return IconvHandle(cd);
}

// Converts in one pass; on a unit the target cannot take, emits `replacement`
// (already in the target charset) and skips `unit` input bytes.
std::string Convert(iconv_t cd, std::string_view in, size_t unit, std::string_view replacement) {
  std::string out;
  out.resize(in.size() * 2 + 16);
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  size_t used = 0;
  while (inLeft > 0) {
    char* outPtr = out.data() + used;
    size_t outLeft = out.size() - used;
    size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    used = out.size() - outLeft;
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ or EINVAL (truncated sequence at the end): replace and go on.
    const size_t skip = std::min(unit, inLeft);
    inPtr += skip;
    inLeft -= skip;
    if (out.size() - used < replacement.size()) out.resize(out.size() * 2 + replacement.size());
    std::copy(replacement.begin(), replacement.end(), out.begin() + static_cast<std::ptrdiff_t>(used));
    used += replacement.size();
  }
  // A stateful charset returns to its initial shift state at the end.
  for (;;) {
    char* outPtr = out.data() + used;
    size_t outLeft = out.size() - used;
    const size_t rc = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    used = out.size() - outLeft;
    if (rc != static_cast<size_t>(-1) || errno != E2BIG) break;
    out.resize(out.size() * 2);
  }
  out.resize(used);
  return out;
}

bool IsCodePoint(char32_t cp) { return cp < 0xD800 || (cp > 0xDFFF && cp <= 0x10FFFF); }

}  // namespace

std::string PosixCodePage::userCharset() {
  return charsetForLocale(FirstLocaleVariable({"LC_ALL", "LC_CTYPE", "LANG"}));
}

bool PosixCodePage::supports(const std::string& charset) { return Open(charset, "UTF-32LE") != nullptr; }

std::string PosixCodePage::encode(std::u32string_view text, const std::string& charset) {
  IconvHandle cd = Open(charset, "UTF-32LE");
  if (!cd) return std::string(text.size(), '?');
  std::string in;
  in.reserve(text.size() * 4);
  for (char32_t cp : text) {
    // iconv refuses 0xFFFFFFFF, so what is no code point is replaced like an unholdable one.
    if (!IsCodePoint(cp)) cp = 0xFFFFFFFF;
    for (int i = 0; i < 4; ++i) in.push_back(static_cast<char>((cp >> (8 * i)) & 0xFF));
  }
  return Convert(static_cast<iconv_t>(cd.get()), in, 4, "?");
}

std::u32string PosixCodePage::decode(std::string_view bytes, const std::string& charset) {
  IconvHandle cd = Open("UTF-32LE", charset);
  if (!cd) return std::u32string(bytes.size(), U'?');
  static const std::string kQuestion("?\0\0\0", 4);
  const std::string wide = Convert(static_cast<iconv_t>(cd.get()), bytes, 1, kQuestion);
  std::u32string out;
  out.reserve(wide.size() / 4);
  for (size_t i = 0; i + 3 < wide.size(); i += 4) {
    out.push_back(static_cast<char32_t>(static_cast<unsigned char>(wide[i]) |
                                        static_cast<unsigned char>(wide[i + 1]) << 8 |
                                        static_cast<unsigned char>(wide[i + 2]) << 16 |
                                        static_cast<char32_t>(static_cast<unsigned char>(wide[i + 3])) << 24));
  }
  return out;
}

std::string PosixCodePage::charsetForLocale(std::string_view localeName) {
  const LocaleName locale = ParseLocaleName(localeName);
  if (!locale.codeset.empty()) return IsUtf8Charset(locale.codeset) ? "UTF-8" : locale.codeset;
  if (localeName.find('.') != std::string_view::npos) return "UTF-8";  // a dot with no codeset behind it
  if (locale.isCLocale) return "UTF-8";
  const std::string name = locale.language + "_" + locale.country;
  if (name == "zh_CN" || name == "zh_SG") return "GBK";
  if (name == "zh_TW" || name == "zh_HK") return "BIG5";
  if (locale.language == "ja") return "CP932";
  if (locale.language == "ko") return "CP949";
  if (locale.language == "ru") return "CP1251";
  return "CP1252";
}

}  // namespace dtu::platform
