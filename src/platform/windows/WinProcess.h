// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Process.h"

namespace dtu::platform {

// No private folder on Windows: the catalogs need none there.
class WinProcess : public Process {
 public:
  WinProcess() = default;
  ~WinProcess() override;
  WinProcess(const WinProcess&) = delete;
  WinProcess& operator=(const WinProcess&) = delete;

  QString executablePath() override;
  std::unique_ptr<QIODevice> openExecutable() override;
  std::optional<QString> privateFolder() override { return std::nullopt; }
  void removeAbandonedPrivateFolders() override {}
  // Ctrl+C, Ctrl+Break and the console's close, log-off and shut-down ask
  // the application to quit. Windows ends the process once the handler
  // returns from the last three, so the handler waits a few seconds for this
  // object's destruction at the end of main. A second Ctrl+C or Ctrl+Break
  // gets the default action.
  bool quitOnTerminationRequests() override;
  // Ctrl+C and Ctrl+Break ask for 130, a close, log-off or shut-down for 143
  // (the handler then waits as above); a second Ctrl+C ends the process.
  bool deferTerminationRequests() override;
  int terminationRequested() override;
  long long id() override;
  bool isRunning(long long id) override;
  // Nothing to do: the native platform plugin needs no display, and it is the
  // one that finds the system's fonts (Qt's offscreen plugin on Windows draws
  // every glyph as a box, and the package does not carry it).
  void preferWindowlessGui() override {}
  bool errorIsTerminal() override;
  // Attaches to the console of the program that started this one (cmd, or the
  // console companion dtusms.com), so that Ctrl+C there reaches this program;
  // the standard handles it was given (a file, a pipe, that console) stay.
  void useParentConsole() override;
  void writeStandardOutputAsIs() override;
};

}  // namespace dtu::platform
