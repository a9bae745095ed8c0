// SPDX-License-Identifier: MIT
// The 8-bit charset that stands for the Windows "ANSI code page" of the
// user's locale: the settings file, its path, the SMS text and the addresses
// handed to the socket layer are all 8-bit text in this charset.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace dtu {

class AnsiCodec {
 public:
  // iconv charset name such as "UTF-8", "GBK", "CP1252".
  explicit AnsiCodec(std::string charset = "UTF-8");

  const std::string& charset() const { return charset_; }

  // Characters the charset cannot hold become '?'. ASCII passes unchanged.
  std::string fromUnicode(const QString& text) const;
  // Bytes that are not valid in the charset become '?'.
  QString toUnicode(std::string_view bytes) const;

  // LC_ALL, then LC_CTYPE, then LANG.
  static std::string CharsetFromEnvironment();
  // "zh_CN.GB18030" -> GB18030; "zh_TW" -> BIG5; "", "C", "POSIX" -> UTF-8.
  static std::string CharsetForLocale(std::string_view localeName);

 private:
  std::string charset_;
  bool utf8_ = true;
};

// The process-wide codec, chosen from the environment at first use unless the
// program or a test sets one.
const AnsiCodec& Ansi();
void SetAnsiCharset(const std::string& charset);

}  // namespace dtu
