// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

#include "core/sms/QrCode.h"

namespace dtu {

// A scalable picture of the code with the caption of `heading` and `sms` under
// it; the text shrinks, then the picture widens, for a group that is too long.
QByteArray QrCodeSvg(const QrMatrix& matrix, const QString& heading, const QString& sms);

}  // namespace dtu
