// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "QrDecode.h"
#include "app/BatchCommand.h"

namespace dtu {
namespace {

const SmsCommandInputs kBase{0, 0, "203.0.113.7", "", 5000, 0, "", ""};

// `content` written as list.csv in `dir`.
QString WriteList(const QTemporaryDir& dir, const QByteArray& content) {
  QFile file(dir.filePath("list.csv"));
  return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() ? file.fileName() : QString();
}

TEST(BatchCommand, ExitStatusAndErrorLines) {
  // clang-format off
  const struct { QByteArray list; SmsCommandInputs base; const char* csv; int status; QString err; int outLines; } rows[] = {
      {"DTU number;SIM\nA1;138\nB2\n", kBase, "", 0, "", 3},
      {"A1,\n\nA1\nB2,x1\n", kBase, "", 1, "LIST:3: The DTU number \"A1\" is already on line 1.\nLIST:4: The SIM number \"x1\" may hold only digits, a leading \"+\", blanks and \"-\".\n", 2},
      {"A1\n", {0, 0, "", "", 5000, 0, "", ""}, "", 2, "ZEREVuzi.ini: Please enter valid \"Static IP\"\n", 0},
      {"A1\n", {-1, 0, "203.0.113.7", "", 5000, 0, "", ""}, "", 2, "ZEREVuzi.ini: The fields give no SMS command: choose the command type and server mode.\n", 0},
      {"\n \n", kBase, "", 2, "LIST: The list holds no DTU number.\n", 0},
      {"A1\n", kBase, "missing/out.csv", 2, "OUT: Cannot write the file: No such file or directory\n", 0},
  };
  // clang-format on
  for (const auto& row : rows) {
    QTemporaryDir dir;
    const QString list = WriteList(dir, row.list),
                  csv = *row.csv ? dir.filePath(QString::fromLatin1(row.csv)) : QString();
    QByteArray out, err;
    EXPECT_EQ(RunBatch({list, csv, {}}, row.base, out, err), row.status) << row.list.toStdString();
    QString lines = QString::fromLocal8Bit(err).replace(list, "LIST");
    EXPECT_EQ(csv.isEmpty() ? lines : lines.replace(csv, "OUT"), row.err);
    EXPECT_EQ(out.count("\r\n"), row.outLines);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"list.csv"});
  }
}

// The sheet as a phone sees it: the first page printed at 150 dpi, read by zbar.
TEST(BatchCommand, SheetCodesDecodeToSmsLinks) {
  QTemporaryDir dir;
  QByteArray list = "DTU number,SIM number\n";
  for (int i = 1; i <= 13; ++i) list += "KQ-" + QByteArray::number(i) + (i % 2 ? ",+86 138-0013-8000\n" : "\n");
  QByteArray out, err;
  const QString pdf = dir.filePath("out.pdf");
  ASSERT_EQ(RunBatch({WriteList(dir, list), dir.filePath("out.csv"), pdf}, kBase, out, err), 0) << err.toStdString();
  QProcess render;
  render.start("pdftoppm", {"-r", "150", "-f", "1", "-l", "1", "-singlefile", "-png", pdf, dir.filePath("page")});
  ASSERT_TRUE(render.waitForFinished(30000) && render.exitCode() == 0) << "pdftoppm (poppler-utils) is needed";
  const QImage page(dir.filePath("page.png"));
  // A4 at 150 dpi; twelve codes on the first page, the thirteenth on the second.
  EXPECT_EQ(page.size(), QSize(1240, 1755));
  QStringList expected;
  for (int i = 1; i <= 12; ++i)
    expected << QString("SMSTO:%1:(A55A#1*203.0.113.7*5000#3*CMNET#4*KQ-%2)").arg(i % 2 ? "+8613800138000" : "").arg(i);
  expected.sort();
  EXPECT_EQ(dtu::testing::DecodeQrCodes(page), expected);
}

// The program itself, away from any display, leaves no settings file behind.
TEST(BatchCommand, ProgramNeedsNoDisplayAndWritesNoSettings) {
  QTemporaryDir dir;
  const QString exe = dir.filePath("dtusms"), list = WriteList(dir, "A1,+8613800138000\nA1\n");
  ASSERT_TRUE(QFile::copy(QStringLiteral(DTU_APP_EXECUTABLE), exe));
  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
  program.setProcessEnvironment(env);
  program.start(exe, {"--batch", list, "--pdf", dir.filePath("out.pdf")});
  ASSERT_TRUE(program.waitForFinished(30000) && program.exitStatus() == QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 1);
  EXPECT_EQ(program.readAllStandardError(), list.toLocal8Bit() + ":2: The DTU number \"A1\" is already on line 1.\n");
  EXPECT_TRUE(program.readAllStandardOutput().startsWith("DTU number,SIM number,SMS command,SMS check\r\nA1,"));
  // The PDF, and no ZEREVuzi.ini.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"dtusms", "list.csv", "out.pdf"}));
  program.start(exe, {"--csv", dir.filePath("out.csv")});  // a usage error needs no display either
  ASSERT_TRUE(program.waitForFinished(30000) && program.exitStatus() == QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 2);
}

}  // namespace
}  // namespace dtu
