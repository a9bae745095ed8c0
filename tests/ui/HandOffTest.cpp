// SPDX-License-Identifier: MIT
// Handing the command over: copy, the QR dialog, and the batch command with
// its sheet of codes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <tuple>

#include "QrDecode.h"
#include "WindowFixture.h"
#include "cli/BatchCommand.h"
#include "cli/CommandLine.h"
#include "cli/ConsoleReporter.h"
#include "core/config/SettingsFields.h"
#include "core/i18n/Localizer.h"
#include "support/FakeProcess.h"
#include "ui/BatchDialog.h"
#include "ui/QrCodeDialog.h"

namespace dtu::testing {
namespace {

class HandOffTest : public WindowTest {
 protected:
  void SetUp() override {
    // The remembered number must not reach the real user's settings.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("user"));
  }
  QString output() const { return edit("tntedt_SMSCommandFormat")->text(); }
  // Copy and QR code enabled (two digits), then our note as a screen reader reads it.
  QString state() const {
    const auto on = [this](const char* name) { return QString::number(button(name)->isEnabled()); };
    return on("tntbtn_Copy") + on("tntbtn_QrCode") + ' ' + AccessibleName(find<QLabel>("tntlbl_Note"));
  }
};

const QString kTested = "With IP =192.0.2.44, port =70000 of server connection is failed!";
QStringList announced;  // the names the described status panel announced

// The described panel announces each text of the port test through Qt's AT-SPI bridge: the test runs itself
// again on an X server and a D-Bus session of its own, with the AT-SPI bus and registry started there.
TEST_F(HandOffTest, StatusPanelAnnouncesThePortTest) {
  if (qEnvironmentVariableIsEmpty("DTU_ATSPI_RUN")) {
    QProcess run;  // accessibility forced on, as when a screen reader runs
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start("xvfb-run",
              {"-a", "dbus-run-session", "--", "sh", "-c",
               "/usr/libexec/at-spi-bus-launcher & DTU_ATSPI_RUN=1 QT_QPA_PLATFORM=xcb "
               "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 exec \"$0\" --gtest_filter=*.StatusPanelAnnouncesThePortTest",
               QCoreApplication::applicationFilePath()});
    ASSERT_TRUE(run.waitForFinished(90000)) << "xvfb, dbus and at-spi2-core are needed";
    EXPECT_EQ(run.exitCode(), 0) << run.readAll().toStdString();
    return;
  }
  start();
  ASSERT_TRUE(QTest::qWaitFor([] { return QAccessible::isActive(); }, 10000));
  QAccessible::installUpdateHandler([](QAccessibleEvent* event) {
    if (event->type() == QAccessible::NameChanged && event->object()->objectName() == "tntstsbr_StatusPanel")
      announced << event->accessibleInterface()->text(QAccessible::Name);
  });
  portField()->setValue(70000);  // above 65535: the test fails without a connection
  button("tntbtn_TestServerPort")->click();
  QAccessible::installUpdateHandler(nullptr);
  EXPECT_EQ(announced,
            QStringList({"Are experimenting with IP =192.0.2.44, port =70000 of server connection...", kTested}));
}

TEST_F(HandOffTest, ButtonsFollowTheOutputAndNothingIsSaved) {
  start();
  portField()->setValue(70000);
  button("tntbtn_TestServerPort")->click();
  presenter.boxes.clear();
  EXPECT_EQ(state(), "00 ");
  const QByteArray ini = iniBytes();
  button("tntbtn_GenerationSMS")->click();
  ASSERT_EQ(state(), "11 47 characters, 1 SMS (GSM 7-bit)");
  button("tntbtn_Copy")->click();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "(A55A#1*192.0.2.44*70000#3*CMNET#4*KQ-GP000001)");
  EXPECT_EQ(state(), "11 The SMS command was copied.");
  EXPECT_EQ(iniBytes(), ini);

  edit("tntedt_StaticIP")->setText("192.168.1.2");
  EXPECT_EQ(state(), "00 Fields changed: press Generation SMS again.");
  EXPECT_EQ(output(), "(A55A#1*192.0.2.44*70000#3*CMNET#4*KQ-GP000001)");  // stale, but kept
  button("tntbtn_GenerationSMS")->click();
  EXPECT_EQ(state(), "11 48 characters, 1 SMS (GSM 7-bit) Private address: a DTU on a mobile network cannot reach it.");
  edit("tntedt_DTUNumber")->setText("K#1");  // composed as typed, with a warning
  button("tntbtn_GenerationSMS")->click();
  EXPECT_EQ(output() + state(),
            "(A55A#1*192.168.1.2*70000#3*CMNET#4*K#1)11 40 characters, 1 SMS (GSM 7-bit) \"#\" in the DTU number: "
            "the DTU reads it as a separator. Private address: a DTU on a mobile network cannot reach it.");
  edit("tntedt_DTUNumber")->setText("  ");
  button("tntbtn_GenerationSMS")->click();  // a box and no output, so no note about one
  EXPECT_EQ(state() + output(), "00 ");
  ASSERT_EQ(presenter.boxes.size(), 1u);
  const BoxRequest& box = presenter.boxes[0];
  EXPECT_EQ(std::tuple(box.owner, box.caption, box.text, box.icon),
            std::tuple(window.get(), "Prompt", "Please enter valid \"DTU number\"", BoxIcon::Information));
  EXPECT_EQ(find<QLabel>("tntstsbr_StatusPanel")->text(), kTested);  // our notes left it alone
}

// A note longer than its place: the lines shown fit, the last one elided, in the window's own font (drawn as
// a plain label of the window draws it); tool tip and screen readers have the whole text.
TEST_F(HandOffTest, NotesFitTheirPlaceInTheWindowsFontAndReadWhole) {
  start();
  edit("tntedt_StaticIP")->setText("192.168.1.2");
  edit("tntedt_DTUNumber")->setText("K#1(2)");
  button("tntbtn_GenerationSMS")->click();
  auto* note = find<QLabel>("tntlbl_Note");
  const QString whole = AccessibleName(note);
  ASSERT_TRUE(whole.contains("\"#\" in the DTU number") && whole.endsWith("Private address: a DTU on a mobile network "
                                                                          "cannot reach it."))
      << whole.toStdString();
  EXPECT_EQ(note->toolTip(), whole);
  const QStringList lines = note->text().split('\n');
  EXPECT_TRUE(lines.size() > 1 && lines.last().endsWith(QChar(0x2026))) << note->text().toStdString();
  const QFontMetrics metrics(window->font());
  EXPECT_LE(lines.size() * metrics.lineSpacing(), note->contentsRect().height());
  for (const QString& line : lines) EXPECT_LE(metrics.horizontalAdvance(line), note->contentsRect().width());
  EXPECT_TRUE(whole.startsWith(QString(note->text()).replace('\n', ' ').chopped(1)));
  QLabel plain(note->text(), note->parentWidget());
  plain.setGeometry(note->geometry());
  plain.setAlignment(note->alignment());
  EXPECT_EQ(plain.font(), window->font());
  EXPECT_TRUE(note->grab().toImage() == plain.grab().toImage()) << "drawn otherwise than in the window's font";
}

// The dialog the button opens, then dialogs made directly: the number in the
// code, a refused letter, the number remembered per DTU outside the settings
// file, PNG and SVG files and their names, a code too large for the screen, a
// failed save, a handler error under a damaged catalog.
TEST_F(HandOffTest, QrDialogEncodesRemembersAndSaves) {
  start();
  button("tntbtn_GenerationSMS")->click();
  const QString sms = output();
  QString opened;
  QTimer::singleShot(0, window.get(), [&] {
    if (auto* dialog = qobject_cast<QrCodeDialog*>(QApplication::activeModalWidget())) {
      opened = QString::number(dialog->parentWidget() == window.get()) + dialog->payload() + '|' +
               AccessibleName(dialog->findChild<QWidget*>("qr_Code"));
      dialog->reject();
    }
  });
  button("tntbtn_QrCode")->click();
  EXPECT_EQ(opened, "1SMSTO::" + sms + "|QR code for DTU KQ-GP000001");
  {
    QrCodeDialog dialog(sms, "KQ-GP000001", window.get(), presenter);
    QTest::keyClicks(dialog.findChild<QLineEdit*>("qr_SimNumber"), "+86 138-0013-8000");
    EXPECT_EQ(dialog.payload(), "SMSTO:+8613800138000:" + sms);
    EXPECT_EQ(DecodeQrCodes(dialog.findChild<QWidget*>("qr_Code")->grab().toImage()), QStringList{dialog.payload()});
    EXPECT_EQ(dialog.findChild<QPlainTextEdit*>("qr_Payload")->toPlainText(), dialog.payload());
    QTest::keyClicks(dialog.findChild<QLineEdit*>("qr_SimNumber"), "+");  // only a leading one
    EXPECT_NE(dialog.findChild<QLabel*>("qr_SimNumberError")->text(), "");
    EXPECT_EQ(dialog.payload(), "SMSTO:+8613800138000:" + sms);
  }
  EXPECT_FALSE(iniBytes().contains("138"));

  EXPECT_EQ(QrCodeDialog(sms, "KQ-GP000777", nullptr, presenter).findChild<QLineEdit*>("qr_SimNumber")->text(), "");
  QrCodeDialog dialog("(A55A#s)", " kq-gp000001", nullptr, presenter);
  EXPECT_EQ(dialog.findChild<QLineEdit*>("qr_SimNumber")->text() + '|' + dialog.windowTitle(),
            "+86 138-0013-8000|QR code for DTU kq-gp000001");
  ASSERT_TRUE(dialog.saveImage(dir.filePath("code.png")) && dialog.saveImage(dir.filePath("code.SVG")));
  EXPECT_EQ(DecodeQrCodes(QImage(dir.filePath("code.png"))), QStringList{"SMSTO:+8613800138000:(A55A#s)"});
  EXPECT_TRUE(ReadBytes(dir.filePath("code.SVG")).contains(">kq-gp000001 → +8613800138000</text>"));
  EXPECT_EQ(SuggestedImageName("KQ-GP000777") + SuggestedImageName("a/b:*?. ") + SuggestedImageName("con"),
            "KQ-GP000777.pnga_b___.png_con.png");
  // A 2,040-character domain: the dialog fits a 1024x768 screen, buttons and scanning code included.
  QrCodeDialog large("(A55A#2*" + QString(2040, 'd') + "*5000#3*CMNET#4*KQ-GP000777)", "KQ-GP000777", nullptr,
                     presenter);
  large.show();
  EXPECT_TRUE(large.width() <= 1024 && large.height() <= 690 &&
              large.rect().contains(large.findChild<QWidget*>("qr_Close")->geometry()))
      << large.width() << 'x' << large.height();
  EXPECT_EQ(DecodeQrCodes(large.findChild<QWidget*>("qr_Code")->grab().toImage()), QStringList{large.payload()});
  ASSERT_TRUE(large.saveImage(dir.filePath("large.svg")));  // the long group unbroken
  EXPECT_TRUE(ReadBytes(dir.filePath("large.svg")).contains(">2*" + QByteArray(2040, 'd') + "*5000#</text>"));
  EXPECT_FALSE(dialog.saveImage(dir.filePath("missing/code.png")));
  ASSERT_EQ(presenter.boxes.size(), 1u);
  // The file-write box of every added dialog: the error box with the path and the system's cause.
  EXPECT_EQ(std::tuple(presenter.boxes[0].caption, presenter.boxes[0].text, presenter.boxes[0].icon),
            std::tuple(QString::fromLatin1(kAppTitle),
                       "Cannot write the file: " + dir.filePath("missing/code.png") + ": No such file or directory.",
                       BoxIcon::Critical));
  QrCodeDialog tooLong(QString(3000, QLatin1Char('9')), "", nullptr, presenter);
  EXPECT_FALSE(tooLong.findChild<QPushButton*>("qr_SaveImage")->isEnabled());
  // A dialog's handler error ends in the error box, never in Qt's loop: a bad number under a damaged catalog.
  const QString damaged = dir.filePath("locale/xx/LC_MESSAGES/default.mo");
  ASSERT_TRUE(WriteBytes(damaged, "junk"));
  StartLocalizer(TestPlatform(), dir.filePath("dtusms"), 0);
  SetCurrentLanguage("xx");
  QTest::keyClicks(dialog.findChild<QLineEdit*>("qr_SimNumber"), "x");
  EXPECT_EQ(presenter.boxes.back().text, "This file is not a valid GNU gettext mo file: " + damaged + ".");
}

#ifndef _WIN32
// A FIFO as the per-user settings file would block QSettings' open for good: left unused, nothing remembered.
TEST_F(HandOffTest, QrDialogLeavesAFifoOfSettingsAlone) {
  const EnvGuard env{{"XDG_CONFIG_HOME", qPrintable(dir.filePath("config"))}};
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("config"));
  const QString file = dir.filePath("config/Unknown Organization/" + QCoreApplication::applicationName() + ".conf");
  ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()) && ::mkfifo(qPrintable(file), 0600) == 0);
  const std::jthread unblock = UnblockFifoAfter(file.toStdString(), std::chrono::seconds(3));
  const auto start = std::chrono::steady_clock::now();
  QrCodeDialog dialog("(A55A#s)", "", nullptr, presenter);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(dialog.payload(), "SMSTO::(A55A#s)");
}
#endif

// Enter presses the focused button, in the window and the added dialogs, and makes no button the window's
// default one; the dialogs close with Escape, their own buttons have mnemonics and the batch
// dialog's list and preview have names.
TEST_F(HandOffTest, KeyboardAndScreenReaderReachTheDialogs) {
  start();
  QrCodeDialog qr("(A55A#s)", "KQ-GP000001", window.get(), presenter);
  BatchDialog batch(SmsCommandInputs{}, TestCodec(), TestPlatform().files, window.get(), presenter);
  // "Send..." comes after the dialogs were built, as the window adds it.
  qr.enableSending(TestPlatform(), SmsCommandInputs{}, dir.filePath("sent.csv"));
  batch.enableSending(TestPlatform());
  QWidget* roots[] = {window.get(), &qr, &batch};
  for (QWidget* root : roots) {
    root->show();
    QStringList mnemonics;
    for (QPushButton* button : root->findChildren<QPushButton*>()) {
      button->disconnect();  // counts presses instead of running the handlers and the language menu
      button->setEnabled(true);
      QSignalSpy pressed(button, &QPushButton::clicked);
      QTest::keyClick(button, Qt::Key_Return);
      QTest::keyClick(button, Qt::Key_Enter, Qt::KeypadModifier);
      EXPECT_EQ(pressed.size(), 2) << button->objectName().toStdString();
      EXPECT_FALSE(root == window.get() && button->isDefault()) << button->objectName().toStdString();
      mnemonics << QKeySequence::mnemonic(button->text()).toString();
    }
    if (root == window.get()) continue;
    const QSet<QString> distinct(mnemonics.begin(), mnemonics.end());
    EXPECT_TRUE(distinct.size() == mnemonics.size() && !distinct.contains("")) << mnemonics.join(' ').toStdString();
    QTest::keyClick(root, Qt::Key_Escape);
    EXPECT_FALSE(root->isVisible());
  }
  EXPECT_EQ(AccessibleName(batch.findChild<QWidget*>("batch_List")) + '|' +
                AccessibleName(batch.findChild<QWidget*>("batch_Preview")),
            "DTU list|Preview");
}

const SmsCommandInputs kBase{0, 0, "203.0.113.7", "", 5000, 0, "", ""};

// A batch of `list` into the files given (an empty path: none).
BatchOptions Outputs(const QString& list, const QString& csv, const QString& pdf = {}) {
  BatchOptions options;
  options.list = list;
  if (!csv.isEmpty()) options.outputs["csv"] = csv;
  if (!pdf.isEmpty()) options.outputs["pdf"] = pdf;
  return options;
}

// `content` written as list.csv in `dir`.
QString WriteList(const QTemporaryDir& dir, const QByteArray& content) {
  return testing::WriteBytes(dir.filePath("list.csv"), content) ? dir.filePath("list.csv") : QString();
}

TEST(BatchCommand, ExitStatusAndErrorLines) {
  using enum ExitStatus;
  // clang-format off
  const struct { QByteArray list; SmsCommandInputs base; const char* csv; ExitStatus status; QString err; int outLines; } rows[] = {
      {"DTU number;SIM\nA1;138\nB2\n", kBase, "", kSuccess, "", 3},
      {"A1,\n\nA1\nB2,x1\n", kBase, "", kSomeRowsFailed, "dtusms: LIST:3: The DTU number \"A1\" is already on line 1.\ndtusms: LIST:4: The SIM number \"x1\" may hold only digits, a leading \"+\", blanks and \"-\".\n", 2},
      {"A1\n", {0, 0, "", "", 5000, 0, "", ""}, "", kUsageOrFileError, "dtusms: ZEREVuzi.ini: Please enter valid \"Static IP\"\n", 0},
      {"A1\n", {-1, 0, "203.0.113.7", "", 5000, 0, "", ""}, "", kUsageOrFileError, "dtusms: ZEREVuzi.ini: The fields give no SMS command: choose the command type and server mode.\n", 0},
      {"\n \n", kBase, "", kUsageOrFileError, "dtusms: LIST: The list holds no DTU number.\n", 0},
      {"A1\n", kBase, "missing/out.csv", kUsageOrFileError, "dtusms: OUT: Cannot write the file: No such file or directory\n", 0},
      {"A1\n\"B2\n\nC3\n", kBase, "", kSomeRowsFailed, "dtusms: LIST:2: The quote opened on line 2 is never closed; lines 2 to 4 were skipped.\n", 2},
      {"A1\n", kBase, "./list.csv", kUsageOrFileError, "dtusms: OUT: This is the list itself; an output never replaces it.\n", 0},
  };
  // clang-format on
  for (const auto& row : rows) {
    QTemporaryDir dir;
    const QString list = WriteList(dir, row.list),
                  csv = *row.csv ? dir.filePath(QString::fromLatin1(row.csv)) : QString();
    QByteArray out, err;
    EXPECT_EQ(RunBatch(Outputs(list, csv), row.base, TestCodec(), TestPlatform().files, out, err), row.status)
        << row.list.toStdString();
    QString lines = QString::fromLocal8Bit(err).replace(list, "LIST");
    EXPECT_EQ(csv.isEmpty() ? lines : lines.replace(csv, "OUT"), row.err);
    EXPECT_EQ(out.count("\r\n"), row.outLines);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"list.csv"});
  }
}

// No output replaces the list or the other output, through a link or a folder's "./" either; the dialog's
// export neither. The batch stops where the settings file cannot be read, unless told to use the defaults.
TEST(BatchCommand, OutputsNeverReplaceInputsAndSettingsMustBeThere) {
  QTemporaryDir dir;
  const QString list = WriteList(dir, "A1\n"), link = dir.filePath("link.csv");
  ASSERT_TRUE(QFile::link(list, link) && QDir(dir.path()).mkdir("ini") &&
              ::mkfifo(qPrintable(dir.filePath("fifo")), 0600) == 0);
  for (const auto& [csv, pdf, line] :
       {std::tuple{"", "link.csv", "link.csv: This is the list itself; an output never replaces it."},
        {"x.csv", "./X.csv", "./X.csv: --csv and --pdf name the same file."}}) {
    QByteArray out, err;
    EXPECT_EQ(RunBatch(Outputs(list, *csv ? dir.filePath(csv) : QString(), dir.filePath(pdf)), kBase, TestCodec(),
                       TestPlatform().files, out, err),
              ExitStatus::kUsageOrFileError)
        << pdf;
    EXPECT_EQ(QString::fromLocal8Bit(err), "dtusms: " + dir.filePath(line) + "\n");
  }
  // The program's own files: the executable, its settings (not there yet, in
  // another case) and the send log, the default one or the one given.
  ASSERT_TRUE(WriteBytes(dir.filePath("dtusms"),
                         "\x7f"
                         "ELF") &&
              WriteBytes(dir.filePath("my.log"), "time\n"));
  for (const auto& [csv, sendLog, refusal] : {std::tuple{"dtusms", "", "This is the program itself"},
                                              {"zerevuzi.INI", "", "This is the program's settings file"},
                                              {"list.csv.sent.csv", "", "This is the send log"},
                                              {"./my.log", "my.log", "This is the send log"}}) {
    BatchOptions options = Outputs(list, dir.filePath(csv));
    options.executable = dir.filePath("dtusms");
    options.settings = dir.filePath("ZEREVuzi.ini");
    if (*sendLog) options.send.log = dir.filePath(sendLog);
    QByteArray out, err;
    EXPECT_EQ(RunBatch(options, kBase, TestCodec(), TestPlatform().files, out, err), ExitStatus::kUsageOrFileError);
    EXPECT_TRUE(err.startsWith("dtusms: " + dir.filePath(csv).toLocal8Bit() + ": " + refusal)) << err.toStdString();
  }
  RecordingPresenter boxes;
  BatchDialog dialog(kBase, TestCodec(), TestPlatform().files, nullptr, boxes);
  dialog.protectProgramFiles(dir.filePath("dtusms"), dir.filePath("ZEREVuzi.ini"));
  EXPECT_TRUE(dialog.openList(list) && !dialog.exportAs("csv", link) && boxes.boxes.size() == 1);
  EXPECT_TRUE(!dialog.exportAs("pdf", dir.filePath("dtusms")) && !dialog.exportAs("csv", list + ".sent.csv") &&
              boxes.boxes.size() == 3);
  EXPECT_EQ(ReadBytes(list), "A1\n");
  EXPECT_EQ(ReadBytes(dir.filePath("dtusms")),
            "\x7f"
            "ELF");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).join(" "), "dtusms link.csv list.csv my.log");
  // A file that holds none of the command's fields would send the defaults, this computer's address included.
  const QByteArray utf16("\xFF\xFE[\0M\0a\0i\0n\0]\0\n\0P\0o\0r\0t\0=\0\x35\0\n\0", 26);
  const std::pair<const char*, QByteArray> inis[] = {{"empty.ini", ""},
                                                     {"other.ini", "[Other]\nPort=5000\n"},
                                                     {"utf16.ini", utf16},
                                                     {"language.ini", "[Main]\nnLanguageID=1\n"},
                                                     {"port.ini", "[Main]\r\nPort=5000\r\n"}};
  for (const auto& [name, bytes] : inis) ASSERT_TRUE(WriteBytes(dir.filePath(name), bytes));
  QStringList causes;
  for (const char* name :
       {"missing", "ini", "fifo", "list.csv", "empty.ini", "other.ini", "utf16.ini", "language.ini", "port.ini"})
    causes << CheckSettingsFile(dir.filePath(name), TestCodec(), TestPlatform().files).message();
  EXPECT_EQ(causes.join('|').section('|', 0, 1), "The file does not exist.|Is a directory");
  EXPECT_FALSE(causes[2].isEmpty());
  for (int i = 3; i < 8; ++i) EXPECT_EQ(causes[i], "The file holds none of the fields of the command.") << i;
  EXPECT_TRUE(causes[8].isEmpty()) << causes.join('|').toStdString();
  EXPECT_TRUE(ParseCommandLine({"dtusms", "--batch", "L", "--defaults"}).batchDefaults);
}

// A disk that fills under an output: every format fails with the system's
// cause and leaves no file, not even an empty one.
TEST(BatchCommand, AFullDiskFailsTheOutputAndLeavesNothing) {
  QTemporaryDir dir;
  const QString list = WriteList(dir, "A1\nA2\n");
  for (const char* format : {"csv", "pdf"}) {
    const QString path = dir.filePath(QStringLiteral("out.") + format);
    BatchOptions options = Outputs(list, {});
    options.outputs[format] = path;
    QByteArray out, err;
    ExitStatus status = ExitStatus::kSuccess;
    {
      const FileSizeLimit full(16);
      ASSERT_TRUE(full.set());
      status = RunBatch(options, kBase, TestCodec(), TestPlatform().files, out, err);
    }
    EXPECT_EQ(status, ExitStatus::kUsageOrFileError) << format;
    EXPECT_EQ(QString::fromLocal8Bit(err), "dtusms: " + path + ": Cannot write the file: File too large\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"list.csv"});
  }
}

// The sheet as a phone sees it: the first page printed at 150 dpi, read by zbar; a terminal
// watching standard error sees a page counter that is wiped at the end, a pipe nothing.
TEST(BatchCommand, SheetCodesDecodeToSmsLinks) {
  QTemporaryDir dir;
  QByteArray list = "DTU number,SIM number\n";
  // One SIM each: a list sends no two rows to one.
  for (int i = 1; i <= 13; ++i)
    list += "KQ-" + QByteArray::number(i) + (i % 2 ? ",+86 138-0013-80" + QByteArray::number(10 + i) + "\n" : "\n");
  QByteArray out, err, counter;
  const QString pdf = dir.filePath("out.pdf");
  FakeProcess terminal(true), pipe(false);
  EXPECT_FALSE(TerminalProgress(pipe, [](const QByteArray&) {}));
  ASSERT_EQ(
      RunBatch(Outputs(WriteList(dir, list), dir.filePath("out.csv"), pdf), kBase, TestCodec(), TestPlatform().files,
               out, err, TerminalProgress(terminal, [&](const QByteArray& bytes) { counter += bytes; })),
      ExitStatus::kSuccess)
      << err.toStdString();
  EXPECT_EQ(counter, "\rdtusms: Writing page 1 of 2\rdtusms: Writing page 2 of 2\r" + QByteArray(27, ' ') + '\r');
  EXPECT_TRUE(ReadBytes(dir.filePath("out.csv"))
                  .startsWith("\xEF\xBB\xBF"
                              "DTU number,"));  // a spreadsheet reads UTF-8
  // Codes kept as lossless 1-bit pictures, never as JPEG.
  EXPECT_TRUE(ReadBytes(pdf).contains("/BitsPerComponent 1") && !ReadBytes(pdf).contains("/DCTDecode"));
  QProcess render;
  render.start("pdftoppm", {"-r", "150", "-f", "1", "-l", "1", "-singlefile", "-png", pdf, dir.filePath("page")});
  ASSERT_TRUE(render.waitForFinished(30000) && render.exitCode() == 0) << "pdftoppm (poppler-utils) is needed";
  const QImage page(dir.filePath("page.png"));
  // A4 at 150 dpi; twelve codes on the first page, the thirteenth on the second.
  EXPECT_EQ(page.size(), QSize(1240, 1755));
  QStringList expected;
  for (int i = 1; i <= 12; ++i)
    expected << QString("SMSTO:%1:(A55A#1*203.0.113.7*5000#3*CMNET#4*KQ-%2)")
                    .arg(i % 2 ? "+86138001380" + QString::number(10 + i) : "")
                    .arg(i);
  expected.sort();
  EXPECT_EQ(dtu::testing::DecodeQrCodes(page), expected);
}

// Cancel in the progress of an export stops it: no file, no error box.
TEST(BatchCommand, CancelledExportLeavesNoFile) {
  QTemporaryDir dir;
  RecordingPresenter presenter;
  BatchDialog dialog(kBase, TestCodec(), TestPlatform().files, nullptr, presenter);
  ASSERT_TRUE(dialog.openList(WriteList(dir, "A1\nA2\nA3\nA4\nA5\nA6\nA7\nA8\nA9\nA10\nA11\nA12\nA13\n")));
  QTimer::singleShot(0, &dialog, [&] {
    if (auto* progress = dialog.findChild<QProgressDialog*>("batch_Progress")) progress->cancel();
  });
  EXPECT_FALSE(dialog.exportAs("pdf", dir.filePath("codes.pdf")));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{"list.csv"});
  EXPECT_TRUE(presenter.boxes.empty());
}

}  // namespace
}  // namespace dtu::testing
