// SPDX-License-Identifier: MIT
#include "core/window/ServerDiagnostics.h"

#include <optional>

#include "core/AppError.h"
#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/net/NetProbe.h"
#include "core/sms/SmsComposer.h"

namespace dtu {

namespace {

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

// The address field of the selected mode (0 or 1), or nothing after the
// invalid-input box when it is blank.
std::optional<QString> AddressField(DiagnosticsView& view, int mode) {
  const bool staticIp = mode == kServerModeStaticIp;
  QString field = staticIp ? view.staticIp() : view.domainAddress();
  if (!IsBlankField(field)) return field;
  view.showInvalidField(staticIp ? kFieldStaticIp : kFieldDomainAddress);
  return std::nullopt;
}

QString Url(const std::string& url) { return QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size())); }

}  // namespace

void ObtainIp(DiagnosticsView& view, const AnsiCodec& codec, const net::ProbeServices& services) {
  std::string address;
  {
    BusyScope busy(view);
    address = net::GetWanAddress(codec, services);
  }
  // A changed echo page would otherwise overwrite a good address (and the
  // settings file) with a fragment of HTML.
  if (!net::IsDottedIpv4(address))
    throw AppError(FormatMessage(Translate("The public address could not be read from %s."), {Url(services.echoUrl)}));
  view.setStaticIp(codec.toUnicode(address));
}

void TestServerPort(DiagnosticsView& view, const AnsiCodec& codec, const net::ProbeServices& services) {
  const QString caption = Translate("Prompt");
  const int mode = view.serverMode();
  const bool addressed = mode == kServerModeStaticIp || mode == kServerModeDomain;

  // Nothing selected: no field is examined and the connect goes to no address.
  std::string target;
  if (addressed) {
    const std::optional<QString> field = AddressField(view, mode);
    if (!field) return;
    target = codec.fromUnicode(*field);
  }
  // Read only once the field check has passed: reading refills an empty port field.
  const int port = view.port();
  const QStringList values{codec.toUnicode(target), QString::number(port)};
  if (addressed) {
    view.setStatusText(
        FormatMessage(Translate("Are experimenting with IP =%s, port =%d of server connection..."), values));
    view.processPendingEvents();  // paint the progress text before blocking
  }
  bool reachable = false;
  {
    BusyScope busy(view);
    const std::string connectAddress = addressed ? net::ResolveHostAddress(target, services) : std::string();
    reachable = net::TestTcpConnect(connectAddress, port, services);
  }

  const QString result =
      FormatMessage(reachable ? Translate("With IP =%s, port =%d of server connection is successful!")
                              : Translate("With IP =%s, port =%d of server connection is failed!"),
                    values);
  view.setStatusText(result);
  view.showInformation(caption, result);
}

void JudgeMapping(DiagnosticsView& view, const AnsiCodec& codec, const net::ProbeServices& services) {
  const QString caption = Translate("Prompt");
  const int mode = view.serverMode();
  QString message;
  if (mode == kServerModeStaticIp || mode == kServerModeDomain) {
    const std::optional<QString> field = AddressField(view, mode);
    if (!field) return;
    BusyScope busy(view);
    bool equal = false;
    if (mode == kServerModeStaticIp) {
      equal = *field == codec.toUnicode(net::GetLocalHostAddress(services));
    } else {
      const std::string server = net::ResolveHostAddress(codec.fromUnicode(*field), services);
      equal = server == net::GetLocalHostAddress(services);
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
