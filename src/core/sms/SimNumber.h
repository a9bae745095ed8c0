// SPDX-License-Identifier: MIT
// The one rule for a DTU's SIM number, wherever one is typed or listed.
#pragma once

#include <QString>
#include <optional>

namespace dtu {

// Longest SIM number taken: E.164 allows 15 digits, the rest leaves room for
// dialling prefixes.
inline constexpr int kSimNumberMaxDigits = 20;

// The DTU's SIM number as it goes into the link: blanks and "-" dropped,
// 1 to kSimNumberMaxDigits digits, a "+" only in front of everything else.
// Blank text gives an empty number; nullopt for anything else (letters, a
// "+" after anything, "-" or "+" without a digit, too many digits).
std::optional<QString> NormalizeSimNumber(const QString& text);

// The number a modem or a gateway is handed: the normalized one, empty for
// blank text as for anything NormalizeSimNumber refuses.
QString DialableNumber(const QString& simNumber);

// Whether two numbers name the same SIM: the last digits both have, at least
// seven, agree, so that "+8613800000000" and "13800000000" do. A reply
// names its sender in whichever form the network chose.
bool SameSimNumber(const QString& a, const QString& b);
// The same, or equal as dialled: short numbers (10086) too. What the list,
// the journal and the replies match by.
bool NamesOneSim(const QString& a, const QString& b);

}  // namespace dtu
