// SPDX-License-Identifier: MIT
#pragma once

#include "platform/CodePage.h"

namespace dtu::platform {

class PosixCodePage : public CodePage {
 public:
  std::string userCharset() override;
  bool supports(const std::string& charset) override;
  std::string encode(std::u32string_view text, const std::string& charset) override;
  std::u32string decode(std::string_view bytes, const std::string& charset) override;
};

}  // namespace dtu::platform
