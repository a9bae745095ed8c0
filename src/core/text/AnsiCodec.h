// SPDX-License-Identifier: MIT
// The 8-bit charset that stands for the Windows "ANSI code page" of the
// user's locale: the settings file, its path, the SMS text and the addresses
// handed to the socket layer are all 8-bit text in this charset. The program
// makes the user's codec once at start and hands it to whatever needs it.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "platform/CodePage.h"

namespace dtu {

class AnsiCodec {
 public:
  // `charset` as the code page names it: "UTF-8", "GBK", "CP1252". UTF-8 is
  // converted here, any other through `codePage`, which must outlive the codec.
  AnsiCodec(std::string charset, platform::CodePage& codePage);
  // The user's own charset.
  static AnsiCodec forUser(platform::CodePage& codePage);

  const std::string& charset() const { return charset_; }
  bool isUtf8() const { return utf8_; }
  platform::CodePage& codePage() const { return *codePage_; }

  // Characters the charset cannot hold become '?'. ASCII passes unchanged.
  std::string fromUnicode(const QString& text) const;
  // Bytes that are not valid in the charset become '?'.
  QString toUnicode(std::string_view bytes) const;
  // The first character of `text` that does not come back unchanged from the
  // charset (lost as '?' or replaced by a look-alike); empty when there is none.
  QString firstUnheld(const QString& text) const;

 private:
  std::string charset_;
  platform::CodePage* codePage_;
  bool utf8_ = true;
};

}  // namespace dtu
