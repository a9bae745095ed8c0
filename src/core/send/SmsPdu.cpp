// SPDX-License-Identifier: MIT
#include "core/send/SmsPdu.h"

#include <string_view>

#include "core/sms/SmsCheck.h"

namespace dtu {

namespace {

// GSM 03.38: the basic table in code order (0x1B, the escape, is left out)
// and the extension characters with their codes after the escape.
constexpr std::u16string_view kBasic =
    u"@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞÆæßÉ !\"#¤%&'()*+,-./0123456789:;<=>?"
    u"¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§¿abcdefghijklmnopqrstuvwxyzäöñüà";
constexpr std::u16string_view kExtension = u"\f^{}\\[~]|€";
constexpr std::uint8_t kExtensionCodes[] = {0x0A, 0x14, 0x28, 0x29, 0x2F, 0x3C, 0x3D, 0x3E, 0x40, 0x65};
constexpr std::uint8_t kEscape = 0x1B;

constexpr int kGsmSingle = 160, kGsmPart = 153, kUcs2Single = 70, kUcs2Part = 67;

// The septets of one character, empty when it is outside the alphabet.
std::vector<std::uint8_t> Septets(char16_t c) {
  if (const auto i = kBasic.find(c); i != std::u16string_view::npos)
    return {static_cast<std::uint8_t>(i < kEscape ? i : i + 1)};
  if (const auto i = kExtension.find(c); i != std::u16string_view::npos) return {kEscape, kExtensionCodes[i]};
  return {};
}

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

struct Part {
  std::vector<std::uint8_t> septets;  // GSM
  QString units;                      // UCS-2
};

}  // namespace

bool FitsTextMode(const QString& text) {
  const SmsCount count = CountSms(text);
  if (count.encoding != SmsEncoding::Gsm7 || count.parts > 1) return false;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    const bool same = (u >= 0x20 && u < 0x7F && u != '@' && u != '$' && u != '_' && Septets(u).size() == 1 &&
                       Septets(u)[0] == u) ||
                      u == '\n' || u == '\r';
    if (!same) return false;
  }
  return true;
}

QString DialableNumber(const QString& simNumber) {
  QString out;
  for (qsizetype i = 0; i < simNumber.size(); ++i) {
    const QChar c = simNumber.at(i);
    // '+' only as the first mark: "--+1" is a typo, not an international number.
    if (c == QLatin1Char('+') && simNumber.left(i).trimmed().isEmpty()) {
      out += c;
    } else if (c.isDigit() && c.unicode() < 0x80) {
      out += c;
    } else if (c != QLatin1Char(' ') && c != QLatin1Char('-')) {
      return {};
    }
  }
  const qsizetype digits = out.size() - (out.startsWith(QLatin1Char('+')) ? 1 : 0);
  return digits >= 1 && digits <= 20 ? out : QString();
}

std::vector<SubmitPdu> EncodeSubmitPdus(const QString& number, const QString& text, std::uint8_t reference) {
  const bool gsm = CountSms(text).encoding == SmsEncoding::Gsm7;
  std::vector<Part> parts(1);
  if (gsm) {
    std::vector<std::uint8_t> all;
    std::vector<std::size_t> cuts;  // where a character starts
    for (const QChar c : text) {
      cuts.push_back(all.size());
      for (const std::uint8_t s : Septets(c.unicode())) all.push_back(s);
    }
    if (static_cast<int>(all.size()) <= kGsmSingle) {
      parts[0].septets = all;
    } else {
      parts.clear();
      std::size_t start = 0;
      for (std::size_t i = 0; i <= cuts.size(); ++i) {
        const std::size_t end = i < cuts.size() ? cuts[i] : all.size();
        const std::size_t next = i + 1 < cuts.size() ? cuts[i + 1] : all.size();
        if (i == cuts.size() || next - start > static_cast<std::size_t>(kGsmPart)) {
          if (end > start) parts.push_back({{all.begin() + static_cast<long>(start), all.begin() + static_cast<long>(end)}, {}});
          start = end;
        }
      }
    }
  } else if (text.size() <= kUcs2Single) {
    parts[0].units = text;
  } else {
    parts.clear();
    QString current;
    for (qsizetype i = 0; i < text.size();) {
      const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
      const qsizetype step = pair ? 2 : 1;
      if (current.size() + step > kUcs2Part) {
        parts.push_back({{}, current});
        current.clear();
      }
      current += text.mid(i, step);
      i += step;
    }
    parts.push_back({{}, current});
  }

  std::vector<SubmitPdu> pdus;
  const bool concatenated = parts.size() > 1;
  for (std::size_t n = 0; n < parts.size(); ++n) {
    QByteArray hex = "00";  // the SIM's own service centre
    AppendOctet(hex, concatenated ? 0x41 : 0x01);  // SMS-SUBMIT, header present when concatenated
    AppendOctet(hex, 0);                           // message reference: the modem's choice
    AppendAddress(hex, number);
    AppendOctet(hex, 0);                // protocol identifier
    AppendOctet(hex, gsm ? 0x00 : 0x08);
    QByteArray header;
    if (concatenated)
      header = QByteArray::fromHex("050003") + QByteArray(1, static_cast<char>(reference)) +
               QByteArray(1, static_cast<char>(parts.size())) + QByteArray(1, static_cast<char>(n + 1));
    QByteArray data;
    int length = 0;
    if (gsm) {
      const int headerSeptets = (static_cast<int>(header.size()) * 8 + 6) / 7;
      data = PackSeptets(parts[n].septets, headerSeptets * 7);
      data.replace(0, header.size(), header);
      length = headerSeptets + static_cast<int>(parts[n].septets.size());
    } else {
      data = header;
      for (const QChar c : parts[n].units) data += static_cast<char>(c.unicode() >> 8), data += static_cast<char>(c.unicode() & 0xFF);
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
      text += QChar(static_cast<char16_t>(static_cast<std::uint8_t>(ud[k]) << 8 | static_cast<std::uint8_t>(ud[k + 1])));
  } else if ((dcs & 0x0C) == 0x00) {
    bool escape = false;
    for (int s = (headerOctets * 8 + 6) / 7; s < length; ++s) {
      int value = 0;
      for (int b = 0; b < 7; ++b) {
        const qsizetype bit = static_cast<qsizetype>(s) * 7 + b;
        if (bit / 8 >= ud.size()) return false;
        value |= (static_cast<std::uint8_t>(ud[bit / 8]) >> (bit % 8) & 1) << b;
      }
      if (value == kEscape) {
        escape = true;
        continue;
      }
      if (escape) {
        for (std::size_t e = 0; e < std::size(kExtensionCodes); ++e)
          if (kExtensionCodes[e] == value) text += QChar(kExtension[e]);
        escape = false;
      } else {
        text += QChar(kBasic[static_cast<std::size_t>(value < kEscape ? value : value - 1)]);
      }
    }
  } else {
    return false;  // 8-bit data is no text
  }
  out = {sender, text};
  return true;
}

}  // namespace dtu
