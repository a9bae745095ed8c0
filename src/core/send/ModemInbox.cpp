// SPDX-License-Identifier: MIT
#include "core/send/ModemInbox.h"

#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"

namespace dtu {

QString StatusMeaning(int status) {
  struct Entry {
    int status;
    const char* meaning;
  };
  // TP-ST values whose meaning a technician can act on.
  static constexpr Entry kMeanings[] = {
      {0x00, N_("delivered")},
      {0x01, N_("forwarded, delivery not confirmed")},
      {0x02, N_("replaced by the service centre")},
      {0x20, N_("congestion, still trying")},
      {0x21, N_("the phone is busy, still trying")},
      {0x22, N_("no response from the phone, still trying")},
      {0x23, N_("service rejected, still trying")},
      {0x40, N_("remote procedure error")},
      {0x41, N_("incompatible destination")},
      {0x42, N_("connection rejected by the phone")},
      {0x43, N_("not obtainable")},
      {0x45, N_("no interworking available")},
      {0x46, N_("validity period expired")},
      {0x47, N_("deleted by the sender")},
      {0x48, N_("deleted by the service centre")},
      {0x49, N_("the message does not exist")},
      {0x60, N_("congestion, the service centre gave up")},
      {0x61, N_("the phone was busy, the service centre gave up")},
      {0x62, N_("no response from the phone, the service centre gave up")},
  };
  for (const Entry& e : kMeanings)
    if (e.status == status) return Translate(e.meaning);
  return FormatMessage(Translate("status 0x%s"), {QString::number(status, 16).rightJustified(2, QLatin1Char('0'))});
}

}  // namespace dtu
