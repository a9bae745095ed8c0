// SPDX-License-Identifier: MIT
#pragma once

// <windows.h>, where something included it first (GoogleTest does), renames
// FormatMessage to FormatMessageW.
#ifdef FormatMessage
#undef FormatMessage
#endif

#include <QString>
#include <QStringList>
#include <vector>

namespace dtu {

// Fills the "%s" and "%d" placeholders of a (translated) format text with
// `values`, in order; "%%" gives "%". Format texts come from catalogs that a
// user can replace, so this never reads past the values it has: a placeholder
// without a value, and any other "%" sequence ("%n", "%x"), stay as they are.
QString FormatMessage(const QString& format, const QStringList& values);

// A line kept as message ids with their values rather than as text, so that a
// language switch can show it again in the new language.
struct MessageLine {
  struct Part {
    const char* msgid;
    QStringList values;
  };
  std::vector<Part> parts;

  // Each part translated and filled in, joined by blanks.
  QString text() const;
};

}  // namespace dtu
