// SPDX-License-Identifier: MIT
// What the window takes from the outside world, in one value: the program
// passes the real pieces, tests pass loopback stand-ins and a recorder.
#pragma once

#include "core/net/NetProbe.h"
#include "platform/Platform.h"
#include "ui/MessagePresenter.h"

namespace dtu {

struct AppServices {
  // The operating system; main passes the system's own, tests fakes. Never null.
  const platform::Platform* platform = nullptr;
  // The window fills in what is unset: its event pump and platform->network.
  net::ProbeServices probes;
  // Where boxes are shown: main passes real ones, tests a recorder. Never null.
  MessagePresenter* presenter = nullptr;

  MessagePresenter& boxes() const { return *presenter; }
};

}  // namespace dtu
