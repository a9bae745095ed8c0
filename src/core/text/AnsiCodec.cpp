// SPDX-License-Identifier: MIT
#include "core/text/AnsiCodec.h"

#include <algorithm>
#include <utility>

namespace dtu {

namespace {

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Code points of a UTF-16 text; a lone surrogate stays as its own value, which
// is no code point (QString's own toUcs4 would silently make it U+FFFD).
std::u32string CodePoints(const QString& text) {
  std::u32string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t u = text.at(i).unicode();
    if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
      out.push_back(QChar::surrogateToUcs4(u, text.at(i + 1).unicode()));
      ++i;
    } else {
      out.push_back(u);
    }
  }
  return out;
}

// The well-formed UTF-8 sequence at the start of `bytes` (Unicode table 3-7:
// no overlong forms, no surrogates, nothing above U+10FFFF); 0 bytes when
// there is none.
std::pair<char32_t, size_t> Utf8Sequence(std::string_view bytes) {
  const auto at = [&bytes](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = at(0);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  char32_t cp = 0;
  if (lead < 0x80) {
    return {lead, 1};
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, cp = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, cp = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {0, 0};
  }
  if (bytes.size() < length || at(1) < low || at(1) > high) return {0, 0};
  for (size_t i = 1; i < length; ++i) {
    if ((at(i) & 0xC0) != 0x80) return {0, 0};
    cp = cp << 6 | (at(i) & 0x3F);
  }
  return {cp, length};
}

}  // namespace

AnsiCodec::AnsiCodec(std::string charset, platform::CodePage& codePage)
    : charset_(std::move(charset)), codePage_(&codePage) {
  if (charset_.empty()) charset_ = "UTF-8";
  utf8_ = platform::IsUtf8Charset(charset_);
  // An unknown charset would turn every conversion into '?'; fall back.
  if (!utf8_ && !codePage_->supports(charset_)) {
    charset_ = "UTF-8";
    utf8_ = true;
  }
}

AnsiCodec AnsiCodec::forUser(platform::CodePage& codePage) { return AnsiCodec(codePage.userCharset(), codePage); }

std::string AnsiCodec::fromUnicode(const QString& text) const {
  if (std::all_of(text.begin(), text.end(), [](QChar ch) { return ch.unicode() < 0x80; }))
    return text.toLatin1().toStdString();
  const std::u32string cps = CodePoints(text);
  if (!utf8_) return codePage_->encode(cps, charset_);
  std::string out;
  out.reserve(cps.size() * 3);
  for (char32_t cp : cps) {
    if (QChar::isSurrogate(cp)) {
      out.push_back('?');
    } else {
      out += QString::fromUcs4(&cp, 1).toUtf8().toStdString();
    }
  }
  return out;
}

QString AnsiCodec::toUnicode(std::string_view bytes) const {
  if (IsAscii(bytes)) return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  std::u32string cps;
  if (utf8_) {
    // Each byte that starts no well-formed sequence becomes one '?', as iconv reports them.
    cps.reserve(bytes.size());
    while (!bytes.empty()) {
      const auto [cp, length] = Utf8Sequence(bytes);
      cps.push_back(length ? cp : U'?');
      bytes.remove_prefix(std::max<size_t>(length, 1));
    }
  } else {
    cps = codePage_->decode(bytes, charset_);
  }
  return QString::fromUcs4(cps.data(), static_cast<qsizetype>(cps.size()));
}

QString AnsiCodec::firstUnheld(const QString& text) const {
  if (toUnicode(fromUnicode(text)) == text) return {};
  for (qsizetype i = 0; i < text.size(); ++i) {
    const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
    const QString one = text.mid(i, pair ? 2 : 1);
    if (toUnicode(fromUnicode(one)) != one) return one;
    if (pair) ++i;
  }
  return {};
}

}  // namespace dtu
