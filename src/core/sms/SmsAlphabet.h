// SPDX-License-Identifier: MIT
// The alphabet an SMS travels in and where a long one is cut into parts: the
// GSM 03.38 default alphabet with its extension table (two septets each), and
// UCS-2 as soon as one character is outside both. The check counts with this
// and the modem encodes with it, so the parts a technician is told of are the
// parts that go out.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace dtu {

enum class SmsEncoding { Gsm7, Ucs2 };

// One SMS holds 160 septets or 70 UTF-16 code units; a part of a
// concatenated one loses room to its header and holds 153 or 67.
inline constexpr int kGsm7SingleSeptets = 160;
inline constexpr int kGsm7PartSeptets = 153;
inline constexpr int kUcs2SingleUnits = 70;
inline constexpr int kUcs2PartUnits = 67;

// The septet in front of an extension table code.
inline constexpr std::uint8_t kGsm7Escape = 0x1B;

// A character's septets: its default-table code, or the escape and its
// extension-table code. `size` 0 means the alphabet has no such character.
struct Gsm7Septets {
  int size = 0;
  std::uint8_t codes[2] = {};
};
Gsm7Septets Gsm7Encode(char16_t unit);
// The character of a default-table code, or of an extension-table code after
// the escape; nullopt for the escape itself and for a code the extension
// table leaves empty.
std::optional<char16_t> Gsm7Decode(std::uint8_t septet, bool afterEscape);

// GSM 7-bit when every character is in the alphabet (the empty text too).
SmsEncoding SmsEncodingOf(const QString& text);
// Where each part of `text` starts, as UTF-16 indexes; empty for the empty
// text. Parts are packed greedily and a phone never splits an escape pair or
// a surrogate pair across two of them.
std::vector<qsizetype> SmsPartStarts(const QString& text, SmsEncoding encoding);

}  // namespace dtu
