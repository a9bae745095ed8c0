// SPDX-License-Identifier: MIT
// dtusms.com, the console companion of the windowed dtusms.exe beside it. cmd and
// PowerShell pick a .com before an .exe of the same name, so a command typed at a
// prompt starts this console program, which the prompt waits for and whose exit
// status becomes %ERRORLEVEL%. It runs dtusms.exe with this console's standard
// handles and returns its exit status; without arguments it starts the window and
// returns at once. No Qt: a few kilobytes of Windows calls.
#include <windows.h>

#include <string>

namespace {

// What follows the program's own name on the command line, as typed.
const wchar_t* ArgumentsOf(const wchar_t* line) {
  bool quoted = false;
  for (; *line != L'\0'; ++line) {
    if (*line == L'"') {
      quoted = !quoted;
    } else if (!quoted && (*line == L' ' || *line == L'\t')) {
      break;
    }
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

// dtusms.exe, attached to this console, ends its own work on Ctrl+C; this one waits for it.
BOOL WINAPI WaitForTheProgram(DWORD type) { return type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT ? TRUE : FALSE; }

void WriteError(const std::wstring& text) {
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  DWORD written = 0;
  if (GetFileType(err) == FILE_TYPE_CHAR) {
    WriteConsoleW(err, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const int size =
      WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  WriteFile(err, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = n > 0 ? std::wstring(text, n) : L"error " + std::to_wstring(code);
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
    message.pop_back();
  return message;
}

}  // namespace

int wmain() {
  constexpr int kUsageOrFileError = 2;
  std::wstring program(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
  if (n == 0 || n >= program.size()) return kUsageOrFileError;
  program.resize(n);
  program = program.substr(0, program.find_last_of(L'.')) + L".exe";

  const wchar_t* arguments = ArgumentsOf(GetCommandLineW());
  const bool windowOnly = *arguments == L'\0';
  std::wstring line = L"\"" + program + L"\"";
  if (!windowOnly) line += L" " + std::wstring(arguments);

  STARTUPINFOW start{};
  start.cb = sizeof start;
  if (!windowOnly) {
    start.dwFlags = STARTF_USESTDHANDLES;
    HANDLE* slots[] = {&start.hStdInput, &start.hStdOutput, &start.hStdError};
    const DWORD ids[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (int i = 0; i < 3; ++i) {
      *slots[i] = GetStdHandle(ids[i]);
      // A handle the child cannot inherit would reach it as garbage.
      SetHandleInformation(*slots[i], HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
  }
  PROCESS_INFORMATION child{};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, windowOnly ? FALSE : TRUE, 0, nullptr, nullptr,
                      &start, &child)) {
    WriteError(L"dtusms: " + program + L": " + SystemMessage(GetLastError()) + L"\r\n");
    return kUsageOrFileError;
  }
  CloseHandle(child.hThread);
  if (windowOnly) {
    CloseHandle(child.hProcess);
    return 0;
  }
  SetConsoleCtrlHandler(&WaitForTheProgram, TRUE);
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD status = kUsageOrFileError;
  GetExitCodeProcess(child.hProcess, &status);
  CloseHandle(child.hProcess);
  return static_cast<int>(status);
}
