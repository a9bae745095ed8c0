// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "sms/SmsComposer.h"
#include "support/TestSupport.h"

namespace dtu {
namespace {

TEST(SmsComposer, TrimFieldKeepsUnicodeSpaces) {
  const QString wide = QString(QChar(0xA0)) + "x" + QChar(0x3000);
  EXPECT_EQ(TrimField(wide), wide);
  EXPECT_EQ(TrimField(QString(QChar(0)) + "\t a b\r\n"), "a b");
}

TEST(SmsComposer, ComposesOrNamesTheFirstBlankField) {
  const QString ip = "192.0.2.15", dtu = "KQ-GP000001";
  // clang-format off
  const struct { SmsCommandInputs in; QString text; const char* blank; } rows[] = {
      {{0, 0, ip, "", 5000, 0, "", dtu}, "(A55A#1*192.0.2.15*5000#3*CMNET#4*KQ-GP000001)", nullptr},
      {{0, 1, "", "dtuhub", 6000, 3, "FIELDNET", dtu}, "(A55A#2*dtuhub*6000#3*FIELDNET#4*KQ-GP000001)", nullptr},
      {{1, -1, "", "", 0, -1, "", ""}, "(A55A#s)", nullptr},
      {{-1, 0, ip, "", 5000, 0, "", dtu}, "", nullptr},
      {{0, 0, " \t", "dtuhub", 5000, 0, "", ""}, "", kFieldStaticIp},  // the first blank field only
      {{0, 0, "\tServer 1\r\n", "", 1000, 3, " my apn\t", "\nKQ GP01 "}, "(A55A#1*Server 1*1000#3*my apn#4*KQ GP01)", nullptr},
      {{0, 0, ip, "", 5000, 3, "", dtu}, "", kFieldServiceNetwork},
      {{0, 0, ip, "", 5000, 1, "", dtu}, "(A55A#1*192.0.2.15*5000#3*CMWAP#4*KQ-GP000001)", nullptr},
      {{0, 0, ip, "", 5000, 2, "", dtu}, "(A55A#1*192.0.2.15*5000#3*UNINET#4*KQ-GP000001)", nullptr},
      {{0, 0, ip, "", 5000, -1, "FIELDNET", dtu}, "(A55A#1*192.0.2.15*5000#3*#4*KQ-GP000001)", nullptr},
      {{0, -1, ip, "", 5000, 0, "", dtu}, "", nullptr},
      {{0, -1, ip, "", 5000, 0, "", " "}, "", kFieldDtuNumber},
  };
  // clang-format on
  for (const auto& r : rows) {
    SCOPED_TRACE(&r - rows);
    const SmsComposition result = ComposeSmsCommand(r.in, AnsiCodec("UTF-8"));
    EXPECT_EQ(result.text, r.text);
    EXPECT_STREQ(result.blankField, r.blank);
  }
  const SmsCommandInputs chinese{0, 0, ip, "", 5000, 0, "", "KQ-" + QString(QChar(0x4E2D)) + "01"};
  EXPECT_EQ(ComposeSmsCommand(chinese, AnsiCodec("CP1252")).text, "(A55A#1*192.0.2.15*5000#3*CMNET#4*KQ-?01)");
}

}  // namespace
}  // namespace dtu
