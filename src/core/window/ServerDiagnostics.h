// SPDX-License-Identifier: MIT
// The three server-side diagnostics behind the window's buttons. They talk to
// the window only through DiagnosticsView, so the steps can be driven and
// observed without widgets.
#pragma once

#include <QString>

#include "core/net/NetProbe.h"
#include "core/text/AnsiCodec.h"

namespace dtu {

class DiagnosticsView {
 public:
  virtual ~DiagnosticsView() = default;
  // Selected index of tntcomb_ServerNetMode: 0 Static IP, 1 Domain resolution, -1 none.
  virtual int serverMode() const = 0;
  virtual QString staticIp() const = 0;
  // Sets tntedt_StaticIP; its change handler saves the value when the text differs.
  virtual void setStaticIp(const QString& text) = 0;
  virtual QString domainAddress() const = 0;
  // The port field's value read by its rules (an empty field is refilled with 1000).
  virtual int port() = 0;
  virtual void setStatusText(const QString& text) = 0;
  virtual void processPendingEvents() = 0;
  // The invalid-input box for a blank field (untranslated field name).
  virtual void showInvalidField(const char* fieldName) = 0;
  // A "Prompt" information box owned by the window; caption already translated.
  virtual void showInformation(const QString& caption, const QString& text) = 0;
  // Busy cursor while a probe blocks the window.
  virtual void setBusy(bool busy) = 0;
};

// Addresses pass through `codec` on their way to and from the socket layer.
void ObtainIp(DiagnosticsView& view, const AnsiCodec& codec,
              const net::ProbeServices& services);  // tntbtn_StaticIPClick
void TestServerPort(DiagnosticsView& view, const AnsiCodec& codec,
                    const net::ProbeServices& services);  // tntbtn_TestServerPortClick
void JudgeMapping(DiagnosticsView& view, const AnsiCodec& codec,
                  const net::ProbeServices& services);  // tntbtn_JudgeMapingClick

}  // namespace dtu
