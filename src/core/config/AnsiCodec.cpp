// SPDX-License-Identifier: MIT
#include "core/config/AnsiCodec.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <optional>

#include "platform/posix/PosixLocaleName.h"

namespace dtu {

namespace {

std::string Upper(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::toupper(c); });
  return out;
}

bool IsUtf8Name(std::string_view name) {
  const std::string up = Upper(name);
  return up == "UTF-8" || up == "UTF8";
}

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle Open(const std::string& to, const std::string& from) {
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return IconvHandle(nullptr);
  return IconvHandle(cd);
}

// Converts in one pass; on a unit the target cannot take, emits '?' (in the
// target charset) and skips `unit` input bytes.
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
  // Flush any shift state.
  char* outPtr = out.data() + used;
  size_t outLeft = out.size() - used;
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  used = out.size() - outLeft;
  out.resize(used);
  return out;
}

std::optional<AnsiCodec> g_codec;

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Code points of a UTF-16 text; a lone surrogate becomes kInvalid (QString's
// own toUcs4 would silently turn it into U+FFFD).
std::u32string CodePoints(const QString& text) {
  std::u32string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t u = text.at(i).unicode();
    if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
      out.push_back(QChar::surrogateToUcs4(u, text.at(i + 1).unicode()));
      ++i;
    } else if (QChar::isSurrogate(u)) {
      out.push_back(kInvalid);
    } else {
      out.push_back(u);
    }
  }
  return out;
}

}  // namespace

AnsiCodec::AnsiCodec(std::string charset) : charset_(std::move(charset)) {
  if (charset_.empty()) charset_ = "UTF-8";
  utf8_ = IsUtf8Name(charset_);
  if (!utf8_) {
    // An unknown charset would turn every conversion into nothing; fall back.
    IconvHandle probe = Open(charset_, "UTF-32LE");
    if (!probe) {
      charset_ = "UTF-8";
      utf8_ = true;
    }
  }
}

std::string AnsiCodec::fromUnicode(const QString& text) const {
  if (std::all_of(text.begin(), text.end(), [](QChar ch) { return ch.unicode() < 0x80; }))
    return text.toLatin1().toStdString();
  const std::u32string cps = CodePoints(text);
  if (utf8_) {
    std::string out;
    out.reserve(cps.size() * 3);
    for (char32_t cp : cps) {
      if (cp == kInvalid) {
        out.push_back('?');
      } else {
        out += QString::fromUcs4(&cp, 1).toUtf8().toStdString();
      }
    }
    return out;
  }
  IconvHandle cd = Open(charset_, "UTF-32LE");
  if (!cd) return std::string(cps.size(), '?');
  std::string in;
  in.reserve(cps.size() * 4);
  for (char32_t cp : cps) {
    // kInvalid is no code point: iconv refuses it and a '?' takes its place.
    for (int i = 0; i < 4; ++i) in.push_back(static_cast<char>((cp >> (8 * i)) & 0xFF));
  }
  return Convert(static_cast<iconv_t>(cd.get()), in, 4, "?");
}

QString AnsiCodec::toUnicode(std::string_view bytes) const {
  if (IsAscii(bytes)) return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  IconvHandle cd = Open("UTF-32LE", charset_);
  if (!cd) return QString(static_cast<qsizetype>(bytes.size()), QLatin1Char('?'));
  static const std::string kQuestion("?\0\0\0", 4);
  const std::string wide = Convert(static_cast<iconv_t>(cd.get()), bytes, 1, kQuestion);
  std::u32string cps;
  cps.reserve(wide.size() / 4);
  for (size_t i = 0; i + 3 < wide.size(); i += 4) {
    cps.push_back(static_cast<char32_t>(static_cast<unsigned char>(wide[i]) |
                                        static_cast<unsigned char>(wide[i + 1]) << 8 |
                                        static_cast<unsigned char>(wide[i + 2]) << 16 |
                                        static_cast<char32_t>(static_cast<unsigned char>(wide[i + 3])) << 24));
  }
  return QString::fromUcs4(cps.data(), static_cast<qsizetype>(cps.size()));
}

std::string AnsiCodec::CharsetFromEnvironment() {
  return CharsetForLocale(platform::FirstLocaleVariable({"LC_ALL", "LC_CTYPE", "LANG"}));
}

std::string AnsiCodec::CharsetForLocale(std::string_view localeName) {
  const platform::LocaleName locale = platform::ParseLocaleName(localeName);
  if (!locale.codeset.empty()) return IsUtf8Name(locale.codeset) ? "UTF-8" : locale.codeset;
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

const AnsiCodec& Ansi() {
  if (!g_codec) g_codec.emplace(AnsiCodec::CharsetFromEnvironment());
  return *g_codec;
}

void SetAnsiCharset(const std::string& charset) { g_codec.emplace(charset); }

}  // namespace dtu
