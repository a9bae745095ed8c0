// SPDX-License-Identifier: MIT
// PLACEHOLDER: to be written; every call aborts until then.
#include "platform/posix/LibintlCatalogs.h"

#include <cstdlib>

namespace dtu::platform {

bool LibintlCatalogs::load(const QByteArray& moBytes, const QByteArray& probeId, const QByteArray& probeTranslation) { std::abort(); }
std::optional<QByteArray> LibintlCatalogs::lookup(const QByteArray& id) { std::abort(); }

}  // namespace dtu::platform
