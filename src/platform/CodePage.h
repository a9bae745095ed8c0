// SPDX-License-Identifier: MIT
// The 8-bit charsets: the user's ("ANSI code page") and any named one.
#pragma once

#include <string>
#include <string_view>

namespace dtu::platform {

// "UTF-8" or "UTF8" in any case: the one charset the program converts itself.
inline bool IsUtf8Charset(std::string_view name) {
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  std::string up(name);
  for (char& c : up) c = upper(c);
  return up == "UTF-8" || up == "UTF8";
}

class CodePage {
 public:
  virtual ~CodePage() = default;

  // The name of the user's 8-bit charset: "UTF-8", "GBK", "CP1252", ...
  virtual std::string userCharset() = 0;
  // Whether `charset` can be converted at all.
  virtual bool supports(const std::string& charset) = 0;
  // Code points to bytes; a code point the charset cannot hold (or that is
  // none, such as a lone surrogate) becomes "?" in the charset.
  virtual std::string encode(std::u32string_view text, const std::string& charset) = 0;
  // Bytes to code points; a byte sequence that is not valid becomes "?".
  virtual std::u32string decode(std::string_view bytes, const std::string& charset) = 0;
};

}  // namespace dtu::platform
