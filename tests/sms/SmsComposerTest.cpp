// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "sms/SmsComposer.h"
#include "support/TestSupport.h"

namespace dtu {
namespace {

// A valid static-IP configuration command with one change applied.
template <typename F>
SmsCommandInputs With(F change) {
  SmsCommandInputs in{0, 0, "192.0.2.15", "", 5000, 0, "", "KQ-GP000001"};
  change(in);
  return in;
}

TEST(SmsComposer, TrimFieldKeepsUnicodeSpaces) {
  const QString wide = QString(QChar(0xA0)) + "x" + QChar(0x3000);
  EXPECT_EQ(TrimField(wide), wide);
  EXPECT_EQ(TrimField(QString(QChar(0)) + "\t a b\r\n"), "a b");
}

TEST(SmsComposer, ComposesOrNamesTheFirstBlankField) {
  const struct {
    SmsCommandInputs in;
    QString text;
    const char* blank;
  } rows[] = {
      {With([](auto&) {}), "(A55A#1*192.0.2.15*5000#3*CMNET#4*KQ-GP000001)", nullptr},
      {{0, 1, "", "dtuhub", 6000, 3, "FIELDNET", "KQ-GP000001"},
       "(A55A#2*dtuhub*6000#3*FIELDNET#4*KQ-GP000001)",
       nullptr},
      {{1, -1, "", "", 0, -1, "", ""}, "(A55A#s)", nullptr},
      {With([](auto& in) { in.commandType = -1; }), "", nullptr},
      {With([](auto& in) {
         in.staticIp = " \t";
         in.domainAddress = "dtuhub";
         in.dtuNumber = "";
       }),
       "", kFieldStaticIp},
      {{0, 0, "\tServer 1\r\n", "", 1000, 3, " my apn\t", "\nKQ GP01 "},
       "(A55A#1*Server 1*1000#3*my apn#4*KQ GP01)",
       nullptr},
      {With([](auto& in) { in.apnIndex = 3; }), "", kFieldServiceNetwork},
      {With([](auto& in) { in.apnIndex = 1; }), "(A55A#1*192.0.2.15*5000#3*CMWAP#4*KQ-GP000001)", nullptr},
      {With([](auto& in) { in.apnIndex = 2; }), "(A55A#1*192.0.2.15*5000#3*UNINET#4*KQ-GP000001)", nullptr},
      {With([](auto& in) {
         in.apnIndex = -1;
         in.otherApn = "FIELDNET";
       }),
       "(A55A#1*192.0.2.15*5000#3*#4*KQ-GP000001)", nullptr},
      {With([](auto& in) { in.serverMode = -1; }), "", nullptr},
      {With([](auto& in) {
         in.serverMode = -1;
         in.dtuNumber = " ";
       }),
       "", kFieldDtuNumber},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(&r - rows);
    const SmsComposition result = ComposeSmsCommand(r.in, AnsiCodec("UTF-8"));
    EXPECT_EQ(result.text, r.text);
    EXPECT_STREQ(result.blankField, r.blank);
  }
  EXPECT_EQ(ComposeSmsCommand(With([](auto&) {}), AnsiCodec("UTF-8")).text.size(), 46);
  const SmsCommandInputs chinese = With([](auto& in) { in.dtuNumber = "KQ-" + QString(QChar(0x4E2D)) + "01"; });
  EXPECT_EQ(ComposeSmsCommand(chinese, AnsiCodec("CP1252")).text, "(A55A#1*192.0.2.15*5000#3*CMNET#4*KQ-?01)");
}

}  // namespace
}  // namespace dtu
