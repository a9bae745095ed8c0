// SPDX-License-Identifier: MIT
// The values expected here were worked out by hand from the octets, not taken from the decoder.
#include <gtest/gtest.h>

#include "core/send/SmsPdu.h"
#include "support/TestSupport.h"

namespace dtu::testing {
namespace {

QString Iso(const QDateTime& t) { return t.isValid() ? t.toString(Qt::ISODate) : QString(); }

// "你好!😀" from 10086 (national, odd digit count), UCS-2 with a surrogate pair; 2026-12-07 10:00:00 +8 h.
constexpr char kUcs2[] = "000405810180F60008622170010000230A4F60597D0021D83DDE00";

TEST(SmsPdu, DecodesDeliverPartsAndSaysWhyOthersCannotBeRead) {
  const struct {
    const char* hex;
    const char* sender;
    const char* sent;
    QString text;
    int reference, total, sequence;
    bool problem;
  } cases[] = {
      // The widely published example: type C8, SCTS 99 30 92 51 61 95 80.
      {"07917283010010F5040BC87238880900F10000993092516195800AE8329BFD4697D9EC37", "27838890001",
       "1999-03-29T15:16:59+02:00", QStringLiteral("hellohello"), -1, 1, 1, false},
      {kUcs2, "10086", "2026-12-07T10:00:00+08:00", QStringLiteral("你好!😀"), -1, 1, 1, false},
      // Alphanumeric sender "Info": 7 semi-octets, type D0, packed 49 B7 F9 0D.
      {"000407D049B7F90D0000622170010000230AE8329BFD4697D9EC37", "Info", "2026-12-07T10:00:00+08:00",
       QStringLiteral("hellohello"), -1, 1, 1, false},
      // Part 2 of 2, 8-bit reference 0x11, GSM 7-bit after the 6-octet header and one fill bit: "{ok}" as
      // escape pairs 1B 28 and 1B 29.
      {"00440D91683108000000F10000622170010000230D05000311020236A8F77A9302", "+8613800000001",
       "2026-12-07T10:00:00+08:00", QStringLiteral("{ok}"), 0x11, 2, 2, false},
      // Part 1 of 3, 16-bit reference 0x1234, UCS-2 "运"; the zone 0A: minus 20 quarters.
      {"00400D91683108000000F100086221700100000A09060804123403018FD0", "+8613800000001", "2026-12-07T10:00:00-05:00",
       QStringLiteral("运"), 0x1234, 3, 1, false},
      // 8-bit data, and a UCS-2 text shorter than its length says: sender and time stay known.
      {"000405810180F600046221700100002302C0FF", "10086", "2026-12-07T10:00:00+08:00", {}, -1, 1, 1, true},
      {"000405810180F60008622170010000230A4F60597D", "10086", "2026-12-07T10:00:00+08:00", {}, -1, 1, 1, true},
  };
  for (const auto& c : cases) {
    const std::optional<DeliverPdu> d = DecodeDeliver(c.hex);
    ASSERT_TRUE(d) << c.hex;
    EXPECT_EQ(d->sender, QString::fromUtf8(c.sender)) << c.hex;
    EXPECT_EQ(Iso(d->sent), QString::fromLatin1(c.sent)) << c.hex;
    EXPECT_EQ(d->text, c.text) << c.hex;
    EXPECT_EQ(std::tuple(d->reference, d->total, d->sequence), std::tuple(c.reference, c.total, c.sequence)) << c.hex;
    EXPECT_EQ(!d->problem.isEmpty(), c.problem) << c.hex;
  }
  // No SMS-DELIVER: a status report, hex with a stray character, a service-centre part longer than the PDU.
  for (const char* hex : {"0006000B910221815716F2709021510121807090215101718000", "0004Z5", "0904"})
    EXPECT_FALSE(DecodeDeliver(hex)) << hex;
}

TEST(SmsPdu, DecodesStatusReports) {
  const struct {
    const char* hex;
    int reference;
    const char* recipient;
    const char* submitted;
    const char* delivered;
    int status;
  } cases[] = {
      // A published +CDS example (its service-centre part as the listing adds it): +20121875612 delivered.
      {"0006000B910221815716F2709021510121807090215101718000", 0, "+20121875612", "2007-09-12T15:10:12+02:00",
       "2007-09-12T15:10:17+02:00", 0x00},
      // With a service centre (+31626000230): reference 42, the validity period expired a day later.
      {"07911326060032F0062A0D91683108000000F2622170010000236221800100002346", 42, "+8613800000002",
       "2026-12-07T10:00:00+08:00", "2026-12-08T10:00:00+08:00", 0x46},
  };
  for (const auto& c : cases) {
    const std::optional<StatusReport> r = DecodeStatusReportPdu(c.hex);
    ASSERT_TRUE(r) << c.hex;
    EXPECT_EQ(r->reference, c.reference);
    EXPECT_EQ(r->recipient, QString::fromLatin1(c.recipient));
    EXPECT_EQ(Iso(r->submitted), QString::fromLatin1(c.submitted));
    EXPECT_EQ(Iso(r->delivered), QString::fromLatin1(c.delivered));
    EXPECT_EQ(r->status, c.status);
  }
  // Cut before its status; a DELIVER.
  EXPECT_FALSE(DecodeStatusReportPdu("0006000B910221815716F27090215101218070902151017180"));
  EXPECT_FALSE(DecodeStatusReportPdu(kUcs2));
  for (const auto& [status, meaning] :
       {std::pair(0x00, "the message reached the recipient"), std::pair(0x46, "validity period expired"),
        std::pair(0x62, "the service centre gave up: no response from the recipient"), std::pair(0x1F, "status 0x1F")})
    EXPECT_EQ(StatusMeaning(status), QString::fromLatin1(meaning));
}

// A set that misses a part is kept as what arrived; a part arriving twice starts a second message.
TEST(SmsPdu, KeepsIncompleteLongMessagesAndTwiceArrivedParts) {
  const QByteArray part2 = "00440D91683108000000F10000622170010000230D05000311020236A8F77A9302";
  const ModemInbox inbox = DecodeInbox({{3, part2}, {8, part2}});
  ASSERT_EQ(inbox.messages.size(), 2u);
  for (const IncomingSms& m : inbox.messages) {
    EXPECT_EQ(m.text, QStringLiteral("{ok}"));
    EXPECT_TRUE(m.problem.contains(QStringLiteral("missing: 1 of 2"))) << m.problem.toStdString();
  }
  EXPECT_EQ(inbox.messages[0].indexes, std::vector<int>{3});
  EXPECT_EQ(inbox.messages[1].indexes, std::vector<int>{8});
}

}  // namespace
}  // namespace dtu::testing
