// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace dtu {

// The caption under a saved code: `heading` on a line of its own, then `sms`
// cut only after a "#" group, groups packed into lines while `fits` allows.
// A group that does not fit alone keeps a line of its own, unbroken.
QStringList CaptionLines(const QString& heading, const QString& sms, const std::function<bool(const QString&)>& fits);

}  // namespace dtu
