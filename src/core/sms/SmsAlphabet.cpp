// SPDX-License-Identifier: MIT
#include "core/sms/SmsAlphabet.h"

#include <iterator>
#include <string_view>
#include <utility>

namespace dtu {

namespace {

// The default table in code order, the escape left out.
constexpr std::u16string_view kDefault =
    u"@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞÆæßÉ !\"#¤%&'()*+,-./0123456789:;<=>?"
    u"¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§¿abcdefghijklmnopqrstuvwxyzäöñüà";
static_assert(kDefault.size() == 127);
// The extension table's characters and their codes after the escape.
constexpr std::u16string_view kExtension = u"\f^{}\\[~]|€";
constexpr std::uint8_t kExtensionCodes[] = {0x0A, 0x14, 0x28, 0x29, 0x2F, 0x3C, 0x3D, 0x3E, 0x40, 0x65};
static_assert(std::size(kExtensionCodes) == kExtension.size());

}  // namespace

Gsm7Septets Gsm7Encode(char16_t unit) {
  if (const auto i = kDefault.find(unit); i != std::u16string_view::npos)
    return {1, {static_cast<std::uint8_t>(i < kGsm7Escape ? i : i + 1), 0}};
  if (const auto i = kExtension.find(unit); i != std::u16string_view::npos)
    return {2, {kGsm7Escape, kExtensionCodes[i]}};
  return {};
}

std::optional<char16_t> Gsm7Decode(std::uint8_t septet, bool afterEscape) {
  if (afterEscape) {
    for (std::size_t i = 0; i < kExtension.size(); ++i)
      if (kExtensionCodes[i] == septet) return kExtension[i];
    return std::nullopt;
  }
  if (septet == kGsm7Escape || septet > 0x7F) return std::nullopt;
  return kDefault[septet < kGsm7Escape ? septet : septet - 1u];
}

SmsEncoding SmsEncodingOf(const QString& text) {
  for (const QChar c : text)
    if (Gsm7Encode(c.unicode()).size == 0) return SmsEncoding::Ucs2;
  return SmsEncoding::Gsm7;
}

std::vector<qsizetype> SmsPartStarts(const QString& text, SmsEncoding encoding) {
  const bool gsm = encoding == SmsEncoding::Gsm7;
  // The units of the character at `i` and how many code units it spans.
  const auto character = [&](qsizetype i) -> std::pair<int, qsizetype> {
    if (gsm) return {Gsm7Encode(text.at(i).unicode()).size, 1};
    const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
    return pair ? std::pair<int, qsizetype>{2, 2} : std::pair<int, qsizetype>{1, 1};
  };
  int total = 0;
  for (qsizetype i = 0; i < text.size();) {
    const auto [units, step] = character(i);
    total += units;
    i += step;
  }
  if (total == 0) return {};
  if (total <= (gsm ? kGsm7SingleSeptets : kUcs2SingleUnits)) return {0};
  const int room = gsm ? kGsm7PartSeptets : kUcs2PartUnits;
  std::vector<qsizetype> starts{0};
  int used = 0;
  for (qsizetype i = 0; i < text.size();) {
    const auto [units, step] = character(i);
    if (used + units > room) {
      starts.push_back(i);
      used = 0;
    }
    used += units;
    i += step;
  }
  return starts;
}

}  // namespace dtu
