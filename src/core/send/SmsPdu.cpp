// SPDX-License-Identifier: MIT
#include "core/send/SmsPdu.h"

#include <QStringList>
#include <algorithm>
#include <cctype>
#include <map>
#include <utility>

#include "core/i18n/Format.h"
#include "core/i18n/Translate.h"
#include "core/sms/SmsAlphabet.h"
#include "core/sms/SmsCheck.h"

namespace dtu {

namespace {

void AppendOctet(QByteArray& hex, unsigned value) {
  hex += QByteArray::number(value & 0xFF, 16).rightJustified(2, '0').toUpper();
}

// Address field: digit count, type of number, swapped semi-octets.
void AppendAddress(QByteArray& hex, const QString& number) {
  const bool international = number.startsWith(QLatin1Char('+'));
  QString digits = international ? number.mid(1) : number;
  AppendOctet(hex, static_cast<unsigned>(digits.size()));
  AppendOctet(hex, international ? 0x91 : 0x81);
  if (digits.size() % 2) digits += QLatin1Char('F');
  for (qsizetype i = 0; i < digits.size(); i += 2) {
    hex += digits.at(i + 1).toLatin1();
    hex += digits.at(i).toLatin1();
  }
}

// One part's user data: septets packed after `skipBits` (the header and its fill).
QByteArray PackSeptets(const std::vector<std::uint8_t>& septets, int skipBits) {
  const int bits = skipBits + static_cast<int>(septets.size()) * 7;
  QByteArray octets((bits + 7) / 8, '\0');
  int at = skipBits;
  for (const std::uint8_t s : septets) {
    for (int b = 0; b < 7; ++b, ++at)
      if (s >> b & 1) octets[at / 8] = static_cast<char>(octets[at / 8] | 1 << (at % 8));
  }
  return octets;
}

}  // namespace

bool FitsTextMode(const QString& text) {
  const SmsCount count = CountSms(text);
  if (count.encoding != SmsEncoding::Gsm7 || count.parts > 1) return false;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    const Gsm7Septets septets = Gsm7Encode(u);
    const bool same =
        (u >= 0x20 && u < 0x7F && u != '@' && u != '$' && u != '_' && septets.size == 1 && septets.codes[0] == u) ||
        u == '\n' || u == '\r';
    if (!same) return false;
  }
  return true;
}

std::vector<SubmitPdu> EncodeSubmitPdus(const QString& number, const QString& text, std::uint8_t reference,
                                        bool statusReport) {
  const bool gsm = SmsEncodingOf(text) == SmsEncoding::Gsm7;
  std::vector<qsizetype> starts = SmsPartStarts(text, gsm ? SmsEncoding::Gsm7 : SmsEncoding::Ucs2);
  if (starts.empty()) starts.push_back(0);  // the empty text still goes, as one empty message
  std::vector<QString> parts;
  for (std::size_t n = 0; n < starts.size(); ++n)
    parts.push_back(text.mid(starts[n], n + 1 < starts.size() ? starts[n + 1] - starts[n] : -1));

  std::vector<SubmitPdu> pdus;
  const bool concatenated = parts.size() > 1;
  for (std::size_t n = 0; n < parts.size(); ++n) {
    QByteArray hex = "00";  // the SIM's own service centre
    // SMS-SUBMIT; a header when concatenated; a status report when asked.
    AppendOctet(hex, 0x01 | (concatenated ? 0x40 : 0) | (statusReport ? 0x20 : 0));
    AppendOctet(hex, 0);  // message reference: the modem's choice
    AppendAddress(hex, number);
    AppendOctet(hex, 0);  // protocol identifier
    AppendOctet(hex, gsm ? 0x00 : 0x08);
    QByteArray header;
    if (concatenated)
      header = QByteArray::fromHex("050003") + QByteArray(1, static_cast<char>(reference)) +
               QByteArray(1, static_cast<char>(parts.size())) + QByteArray(1, static_cast<char>(n + 1));
    QByteArray data;
    int length = 0;
    if (gsm) {
      std::vector<std::uint8_t> septets;
      for (const QChar c : parts[n]) {
        const Gsm7Septets one = Gsm7Encode(c.unicode());
        septets.insert(septets.end(), one.codes, one.codes + one.size);
      }
      const int headerSeptets = (static_cast<int>(header.size()) * 8 + 6) / 7;
      data = PackSeptets(septets, headerSeptets * 7);
      data.replace(0, header.size(), header);
      length = headerSeptets + static_cast<int>(septets.size());
    } else {
      data = header;
      for (const QChar c : parts[n])
        data += static_cast<char>(c.unicode() >> 8), data += static_cast<char>(c.unicode() & 0xFF);
      length = static_cast<int>(data.size());
    }
    AppendOctet(hex, static_cast<unsigned>(length));
    hex += data.toHex().toUpper();
    pdus.push_back({hex, static_cast<int>(hex.size() / 2 - 1)});
  }
  return pdus;
}

namespace {

int U8(char c) { return static_cast<std::uint8_t>(c); }

// The octets of a PDU read in order; reading past the end marks it broken.
class Octets {
 public:
  explicit Octets(QByteArray bytes) : bytes_(std::move(bytes)) {}
  int next() {
    if (at_ < bytes_.size()) return U8(bytes_[at_++]);
    broken_ = true;
    return 0;
  }
  QByteArray take(qsizetype n) {
    if (n > bytes_.size() - at_) broken_ = true;
    const QByteArray part = bytes_.mid(at_, n);
    at_ += part.size();
    return part;
  }
  QByteArray rest() { return take(bytes_.size() - at_); }
  bool broken() const { return broken_; }

 private:
  QByteArray bytes_;
  qsizetype at_ = 0;
  bool broken_ = false;
};

// QByteArray::fromHex skips what is no hex digit: a damaged line would decode as something else.
std::optional<QByteArray> FromHex(const QByteArray& hex) {
  if (hex.isEmpty() || hex.size() % 2) return std::nullopt;
  for (const char c : hex)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
  return QByteArray::fromHex(hex);
}

// The PDU's octets from its first octet on (past the service centre); nullopt when no PDU.
std::optional<Octets> Tpdu(const QByteArray& hex) {
  std::optional<QByteArray> bytes = FromHex(hex);
  if (!bytes) return std::nullopt;
  Octets in(std::move(*bytes));
  in.take(in.next());
  if (in.broken()) return std::nullopt;
  return in;
}

// `septets` septets of packed GSM 7-bit text, starting `skip` septets in; nullopt when the data is shorter.
std::optional<QString> Gsm7Text(const QByteArray& data, int skip, int septets) {
  QString text;
  bool escape = false;
  for (int s = skip; s < skip + septets; ++s) {
    int value = 0;
    for (int b = 0; b < 7; ++b) {
      const qsizetype bit = static_cast<qsizetype>(s) * 7 + b;
      if (bit / 8 >= data.size()) return std::nullopt;
      value |= (U8(data[bit / 8]) >> (bit % 8) & 1) << b;
    }
    if (value == kGsm7Escape) {
      escape = true;
      continue;
    }
    if (const std::optional<char16_t> c = Gsm7Decode(static_cast<std::uint8_t>(value), escape)) text += QChar(*c);
    escape = false;
  }
  return text;
}

// Digit count (for an alphanumeric one: semi-octets used), type of address, the semi-octets.
QString ReadAddress(Octets& in) {
  const int length = in.next();
  const int type = in.next();
  const QByteArray octets = in.take((length + 1) / 2);
  if ((type & 0x70) == 0x50) return Gsm7Text(octets, 0, length * 4 / 7).value_or(QString());
  QString address = (type & 0x70) == 0x10 ? QStringLiteral("+") : QString();
  for (int d = 0; d < length && d / 2 < octets.size(); ++d) {
    const int digit = d % 2 ? U8(octets[d / 2]) >> 4 : U8(octets[d / 2]) & 0x0F;
    if (digit < 0x0F) address += QLatin1Char("0123456789*#abc"[digit]);
  }
  return address;
}

// Seven swapped semi-octets, the last the zone in quarter hours (its bit 3 the sign).
QDateTime ReadTime(Octets& in) {
  const QByteArray t = in.take(7);
  if (t.size() != 7) return {};
  int n[6];
  for (int i = 0; i < 6; ++i) {
    const int tens = U8(t[i]) & 0x0F;
    const int units = U8(t[i]) >> 4;
    if (tens > 9 || units > 9) return {};
    n[i] = tens * 10 + units;
  }
  const int zone = U8(t[6]);
  if (zone >> 4 > 9) return {};
  const int quarters = ((zone & 0x07) * 10 + (zone >> 4)) * (zone & 0x08 ? -1 : 1);
  // Short messages began in the 1990s.
  const QDate date(n[0] >= 90 ? 1900 + n[0] : 2000 + n[0], n[1], n[2]);
  const QTime time(n[3], n[4], n[5]);
  if (!date.isValid() || !time.isValid() || quarters < -48 || quarters > 56) return {};
  return QDateTime(date, time, Qt::OffsetFromUTC, quarters * 15 * 60);
}

// The concatenation elements: 8-bit reference (0x00) and 16-bit (0x08).
void ReadHeader(const QByteArray& header, DeliverPdu& out) {
  for (qsizetype i = 0; i + 1 < header.size(); i += 2 + U8(header[i + 1])) {
    const int id = U8(header[i]);
    const QByteArray data = header.mid(i + 2, U8(header[i + 1]));
    int reference = -1;
    if (id == 0x00 && data.size() == 3) reference = U8(data[0]);
    if (id == 0x08 && data.size() == 4) reference = U8(data[0]) << 8 | U8(data[1]);
    if (reference < 0) continue;
    const int total = U8(data[data.size() - 2]);
    const int sequence = U8(data[data.size() - 1]);
    if (sequence < 1 || sequence > total) continue;  // a broken element is as none
    out.reference = reference;
    out.total = total;
    out.sequence = sequence;
  }
}

QString Damaged() { return Translate("The message's data is damaged or cut short."); }

enum class Alphabet { Gsm7, Octets, Ucs2, Compressed, Unknown };

Alphabet AlphabetOf(int dcs) {
  if ((dcs & 0x80) == 0) {
    if (dcs & 0x20) return Alphabet::Compressed;
    constexpr Alphabet kCoded[] = {Alphabet::Gsm7, Alphabet::Octets, Alphabet::Ucs2, Alphabet::Unknown};
    return kCoded[dcs >> 2 & 3];
  }
  switch (dcs >> 4) {
    case 0xC:
    case 0xD:
      return Alphabet::Gsm7;  // message waiting indications with text
    case 0xE:
      return Alphabet::Ucs2;
    case 0xF:
      return dcs & 0x04 ? Alphabet::Octets : Alphabet::Gsm7;
    default:
      return Alphabet::Unknown;
  }
}

}  // namespace

std::optional<DeliverPdu> DecodeDeliver(const QByteArray& hex) {
  std::optional<Octets> in = Tpdu(hex);
  if (!in) return std::nullopt;
  const int first = in->next();
  if (in->broken() || (first & 0x03) != 0) return std::nullopt;
  DeliverPdu out;
  const auto damaged = [&out] {
    out.problem = Damaged();
    return out;
  };
  out.sender = ReadAddress(*in);
  in->next();  // protocol identifier
  const int dcs = in->next();
  out.sent = ReadTime(*in);
  const int length = in->next();
  const QByteArray ud = in->rest();
  if (in->broken()) return damaged();
  int headerOctets = 0;
  if (first & 0x40) {
    headerOctets = ud.isEmpty() ? 1 : 1 + U8(ud[0]);
    if (ud.size() < headerOctets) return damaged();
    ReadHeader(ud.mid(1, headerOctets - 1), out);
  }
  switch (AlphabetOf(dcs)) {
    case Alphabet::Gsm7: {
      const int skip = (headerOctets * 8 + 6) / 7;  // the header and its fill bits
      const std::optional<QString> text = length >= skip ? Gsm7Text(ud, skip, length - skip) : std::nullopt;
      if (!text) return damaged();
      out.text = *text;
      break;
    }
    case Alphabet::Ucs2:
      if (length > ud.size() || length < headerOctets || (length - headerOctets) % 2) return damaged();
      for (int k = headerOctets; k + 1 < length; k += 2)
        out.text += QChar(static_cast<char16_t>(U8(ud[k]) << 8 | U8(ud[k + 1])));
      break;
    case Alphabet::Octets:
      out.problem = Translate("The message holds binary data, not text.");
      break;
    case Alphabet::Compressed:
      out.problem = Translate("The message's text is compressed, which this program cannot read.");
      break;
    case Alphabet::Unknown:
      out.problem = FormatMessage(Translate("The message's data coding (0x%s) is unknown."),
                                  {QString::number(dcs, 16).rightJustified(2, QLatin1Char('0')).toUpper()});
      break;
  }
  return out;
}

std::optional<StatusReport> DecodeStatusReportPdu(const QByteArray& hex) {
  std::optional<Octets> in = Tpdu(hex);
  if (!in || (in->next() & 0x03) != 0x02) return std::nullopt;
  StatusReport report;
  report.reference = in->next();
  report.recipient = ReadAddress(*in);
  report.submitted = ReadTime(*in);
  report.delivered = ReadTime(*in);
  report.status = in->next();
  if (in->broken()) return std::nullopt;
  return report;
}

QString StatusMeaning(int status) {
  struct Entry {
    int status;
    const char* meaning;
  };
  static constexpr Entry kMeanings[] = {
      {0x00, N_("the message reached the recipient")},
      {0x01, N_("forwarded, delivery not confirmed")},
      {0x02, N_("replaced by the service centre")},
      {0x20, N_("congestion")},
      {0x21, N_("the recipient is busy")},
      {0x22, N_("no response from the recipient")},
      {0x23, N_("service rejected")},
      {0x24, N_("quality of service not available")},
      {0x25, N_("error in the recipient's phone")},
      {0x40, N_("remote procedure error")},
      {0x41, N_("incompatible destination")},
      {0x42, N_("connection rejected by the recipient")},
      {0x43, N_("not obtainable")},
      {0x44, N_("quality of service not available")},
      {0x45, N_("no interworking available")},
      {0x46, N_("validity period expired")},
      {0x47, N_("deleted by the sender")},
      {0x48, N_("deleted by the service centre")},
      {0x49, N_("the message does not exist")},
  };
  // 0x60-0x65: the temporary errors of 0x20-0x25, after which the service centre stopped trying.
  const bool gaveUp = status >= 0x60 && status <= 0x65;
  for (const Entry& e : kMeanings)
    if (e.status == (gaveUp ? status - 0x40 : status))
      return gaveUp ? FormatMessage(Translate("the service centre gave up: %s"), {Translate(e.meaning)})
                    : Translate(e.meaning);
  return FormatMessage(Translate("status 0x%s"),
                       {QString::number(status, 16).rightJustified(2, QLatin1Char('0')).toUpper()});
}

ModemInbox DecodeInbox(const std::vector<std::pair<int, QByteArray>>& stored) {
  struct Message {
    IncomingSms sms;
    int reference = -1;
    int total = 1;
    std::map<int, std::pair<int, DeliverPdu>> parts;  // by sequence: index, part
  };
  ModemInbox inbox;
  std::vector<Message> messages;
  const auto undecodable = [&](int index, const QByteArray& hex, const QString& problem) {
    Message m;
    m.sms.indexes = {index};
    m.sms.pdu = hex;
    m.sms.problem = problem;
    messages.push_back(m);
  };
  for (const auto& [index, hex] : stored) {
    const std::optional<Octets> tpdu = Tpdu(hex);
    const int type = tpdu ? Octets(*tpdu).next() & 0x03 : -1;
    if (type == 0x01) continue;  // a message stored to be sent, not one received
    if (type == 0x02) {
      std::optional<StatusReport> report = DecodeStatusReportPdu(hex);
      if (!report) {
        undecodable(index, hex, Damaged());
        continue;
      }
      report->index = index;
      inbox.reports.push_back(*report);
      continue;
    }
    const std::optional<DeliverPdu> pdu = type == 0x00 ? DecodeDeliver(hex) : std::nullopt;
    if (!pdu || !pdu->problem.isEmpty()) {
      undecodable(index, hex, pdu ? pdu->problem : Damaged());
      if (pdu) {
        messages.back().sms.sender = pdu->sender;
        messages.back().sms.sent = pdu->sent;
      }
      continue;
    }
    // A second part with the same place starts another message: two messages may share a reference.
    const auto same = [&](const Message& m) {
      return pdu->reference >= 0 && m.reference == pdu->reference && m.total == pdu->total &&
             m.sms.sender == pdu->sender && !m.parts.count(pdu->sequence);
    };
    auto it = std::find_if(messages.begin(), messages.end(), same);
    if (it == messages.end()) {
      messages.push_back({});
      it = messages.end() - 1;
      it->reference = pdu->reference;
      it->total = pdu->total;
      it->sms.sender = pdu->sender;
    }
    it->parts.emplace(pdu->sequence, std::pair(index, *pdu));
  }
  for (Message& m : messages) {
    QStringList missing;
    for (int sequence = 1; m.reference >= 0 && sequence <= m.total; ++sequence)
      if (!m.parts.count(sequence)) missing << QString::number(sequence);
    for (const auto& [sequence, part] : m.parts) {
      m.sms.indexes.push_back(part.first);
      m.sms.text += part.second.text;
      if (!m.sms.sent.isValid()) m.sms.sent = part.second.sent;
    }
    if (!missing.isEmpty())
      m.sms.problem = FormatMessage(Translate("Not every part arrived (missing: %s of %d); the text is what did."),
                                    {missing.join(QStringLiteral(", ")), QString::number(m.total)});
    inbox.messages.push_back(std::move(m.sms));
  }
  return inbox;
}

}  // namespace dtu
