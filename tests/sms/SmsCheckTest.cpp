// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QStringList>

#include "sms/QrCode.h"
#include "sms/SmsCheck.h"
#include "support/TestSupport.h"

namespace dtu {
namespace {

QString Times(int n, const char* piece) { return QString::fromUtf8(piece).repeated(n); }

// Characters, septets or code units, parts and encoding, as a phone counts them.
TEST(SmsCheck, CountsAsAPhoneDoes) {
  const std::pair<QString, const char*> cases[] = {
      {"", "0 0 0 gsm"},
      {Times(160, "a"), "160 160 1 gsm"},
      {Times(161, "a"), "161 161 2 gsm"},
      {Times(158, "a") + Times(1, "€"), "159 160 1 gsm"},
      {Times(159, "a") + "{", "160 161 2 gsm"},
      {Times(152, "a") + "[" + Times(152, "a"), "305 306 3 gsm"},  // an escape pair never straddles parts
      {Times(1, "@£$¥èéùìòÇØøÅåΔ_ΦΓΛΩΠΨΣΘΞÆæßÉ!¤¡ÄÖÑÜ§¿äöñüà^}\\~]|"), "49 55 1 gsm"},
      {Times(1, "(A55A#1*192.0.2.15*5000#3*CMNET#4*KQ-中000001)"), "45 45 1 ucs2"},
      {Times(71, "中"), "71 71 2 ucs2"},
      {Times(35, "😀"), "35 70 1 ucs2"},
      {Times(66, "a") + Times(1, "😀") + Times(66, "a") + Times(1, "😀"), "134 136 3 ucs2"},  // nor a surrogate pair
  };
  for (const auto& [text, expected] : cases) {
    const SmsCount n = CountSms(text);
    const char* encoding = n.encoding == SmsEncoding::Gsm7 ? "gsm" : "ucs2";
    EXPECT_EQ(QString("%1 %2 %3 %4").arg(n.characters).arg(n.units).arg(n.parts).arg(encoding), expected)
        << text.left(20).toStdString();
  }
}

TEST(SmsCheck, ClassifiesAddressesADtuCannotReach) {
  const std::pair<const char*, AddressClass> cases[] = {
      {"127.0.0.1 127.255.255.254 LocalHost", AddressClass::Loopback},
      {"10.0.0.1 172.16.0.1 172.31.255.255 192.168.0.1", AddressClass::Private},
      {"169.254.9.9", AddressClass::LinkLocal},
      {"100.64.0.1 100.127.255.255", AddressClass::SharedNat},
      // clang-format off
      {"172.15.0.1 172.32.0.1 192.169.0.1 169.253.9.9 100.63.255.255 100.128.0.1 203.0.113.5 dtuhub 10.0.0", AddressClass::Public},
      // clang-format on
  };
  for (const auto& [addresses, expected] : cases)
    for (const QString& a : QString(addresses).split(' '))
      EXPECT_EQ(ClassifyServerAddress(a), expected) << a.toStdString();
}

TEST(SmsCheck, LineCountsAndWarns) {
  SmsCommandInputs in{0, 0, " 192.168.1.2 ", "203.0.113.5", 6000, 0, "", "KQ-GP000001"};
  EXPECT_EQ(CommandServerAddress(in), "192.168.1.2");
  in.commandType = 1;
  EXPECT_EQ(CommandServerAddress(in), "");
  EXPECT_EQ(SmsCheckLine("(A55A#1*100.64.1.1*6000#3*CMNET#4*KQ-GP000001)", "100.64.1.1"),
            "46 characters, 1 SMS (GSM 7-bit) Carrier-NAT address: a DTU on a mobile network cannot reach it.");
  EXPECT_EQ(SmsCheckLine(Times(71, "中"), "dtuhub"),
            "71 characters, 2 SMS (UCS-2) Several parts: the DTU may not join them. UCS-2: the DTU may not read it.");
}

TEST(QrPayload, NumbersAndLinks) {
  EXPECT_EQ(NormalizeSimNumber(" +86 138-0013-8000"), "+8613800138000");
  EXPECT_EQ(NormalizeSimNumber(" - "), "");
  for (const char* bad : {"12a", "1+2", "+", "１２"}) EXPECT_FALSE(NormalizeSimNumber(QString::fromUtf8(bad))) << bad;
  EXPECT_TRUE(EncodeQrCode(QString(2400, QLatin1Char('9'))).isEmpty());  // beyond version 40 in byte mode
  EXPECT_EQ(EncodeQrCode("SMSTO::(A55A#s)").size, 25);                   // 15 bytes: version 2 at level M
}

}  // namespace
}  // namespace dtu
