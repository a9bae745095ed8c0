// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace dtu {

// The text of a message id in the current interface language; the id itself
// when there is no translation. Every user-visible text goes through here at
// the moment it is shown.
QString Translate(const QString& msgid);
inline QString Translate(const char* msgid) { return Translate(QString::fromUtf8(msgid)); }

// Marks a string literal for extraction without translating it now.
#define N_(text) text

}  // namespace dtu
