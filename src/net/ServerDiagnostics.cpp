// SPDX-License-Identifier: MIT
#include "net/ServerDiagnostics.h"

#include <algorithm>

#include "AppError.h"
#include "config/AnsiCodec.h"
#include "i18n/Format.h"
#include "i18n/Translate.h"
#include "net/NetProbe.h"

namespace dtu {

namespace {

constexpr char kStaticIpField[] = N_("Static IP");
constexpr char kDomainAddressField[] = N_("Domain address");

// Blank = nothing left after dropping leading and trailing code units <= 32.
// Unlike QString::trimmed, U+00A0 and other Unicode spaces count as content.
bool IsBlank(const QString& text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 32; });
}

// The cursor must come back even when a probe or the view throws.
class BusyScope {
 public:
  explicit BusyScope(DiagnosticsView& view) : view_(view) { view_.setBusy(true); }
  ~BusyScope() { view_.setBusy(false); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  DiagnosticsView& view_;
};

QString Url(const std::string& url) { return QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size())); }

}  // namespace

void ObtainIp(DiagnosticsView& view) { ObtainIpFrom(view, net::WanEchoUrl); }

void ObtainIpFrom(DiagnosticsView& view, const std::string& echoUrl) {
  std::string address;
  {
    BusyScope busy(view);
    address = net::GetWanAddress(echoUrl);
  }
  // A changed echo page would otherwise overwrite a good address (and the
  // settings file) with a fragment of HTML.
  if (!net::IsDottedIpv4(address))
    throw AppError(FormatMessage(Translate("The public address could not be read from %s."), {Url(echoUrl)}));
  view.setStaticIp(Ansi().toUnicode(address));
}

void TestServerPort(DiagnosticsView& view) {
  const QString caption = Translate("Prompt");
  const int mode = view.serverMode();

  // The port is read only once the field check has passed: reading it
  // refills an empty port field.
  int port = 0;
  std::string target;
  std::string connectAddress;
  bool reachable = false;
  if (mode == 0 || mode == 1) {
    const QString field = mode == 0 ? view.staticIp() : view.domainAddress();
    if (IsBlank(field)) {
      view.showInvalidField(mode == 0 ? kStaticIpField : kDomainAddressField);
      return;
    }
    target = Ansi().fromUnicode(field);
    port = view.port();
    view.setStatusText(FormatMessage(
        Translate("Are experimenting with IP =%s, port =%d of server connection..."),
        {Ansi().toUnicode(target), QString::number(port)}));
    view.processPendingEvents();  // paint the progress text before blocking
    BusyScope busy(view);
    connectAddress = net::ResolveHostAddress(target);
    reachable = net::TestTcpConnect(connectAddress, port);
  } else {
    port = view.port();
    BusyScope busy(view);
    reachable = net::TestTcpConnect(connectAddress, port);
  }

  const QString result = FormatMessage(
      reachable ? Translate("With IP =%s, port =%d of server connection is successful!")
                : Translate("With IP =%s, port =%d of server connection is failed!"),
      {Ansi().toUnicode(target), QString::number(port)});
  view.setStatusText(result);
  view.showInformation(caption, result);
}

void JudgeMapping(DiagnosticsView& view) {
  const QString caption = Translate("Prompt");
  const int mode = view.serverMode();
  QString message;
  if (mode == 0 || mode == 1) {
    bool equal = false;
    if (mode == 0) {
      const QString field = view.staticIp();
      if (IsBlank(field)) {
        view.showInvalidField(kStaticIpField);
        return;
      }
      BusyScope busy(view);
      equal = field == Ansi().toUnicode(net::GetLocalHostAddress());
    } else {
      const QString field = view.domainAddress();
      if (IsBlank(field)) {
        view.showInvalidField(kDomainAddressField);
        return;
      }
      BusyScope busy(view);
      const std::string server = net::ResolveHostAddress(Ansi().fromUnicode(field));
      equal = server == net::GetLocalHostAddress();
    }
    message = equal ? Translate(
                          "The local IP network segment with the WAN IP is identical, users do not need port "
                          "mapping.")
                    : Translate(
                          "The local IP network segment with the WAN IP is different, you need to do port "
                          "mapping in router.");
  }
  view.showInformation(caption, message);
}

}  // namespace dtu
