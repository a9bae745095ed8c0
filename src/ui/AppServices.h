// SPDX-License-Identifier: MIT
// What the window takes from the outside world, in one value: the program
// passes the real pieces, tests pass loopback stand-ins and a recorder.
#pragma once

#include "platform/Platform.h"
#include "ui/MessagePresenter.h"
#include "core/net/NetProbe.h"

namespace dtu {

struct AppServices {
  // The operating system; main passes the system's own, tests fakes. Never null.
  const platform::Platform* platform = nullptr;
  // The window fills in what is unset: its event pump and platform->network.
  net::ProbeServices probes;
  // Null: real message boxes.
  MessagePresenter* presenter = nullptr;

  MessagePresenter& boxes() const { return presenter ? *presenter : QtPresenter(); }
};

}  // namespace dtu
