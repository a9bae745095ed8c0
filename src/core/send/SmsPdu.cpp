// SPDX-License-Identifier: MIT
#include "core/send/SmsPdu.h"

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

std::vector<SubmitPdu> EncodeSubmitPdus(const QString& number, const QString& text, std::uint8_t reference) {
  const bool gsm = SmsEncodingOf(text) == SmsEncoding::Gsm7;
  std::vector<qsizetype> starts = SmsPartStarts(text, gsm ? SmsEncoding::Gsm7 : SmsEncoding::Ucs2);
  if (starts.empty()) starts.push_back(0);  // the empty text still goes, as one empty message
  std::vector<QString> parts;
  for (std::size_t n = 0; n < starts.size(); ++n)
    parts.push_back(text.mid(starts[n], n + 1 < starts.size() ? starts[n + 1] - starts[n] : -1));

  std::vector<SubmitPdu> pdus;
  const bool concatenated = parts.size() > 1;
  for (std::size_t n = 0; n < parts.size(); ++n) {
    QByteArray hex = "00";                         // the SIM's own service centre
    AppendOctet(hex, concatenated ? 0x41 : 0x01);  // SMS-SUBMIT, header present when concatenated
    AppendOctet(hex, 0);                           // message reference: the modem's choice
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

bool DecodeDeliverPdu(const QByteArray& hex, DeliveredSms& out) {
  const QByteArray bytes = QByteArray::fromHex(hex);
  const auto at = [&](qsizetype i) { return i < bytes.size() ? static_cast<std::uint8_t>(bytes[i]) : -1; };
  qsizetype i = 1 + at(0);  // past the service centre
  const int first = at(i++);
  if (first < 0 || (first & 0x03) != 0) return false;  // not SMS-DELIVER
  const int digits = at(i++);
  const int type = at(i++);
  if (digits < 0 || type < 0) return false;
  QString sender = (type & 0x70) == 0x10 ? QStringLiteral("+") : QString();
  for (int d = 0; d < digits; ++d) {
    const int octet = at(i + d / 2);
    if (octet < 0) return false;
    const int v = d % 2 ? octet >> 4 : octet & 0x0F;
    if (v > 9) return false;  // alphanumeric senders are not SIM numbers
    sender += QChar(u'0' + v);
  }
  i += (digits + 1) / 2;
  const int dcs = (i += 1, at(i++));  // past the protocol identifier
  i += 7;                             // service centre time stamp
  const int length = at(i++);
  if (dcs < 0 || length < 0) return false;
  const QByteArray ud = bytes.mid(i);
  const int headerOctets = (first & 0x40) && !ud.isEmpty() ? 1 + static_cast<std::uint8_t>(ud[0]) : 0;
  QString text;
  if ((dcs & 0x0C) == 0x08) {
    for (qsizetype k = headerOctets; k + 1 < ud.size() && k + 1 < length; k += 2)
      text +=
          QChar(static_cast<char16_t>(static_cast<std::uint8_t>(ud[k]) << 8 | static_cast<std::uint8_t>(ud[k + 1])));
  } else if ((dcs & 0x0C) == 0x00) {
    bool escape = false;
    for (int s = (headerOctets * 8 + 6) / 7; s < length; ++s) {
      int value = 0;
      for (int b = 0; b < 7; ++b) {
        const qsizetype bit = static_cast<qsizetype>(s) * 7 + b;
        if (bit / 8 >= ud.size()) return false;
        value |= (static_cast<std::uint8_t>(ud[bit / 8]) >> (bit % 8) & 1) << b;
      }
      if (value == kGsm7Escape) {
        escape = true;
        continue;
      }
      if (const std::optional<char16_t> c = Gsm7Decode(static_cast<std::uint8_t>(value), escape)) text += QChar(*c);
      escape = false;
    }
  } else {
    return false;  // 8-bit data is no text
  }
  out = {sender, text};
  return true;
}

}  // namespace dtu
