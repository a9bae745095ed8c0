// SPDX-License-Identifier: MIT
// The system's message-catalog look-up (libintl), where there is one. The
// localizer falls back to its own MO look-up whenever this cannot serve.
#pragma once

#include <QByteArray>
#include <optional>

namespace dtu::platform {

class MessageCatalogs {
 public:
  virtual ~MessageCatalogs() = default;

  // Hands a clean MO catalog (UTF-8) to the system's look-up; false when it
  // cannot serve it. `probeId` and `probeTranslation` are one message the
  // look-up must answer, so that a silent failure is seen at once (an empty
  // probeId skips the check).
  virtual bool load(const QByteArray& moBytes, const QByteArray& probeId, const QByteArray& probeTranslation) = 0;
  // The translation of `id` in the loaded catalog (its first form); the id
  // itself when it has none; nullopt when the look-up cannot serve now.
  virtual std::optional<QByteArray> lookup(const QByteArray& id) = 0;
};

}  // namespace dtu::platform
