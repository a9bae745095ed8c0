// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "sms/BatchList.h"

namespace dtu {
namespace {

const SmsCommandInputs kBase{0, 0, "192.0.2.15", "", 5000, 0, "", ""};

// "line:dtu/sim=state" for every row; state is the command's DTU group, or
// the problem's number.
QString Summary(const QByteArray& bytes, const char* charset = "UTF-8") {
  const BatchText text = DecodeBatchBytes(bytes, AnsiCodec(charset));
  if (text.error != BatchFileError::None) return QStringLiteral("error %1").arg(static_cast<int>(text.error));
  BatchList list = ParseBatchList(text.text);
  ComposeBatch(list, kBase);
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
      {"A1;138 0013-8000\nB2;+8613800138000", "UTF-8", "1:A1/138 0013-8000=4*A1) 2:B2/+8613800138000=4*B2)"},
      {"A1\t1380\tx,y\n", "UTF-8", "1:A1/1380=4*A1)"},
      {"dtu NUMBER,1\nA1,1", "UTF-8", "header 2:A1/1=4*A1)"},
      {"Kennung,Rufnummer\nA1,1", "UTF-8", "header 2:A1/1=4*A1)"},
      {"B,1\n\"A,1\",\"1 \"\"2\"\"\"\n", "UTF-8", "1:B/1=4*B) 2:A,1/1 \"2\"=6"},
      {"\"A\nB\",1\nC,2\n", "UTF-8", "1:A\nB/1=5 3:C/2=4*C)"},
      {"\"A1,1\nB2,2\n", "UTF-8", "1:A1,1\nB2,2/=2"},
      {"\xEF\xBB\xBF" "A\xC3\xA9,1\n", "UTF-8", "1:A\u00e9/1=4*A\u00e9)"},
      {"A\xE9,1\n", "CP1252", "1:A\u00e9/1=4*A\u00e9)"},
      {"\xB1\xE0\xBA\xC5\n", "GBK", "1:\u7f16\u53f7/=4*\u7f16\u53f7)"},
      {"A\xE9,1\n", "UTF-8", "error 5"},
      {"\xFF\xFE" "A\0", "UTF-8", "error 4"},
      {QByteArray("A1\n\x01\x02", 5), "UTF-8", "error 3"},
      {" ,1\nKQ-GP0000012,1\nC3,13a\nA1,1\nA1,2\n", "UTF-8", "1:/1=3 2:KQ-GP0000012/1=4 3:C3/13a=6 4:A1/1=4*A1) 5:A1/2=7"},
      {"A," + QByteArray(2'000'000, '1') + "\nB\n", "UTF-8", "1:A/=1 2:B/=4*B)"},
  };
  // clang-format on
  for (const auto& row : rows) EXPECT_EQ(Summary(row.in, row.charset), row.expected) << row.in.left(40).toStdString();
}

TEST(BatchList, RowLimitFileRefusalAndQuotedCsv) {
  QByteArray many;
  for (int i = 0; i < 100'000; ++i) many += "D" + QByteArray::number(i) + "\n";
  const BatchList capped = ParseBatchList(DecodeBatchBytes(many).text);
  EXPECT_EQ(capped.rows.size(), size_t(kBatchRowLimit));
  EXPECT_EQ(capped.truncatedAtLine, kBatchRowLimit + 1);

  QTemporaryDir dir;
  QFile huge(dir.filePath("huge.csv"));
  ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(100 * 1024 * 1024));
  EXPECT_EQ(ReadBatchFile(huge.fileName()).error, BatchFileError::TooLarge);
  EXPECT_EQ(ReadBatchFile(dir.filePath("missing.csv")).error, BatchFileError::CannotOpen);
  EXPECT_EQ(ReadBatchFile(dir.path()).error, BatchFileError::CannotOpen);

  BatchList list = ParseBatchList("\"A,1\",1\nB\n\nB\n");
  ComposeBatch(list, kBase);
  const QByteArray csv = BatchCsv(list, [](const QString& sms) { return QString::number(sms.size()); });
  EXPECT_EQ(csv,
            "DTU number,SIM number,SMS command,SMS check\r\n"
            "\"A,1\",1,\"(A55A#1*192.0.2.15*5000#3*CMNET#4*A,1)\",38\r\n"
            "B,,(A55A#1*192.0.2.15*5000#3*CMNET#4*B),36\r\n");
  QString error;
  EXPECT_TRUE(WriteFileAtomically(dir.filePath("out.csv"), csv, &error));
  EXPECT_TRUE(!WriteFileAtomically(dir.filePath("no/such/dir/out.csv"), csv, &error) && !error.isEmpty());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"huge.csv", "out.csv"}));
}

}  // namespace
}  // namespace dtu
