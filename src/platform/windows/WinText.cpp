// SPDX-License-Identifier: MIT
#include "platform/windows/WinText.h"

#include <climits>

#include "platform/windows/WinHeaders.h"

namespace dtu::platform {

namespace {

// The W and A functions count in int.
int Length(std::size_t size) { return size > INT_MAX ? INT_MAX : static_cast<int>(size); }

}  // namespace

std::wstring ToWide(std::string_view bytes, unsigned codePage) {
  if (bytes.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, bytes.data(), Length(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, bytes.data(), Length(bytes.size()), out.data(), n);
  return out;
}

std::string FromWide(std::wstring_view text, unsigned codePage) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, text.data(), Length(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(codePage, 0, text.data(), Length(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string ErrorText(unsigned long error) {
  wchar_t* buffer = nullptr;
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer ? buffer : L"", buffer ? n : 0);
  if (buffer) LocalFree(buffer);
  // The system's texts end in a full stop and a line break, which the caller's sentence does not want.
  while (!text.empty() && std::wstring_view(L"\r\n .\u3002").find(text.back()) != std::wstring_view::npos)
    text.pop_back();
  if (text.empty()) return "Error " + std::to_string(error);
  return FromWide(text, CP_ACP);
}

}  // namespace dtu::platform
