// SPDX-License-Identifier: MIT
// An SMS gateway reached over HTTP (an Android phone's gateway app, an
// operator's web service): one GET per message on a URL template whose
// {phone} and {message} are filled in percent-encoded. Any 2xx is success.
#pragma once

#include <QString>

#include "core/net/NetProbe.h"
#include "core/send/SmsSender.h"

namespace dtu {

// The template with both fields filled in; the values are UTF-8, percent-encoded.
QString GatewayUrl(const QString& urlTemplate, const QString& number, const QString& text);

class GatewaySender final : public SmsSender {
 public:
  GatewaySender(QString urlTemplate, net::ProbeServices services)
      : template_(std::move(urlTemplate)), services_(std::move(services)) {}
  // Checks the template: http or https, both fields present.
  Status start() override;
  SendResult send(const QString& number, const QString& text) override;
  // A gateway hands messages on and keeps none.
  Expected<std::vector<ReceivedSms>> received(const QString& number) override;

 private:
  QString template_;
  net::ProbeServices services_;
};

}  // namespace dtu
