// SPDX-License-Identifier: MIT
// Composes the SMS command text from the main window's fields, and holds the
// blank test that the diagnostics share. It never shows a box: a blank field
// comes back in the result and the window reports it.
#pragma once

#include <QString>

#include "core/text/AnsiCodec.h"

namespace dtu {

// Selected indexes of the window's lists; -1 (or anything else) means none.
inline constexpr int kSmsCommandConfiguration = 0;
inline constexpr int kSmsCommandRunningQuery = 1;
inline constexpr int kServerModeStaticIp = 0;
inline constexpr int kServerModeDomain = 1;
inline constexpr int kApnOther = 3;

inline constexpr char kSmsRunningQuery[] = "(A55A#s)";

// Untranslated names of the required fields; message ids of the catalogs.
inline constexpr const char* kFieldStaticIp = "Static IP";
inline constexpr const char* kFieldDomainAddress = "Domain address";
inline constexpr const char* kFieldServiceNetwork = "Service network(APN)";
inline constexpr const char* kFieldDtuNumber = "DTU number";

// Drops leading and trailing UTF-16 code units <= 32. Other spaces (U+00A0,
// U+3000) are content and stay.
QString TrimField(const QString& text);
bool IsBlankField(const QString& text);

struct SmsCommandInputs {
  int commandType = -1;
  int serverMode = -1;
  QString staticIp;
  QString domainAddress;
  int port = 0;  // already within the port field's limits
  int apnIndex = -1;
  QString otherApn;
  QString dtuNumber;
};

// The APN a configuration command carries: the list's or the typed one, trimmed.
QString CommandApn(const SmsCommandInputs& inputs);

struct SmsComposition {
  QString text;                      // for the output field; may be empty
  const char* blankField = nullptr;  // first blank required field, or null
  bool hasBlankField() const noexcept { return blankField != nullptr; }
};

// What a blank required field is reported as, translated now: the window's
// box, the batch list and the command line say the same.
QString BlankFieldMessage(const QString& fieldName);
inline QString BlankFieldMessage(const char* fieldName) { return BlankFieldMessage(QString::fromUtf8(fieldName)); }

// Checks the required fields in order and stops at the first blank one.
// Field values pass through `codec`, so characters it cannot hold become '?'.
SmsComposition ComposeSmsCommand(const SmsCommandInputs& inputs, const AnsiCodec& codec);

}  // namespace dtu
