// SPDX-License-Identifier: MIT
// The settings file's text rules as pure functions over its bytes, so that
// tests and the fuzz target need no disk. SettingsStore does the file I/O.
//
// Reading a file's bytes:
//  - A UTF-8 byte-order mark (EF BB BF) at the very start is skipped.
//  - Lines end at LF; a CR just before the LF belongs to the line end.
//  - Blanks are bytes of value 32 or less. A line that, trimmed, starts with
//    "[" and holds a "]" is a section header; its name is the text between
//    "[" and the first "]", trimmed. A line that, trimmed, starts with ";" is
//    a comment. Any other line holding "=" is a key line: the key is the
//    trimmed text before the first "=", the raw value the text after it.
//    Lines before the first header, comments and lines without "=" are
//    ignored (and kept as they are by writes).
//  - Section names and keys match without ASCII letter case (other bytes
//    match exactly); the first matching section, and in it the first
//    matching key, wins. The caller's section and key are trimmed too (and
//    their CR and LF made blanks, as writes do).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dtu::ini {

// A value read from the file is cut to this many bytes.
inline constexpr std::size_t kMaxValueBytes = 2047;

// Drops bytes of value 32 or less from both ends.
std::string_view Trim(std::string_view text);

// The reading rules for the raw text after "=": trim, drop one enclosing pair
// of matching single or double quotes, then cut to kMaxValueBytes.
std::string_view CleanValue(std::string_view raw);

// The cleaned value of `key` in `section`; nullopt when the section or the
// key is missing. Present but empty gives an empty view (not nullopt). The
// view points into `content`.
std::optional<std::string_view> FindValue(std::string_view content, std::string_view section, std::string_view key);

// Optional leading blanks, optional "+" or "-", then decimal digits or hex
// digits after "$", "x", "X", "0x" or "0X"; nothing else may follow. Empty
// text, any other byte, or a value outside the signed 32-bit range: nullopt.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// CR and LF become blanks, so that a written value, key or section can never
// start a new line.
std::string OneLine(std::string_view text);

// `content` with `key` of `section` set to `value` (after OneLine; key and
// section also trimmed):
//  - an existing key's line is replaced in place by "key=value", the key
//    spelled as the file has it (its letter case), keeping that line's own
//    line end;
//  - a new key line "key=value\r\n" goes after the section's last key line
//    (right after the header when it has none), before any later line;
//  - a missing section is appended as "[section]\r\nkey=value\r\n", after a
//    CRLF when the content does not end with a line end;
//  - every other byte, a byte-order mark included, stays as it was.
// Preconditions for the key to read back: it does not contain "=" and does
// not start with "[" or ";"; the section does not contain "]".
std::string ReplaceValue(std::string_view content, std::string_view section, std::string_view key,
                         std::string_view value);

}  // namespace dtu::ini
