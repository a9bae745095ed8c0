// SPDX-License-Identifier: MIT
// What the command line's exit status tells a script.
#pragma once

namespace dtu {

enum class ExitStatus {
  kSuccess = 0,
  kSomeRowsFailed = 1,    // some rows were not composed or not sent; the others were
  kUsageOrFileError = 2,  // the options, a file (list, output, settings, log) or the modem or gateway stood in the way
  // Stopped by a termination request after the message in flight: 128 + the signal's number.
  kHungUp = 129,
  kInterrupted = 130,
  kTerminated = 143,
};

constexpr int ExitCode(ExitStatus status) { return static_cast<int>(status); }

}  // namespace dtu
