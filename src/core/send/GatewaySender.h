// SPDX-License-Identifier: MIT
// An SMS gateway reached over HTTP (an Android phone's gateway app, an
// operator's web service, Kannel's sendsms): one GET per message on a URL
// template whose {phone}, {message} and {coding} are filled in. Any 2xx is
// success.
#pragma once

#include <QString>

#include "core/Expected.h"
#include "core/net/NetProbe.h"
#include "core/send/SmsSender.h"

namespace dtu {

// The template with its fields filled in: the values UTF-8, percent-encoded;
// {coding} is Kannel's: 0 for a text in the GSM 7-bit alphabet, 2 for UCS-2.
QString GatewayUrl(const QString& urlTemplate, const QString& number, const QString& text);

// Whether a template can send: http or https, a host, {phone} and {message},
// and every field in the path or the query (what follows '#' never leaves the
// computer). The message names the template with its password masked.
Status CheckGatewayTemplate(const QString& urlTemplate);

// `url` with the password of its user:password@ part masked, for messages.
QString MaskedUrl(const QString& url);

class GatewaySender final : public SmsSender {
 public:
  GatewaySender(QString urlTemplate, net::ProbeServices services)
      : template_(std::move(urlTemplate)), services_(std::move(services)) {}
  // CheckGatewayTemplate.
  Status start() override;
  // A redirect to another scheme, host or port is not followed: that host
  // would be handed the SIM number and the command.
  SendResult send(const QString& number, const QString& text) override;
  // A gateway hands messages on and keeps none.

 private:
  QString template_;
  net::ProbeServices services_;
};

}  // namespace dtu
