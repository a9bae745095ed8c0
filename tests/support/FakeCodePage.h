// SPDX-License-Identifier: MIT
// A code page that knows one 8-bit charset, ISO-8859-1 (bytes are the first
// 256 code points), so that core tests see a non-UTF-8 charset without iconv.
#pragma once

#include <string>

#include "core/text/AnsiCodec.h"
#include "platform/CodePage.h"

namespace dtu::testing {

class FakeCodePage final : public platform::CodePage {
 public:
  static constexpr const char* kLatin1 = "ISO-8859-1";

  explicit FakeCodePage(std::string userCharset = kLatin1) : user_(std::move(userCharset)) {}

  std::string userCharset() override { return user_; }
  bool supports(const std::string& charset) override { return charset == kLatin1; }
  std::string encode(std::u32string_view text, const std::string& charset) override {
    std::string out;
    for (char32_t cp : text) out.push_back(charset == kLatin1 && cp <= 0xFF ? static_cast<char>(cp) : '?');
    return out;
  }
  std::u32string decode(std::string_view bytes, const std::string& charset) override {
    std::u32string out;
    for (char b : bytes) out.push_back(charset == kLatin1 ? static_cast<unsigned char>(b) : U'?');
    return out;
  }

 private:
  std::string user_;
};

// A codec of "UTF-8" or ISO-8859-1 on a shared fake code page.
inline AnsiCodec TestCodec(const std::string& charset = "UTF-8") {
  static FakeCodePage codePage;
  return AnsiCodec(charset, codePage);
}

}  // namespace dtu::testing
