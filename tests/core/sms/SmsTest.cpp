// SPDX-License-Identifier: MIT
// The command text, the check a phone would make of it, and the batch list
// (SIM numbers as the QR payload takes them).
#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "core/batch/BatchCompose.h"
#include "core/batch/BatchCsv.h"
#include "core/batch/BatchList.h"
#include "core/batch/BatchRecords.h"
#include "core/batch/BatchText.h"
#include "core/csv/Csv.h"
#include "core/sms/QrCaption.h"
#include "core/sms/QrCode.h"
#include "core/sms/QrCodeStream.h"
#include "core/sms/SimNumber.h"
#include "core/sms/SimNumberBook.h"
#include "core/sms/SmsAlphabet.h"
#include "core/sms/SmsCheck.h"
#include "core/sms/SmsComposer.h"
#include "support/TestSupport.h"

namespace dtu {
namespace {

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
      // Only white space and control characters are trimmed, not other Unicode spaces.
      {{0, 0, ip, "", 5000, 3, QChar(0xA0) + QString("x") + QChar(0x3000), dtu}, "(A55A#1*192.0.2.15*5000#3*\u00a0x\u3000#4*KQ-GP000001)", nullptr},
  };
  // clang-format on
  for (const auto& r : rows) {
    SCOPED_TRACE(&r - rows);
    const SmsComposition result = ComposeSmsCommand(r.in, testing::TestCodec());
    EXPECT_EQ(result.text, r.text);
    EXPECT_STREQ(result.blankField, r.blank);
  }
}

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
  in = {0, 1, "", "dtu#hub*", 6000, kApnOther, "cm(net)", "K1"};
  EXPECT_EQ(SmsCheckMessage("(A55A#2*dtu#hub**6000#3*cm(net)#4*K1)", in).text(),
            "37 characters, 1 SMS (GSM 7-bit) \"#\" in the server address: the DTU reads it as a separator. "
            "\"(\" in the APN: the DTU reads it as a separator.");
}

// The numbers remembered per DTU, and the caption of a saved code, cut only
// between groups.
TEST(QrCode, SimNumbersAndCaptionLines) {
  QStringList book;
  for (const char* dtu : {"A", "B", "C", "D", "b"}) book = RememberSimNumber(book, dtu, dtu + QString("1"), 3);
  book = RememberSimNumber(book, "d", "", 3);
  EXPECT_EQ(book.join(' ') + '|' + SimNumberFor(book, "B") + SimNumberFor(book, "A"), "b b1 C C1|b1");
  const QString sms = "(A55A#1*192.0.2.15*5000#3*CMNET#4*KQ-GP000777)";
  EXPECT_EQ(CaptionLines("KQ-GP000777 → +86", sms, [](const QString& line) { return line.size() <= 24; }).join('|'),
            "KQ-GP000777 → +86|(A55A#1*192.0.2.15*5000#|3*CMNET#4*KQ-GP000777)");
}

// Every code of both tables against its published value, and round trip;
// where long texts are cut is checked on the PDUs and the check's count.
TEST(SmsAlphabet, EncodesDecodesAndCutsParts) {
  for (int code = 0; code < 128; ++code) {
    if (code == kGsm7Escape) continue;
    const std::optional<char16_t> c = Gsm7Decode(static_cast<std::uint8_t>(code), false);
    ASSERT_TRUE(c) << code;
    const Gsm7Septets back = Gsm7Encode(*c);
    EXPECT_EQ(back.size == 1 ? back.codes[0] : -1, code);
  }
  // clang-format off
  const struct { char16_t c; std::vector<int> septets; } known[] = {
      {u'@', {0x00}}, {u'$', {0x02}}, {u'\n', {0x0A}}, {u'_', {0x11}}, {u'É', {0x1F}}, {u' ', {0x20}}, {u'¤', {0x24}},
      {u'¡', {0x40}}, {u'A', {0x41}}, {u'Ä', {0x5B}}, {u'§', {0x5F}}, {u'¿', {0x60}}, {u'à', {0x7F}},
      {u'\f', {0x1B, 0x0A}}, {u'^', {0x1B, 0x14}}, {u'{', {0x1B, 0x28}}, {u'\\', {0x1B, 0x2F}}, {u'[', {0x1B, 0x3C}},
      {u'|', {0x1B, 0x40}}, {u'€', {0x1B, 0x65}}, {u'`', {}}, {u'ç', {}}, {u'中', {}}, {0x1B, {}},
  };
  // clang-format on
  for (const auto& [c, septets] : known) {
    const Gsm7Septets encoded = Gsm7Encode(c);
    EXPECT_EQ(std::vector<int>(encoded.codes, encoded.codes + encoded.size), septets) << int(c);
    if (septets.size() == 2) {
      EXPECT_EQ(Gsm7Decode(static_cast<std::uint8_t>(septets[1]), true), c);
    }
  }
  EXPECT_FALSE(Gsm7Decode(0x41, true));  // a gap in the extension table
}

// One rule for every SIM number: the QR payload, the batch check, the modem
// and the gateway, and the sender of a reply.
TEST(SimNumber, NormalizesDialsAndMatches) {
  // "!" is a refused number.
  // clang-format off
  const struct { const char* text; const char* normalized; const char* dialable; } numbers[] = {
      {" +86 138-0013-8000", "+8613800138000", "+8613800138000"}, {" ", "", ""}, {"--+1", "!", ""},
      {"-", "!", ""}, {"+", "!", ""}, {"1+2", "!", ""}, {"138#1", "!", ""}, {"\t1", "!", ""},
      {"+1234567890-1234567890", "+12345678901234567890", "+12345678901234567890"},
      {"123456789012345678901", "!", ""}, {"\uff11\uff12", "!", ""}};
  // clang-format on
  for (const auto& [text, normalized, dialable] : numbers) {
    EXPECT_EQ(NormalizeSimNumber(text).value_or("!"), normalized) << text;
    EXPECT_EQ(DialableNumber(text), dialable) << text;
  }
  // clang-format off
  const struct { const char* a; const char* b; bool same; } pairs[] = {
      {"+8613800000000", "138-0000-0000", true}, {"1234567", "+86 1234567", true}, {"123456", "123456", false},
      {"13800000000", "13800000001", false},   {"", "", false},                 {"x1234567", "1234567", false}};
  // clang-format on
  for (const auto& [a, b, same] : pairs) EXPECT_EQ(SameSimNumber(a, b), same) << a << " " << b;
}

TEST(SmsCheck, FindsTheCommandsOwnCharacters) {
  const std::pair<const char*, const char*> cases[] = {{"KQ-GP01", ""}, {"", ""},   {"a#b*", "#"},       {"x)(", ")"},
                                                       {"*1", "*"},     {"(", "("}, {"\uff08\uff03", ""}};
  for (const auto& [text, found] : cases) EXPECT_EQ(CommandCharacterIn(text), found) << text;
}

const SmsCommandInputs kBase{0, 0, "192.0.2.15", "", 5000, 0, "", ""};

// "line:dtu/sim=state" for every row; state is the command's DTU group, or
// the problem's number. A refused text gives its message.
QString Summary(const QByteArray& bytes, const char* charset = "UTF-8") {
  const AnsiCodec codec = testing::TestCodec(charset);
  const Expected<QString> text = DecodeBatchBytes(bytes, codec);
  if (!text) return text.message();
  BatchList list = ParseBatchList(text.value());
  ComposeBatch(list, kBase, codec);
  QStringList out;
  if (list.hasHeader) out << QStringLiteral("header");
  for (const BatchRow& row : list.rows) {
    const QString state = row.ok() ? row.command.section(QLatin1Char('#'), 3) : QString::number(int(row.problem));
    out << QStringLiteral("%1:%2/%3=%4").arg(row.line).arg(row.dtuNumber, row.simNumber, state);
  }
  return out.join(QLatin1Char(' '));
}

TEST(BatchList, ParsesChecksAndComposesEveryRow) {
  // Blank lines, trimming, separators, both header rules, RFC 4180 quotes,
  // BOM and 8-bit charsets, refused bytes, row checks and an over-long line.
  // clang-format off
  const struct { QByteArray in; const char* charset; QString expected; } rows[] = {
      {"A1,\r\n\r\n  B2 ", "UTF-8", "1:A1/=4*A1) 3:B2/=4*B2)"},
      {"A1;138 0013-8000\nB2;+8613800138001", "UTF-8", "1:A1/138 0013-8000=4*A1) 2:B2/+8613800138001=4*B2)"},
      {"A1\t1380\tx,y\n", "UTF-8", "1:A1/1380=4*A1)"},
      {"dtu NUMBER,1\nA1,1", "UTF-8", "header 2:A1/1=4*A1)"},
      {"Kennung,Rufnummer\nA1,1", "UTF-8", "1:Kennung/Rufnummer=6 2:A1/1=4*A1)"},
      {"KQ1,1380000000O\nB2", "UTF-8", "1:KQ1/1380000000O=6 2:B2/=4*B2)"},
      {"DTU编号\nA1\n", "UTF-8", "header 2:A1/=4*A1)"}, {" ,sim\nA1\n", "UTF-8", "header 2:A1/=4*A1)"},
      {" ,SIM卡号\nA1\n", "UTF-8", "header 2:A1/=4*A1)"}, {" ,SIM卡號碼\nA1\n", "UTF-8", "header 2:A1/=4*A1)"},
      {"K#1*6.6.6.6,\nA1,1#2\nB2\nkq1\nKQ1\nb2\n", "UTF-8", "1:K#1*6.6.6.6/=8 2:A1/1#2=8 3:B2/=4*B2) 4:kq1/=4*kq1) 5:KQ1/=7 6:b2/=7"},
      {"\xE8\xAE\xBE\xE5\xA4\x87\nA\xC3\xA9\n", "ISO-8859-1", "1:\u8bbe\u5907/=9 2:A\u00e9/=4*A\u00e9)"},
      {"\"" + QByteArray(1200, 'x') + "\nB2,1\n\",1\nC3\n", "UTF-8", "1:/=1 4:C3/=4*C3)"},
      {"B,1\n\"A,1\",\"1 \"\"2\"\"\"\n", "UTF-8", "1:B/1=4*B) 2:A,1/1 \"2\"=12"},
      {"\"A\nB\",1\nC,2\n", "UTF-8", "1:A\nB/1=5 3:C/2=4*C)"},
      {"\"A1,1\nB2,2\n", "UTF-8", "1:A1,1\nB2,2/=2"},
      {"\xEF\xBB\xBF" "A\xC3\xA9,1\n", "UTF-8", "1:A\u00e9/1=4*A\u00e9)"},
      {"A\xE9,1\n", "ISO-8859-1", "1:A\u00e9/1=4*A\u00e9)"}, {"A\xE9,1\n", "UTF-8", "The file is not UTF-8 text."},
      {"\xEF\xBB\xBF" "A\xE9\n", "ISO-8859-1", "The file is neither UTF-8 nor ISO-8859-1 text."},
      {"\xFF\xFE" "A\0", "UTF-8", "UTF-16 text is not supported; save the list as UTF-8."},
      {QByteArray("A1\n\x01\x02", 5), "UTF-8", "This is not a text file."},
      {" ,1\nKQ-GP0000012,1\nC3,\uff11\uff12\nA1,1\nA1,2\n", "UTF-8", "1:/1=3 2:KQ-GP0000012/1=4 3:C3/\uff11\uff12=6 4:A1/1=4*A1) 5:A1/2=7"},
      {"A," + QByteArray(2'000'000, '1') + "\nB\n", "UTF-8", "1:A/=1 2:B/=4*B)"},
      // One SIM twice, however written; short numbers only when equal.
      {"KQ1,138 0000 0001\nKQ2,13800000001\nKQ3,+86 13800000001\nKQ4,10086\nKQ5,10086\nKQ6,+10086\n", "UTF-8",
       "1:KQ1/138 0000 0001=4*KQ1) 2:KQ2/13800000001=10 3:KQ3/+86 13800000001=10 4:KQ4/10086=4*KQ4) 5:KQ5/10086=10 "
       "6:KQ6/+10086=4*KQ6)"},
      {"KQ1\n\uff2b\uff31\uff11\nkq\u00b9\n", "UTF-8", "1:KQ1/=4*KQ1) 2:\uff2b\uff31\uff11/=7 3:kq\u00b9/=7"},
      {"\u00a0KQ9\u00a0,\u00a0138\u00a0\nK\u200bQ\nK\u202eQ\nK\u2028Q\nK\u0085Q\nK\U000E0041\n", "UTF-8",
       "1:KQ9/138=4*KQ9) 2:K\u200bQ/=11 3:K\u202eQ/=11 4:K\u2028Q/=11 5:K\u0085Q/=11 6:K\U000E0041/=11"},
      {"A\t1\nB,138000001\n;;;;\nC\t1;2\n", "UTF-8", "1:A/1=4*A) 2:B,138000001/=12 3:;;;;/=12 4:C/1;2=12"},
  };
  // clang-format on
  for (const auto& row : rows) EXPECT_EQ(Summary(row.in, row.charset), row.expected) << row.in.left(40).toStdString();
}

TEST(BatchList, RowLimitFileRefusalAndQuotedCsv) {
  QByteArray many;
  for (int i = 0; i < 100'000; ++i) many += "D" + QByteArray::number(i) + "\n";
  const BatchList capped = ParseBatchList(DecodeBatchBytes(many, testing::TestCodec()).value());
  EXPECT_EQ(capped.rows.size(), size_t(kBatchRowLimit));
  EXPECT_EQ(capped.truncatedAtLine, kBatchRowLimit + 1);

  QTemporaryDir dir;
  QFile huge(dir.filePath("huge.csv"));
  ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(100 * 1024 * 1024));
  // The message, and the system's cause after "|".
  const auto refusal = [](const QString& path) {
    const Expected<QString> text = ReadBatchFile(path, testing::TestCodec());
    return text ? QStringLiteral("read") : text.message() + '|' + text.failure().detail;
  };
  EXPECT_EQ(refusal(huge.fileName()), "The file is larger than 16 MB; a list is far smaller.|");
  EXPECT_EQ(refusal(dir.path()), "Cannot read the file: It is a folder.|It is a folder.");
  const QString missing = refusal(dir.filePath("missing.csv")), cause = missing.section('|', 1);
  EXPECT_TRUE(!cause.isEmpty() && missing == "Cannot read the file: " + cause + '|' + cause) << missing.toStdString();
#ifndef _WIN32
  ASSERT_EQ(::mkfifo(qPrintable(dir.filePath("fifo.csv")), 0600), 0);
  const std::jthread unblock =
      testing::UnblockFifoAfter(dir.filePath("fifo.csv").toStdString(), std::chrono::seconds(3));
  EXPECT_EQ(refusal(dir.filePath("fifo.csv")),
            "Cannot read the file: It is not a regular file.|It is not a regular file.");
#endif

  BatchList list = ParseBatchList("\"A\"\"1\",1\nB\n\nB\n=1+2,+8613800000000\n@A,+86 1\n-1,-2\n");
  ComposeBatch(list, kBase, testing::TestCodec());
  const QByteArray csv = BatchCsv(list, [](const QString& sms) { return QString::number(sms.size()); });
  EXPECT_EQ(csv,
            "DTU number,SIM number,SMS command,SMS check\r\n"
            "\"A\"\"1\",1,\"(A55A#1*192.0.2.15*5000#3*CMNET#4*A\"\"1)\",38\r\n"
            "B,,(A55A#1*192.0.2.15*5000#3*CMNET#4*B),36\r\n"
            "'=1+2,+8613800000000,(A55A#1*192.0.2.15*5000#3*CMNET#4*=1+2),39\r\n"
            "'@A,'+86 1,(A55A#1*192.0.2.15*5000#3*CMNET#4*@A),37\r\n"
            "-1,-2,(A55A#1*192.0.2.15*5000#3*CMNET#4*-1),37\r\n");
}

// The cell writer in both styles, read back as the send log reads its own
// file, and what the batch list's cases leave to the record reader: every
// line end, a quote inside a cell, one column, the limit without quotes.
TEST(Csv, WritesReadsBackAndSplitsRecords) {
  // clang-format off
  const struct { QString value; QString plain; QString sheet; } cells[] = {
      {"", "", ""}, {"a,b", "\"a,b\"", "\"a,b\""}, {"say \"hi\"", "\"say \"\"hi\"\"\"", "\"say \"\"hi\"\"\""},
      {"a\r\nb", "\"a\r\nb\"", "\"a\r\nb\""}, {" x", " x", "\" x\""}, {"x\t", "x\t", "\"x\t\""},
      {"=1+2", "=1+2", "'=1+2"}, {"@A", "@A", "'@A"}, {"\tA", "\tA", "'\tA"}, {"-", "-", "'-"},
      {"+86 1", "+86 1", "'+86 1"}, {"+8613800000000", "+8613800000000", "+8613800000000"}, {"-1", "-1", "-1"},
      {" \"q\",", "\" \"\"q\"\",\"", "\" \"\"q\"\",\""},
  };
  // clang-format on
  for (const auto& [value, plain, sheet] : cells) {
    EXPECT_EQ(CsvCell(value, CsvCellStyle::Plain), plain) << value.toStdString();
    EXPECT_EQ(CsvCell(value, CsvCellStyle::Spreadsheet), sheet) << value.toStdString();
    const QString line = CsvLine({value, "end"}, CsvCellStyle::Plain);
    EXPECT_EQ(CsvReader(line, u',').next().cells, QStringList({value, "end"})) << value.toStdString();
  }

  // "line-lastLine", "q" and the line of a quote never closed, "!" when too
  // long, then the cells.
  const auto records = [](const QString& text, QChar separator, qsizetype limit) {
    CsvReader reader(text, separator, limit);
    QStringList out;
    while (!reader.atEnd()) {
      const CsvRecord r = reader.next();
      out << QStringLiteral("%1-%2%3%4:%5")
                 .arg(r.line)
                 .arg(r.lastLine)
                 .arg(r.openQuote ? "q" + QString::number(r.openQuote) : QString(), QString(r.tooLong ? "!" : ""),
                      r.cells.join(u'|'));
    }
    return out.join(" ; ");
  };
  // clang-format off
  const struct { QString text; QChar separator; qsizetype limit; QString expected; } texts[] = {
      {"a,b\r\nc\n\rd", u',', 0, "1-1:a|b ; 2-2:c ; 3-3: ; 4-4:d"},
      {"  \"a\"\"b\" ,c\"d\"", u',', 0, "1-1:a\"b |c\"d\""},
      {"a,b;c", QChar(), 0, "1-1:a,b;c"},
      {"abcdef\nxy", u',', 5, "1-1!: ; 2-2:xy"},
      {"\"ab\ncd", u',', 4, "1-2q1!:"},
  };
  // clang-format on
  for (const auto& [text, separator, limit, expected] : texts)
    EXPECT_EQ(records(text, separator, limit), expected) << text.toStdString();
}

// The codes of many payloads come in payload order, more of them than wait encoded at once.
TEST(QrCodeStream, GivesEveryCodeInOrder) {
  std::vector<QString> payloads;
  for (int i = 0; i < 600; ++i) payloads.push_back(QString(i % 97 + 1, QLatin1Char('a' + i % 26)));
  QrCodeStream codes(payloads, 3);
  for (const QString& payload : payloads) ASSERT_EQ(codes.next().dark, EncodeQrCode(payload).dark);
  EXPECT_TRUE(codes.next().isEmpty());
}

}  // namespace
}  // namespace dtu
