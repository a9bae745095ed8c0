// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

namespace dtu {

// Fills the "%s" and "%d" placeholders of a (translated) format text with
// `values`, in order; "%%" gives "%". Format texts come from catalogs that a
// user can replace, so this never reads past the values it has: a placeholder
// without a value, and any other "%" sequence ("%n", "%x"), stay as they are.
QString FormatMessage(const QString& format, const QStringList& values);

}  // namespace dtu
