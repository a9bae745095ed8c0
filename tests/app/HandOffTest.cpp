// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTimer>

#include "QrDecode.h"
#include "WindowFixture.h"
#include "app/QrCodeDialog.h"

namespace dtu::testing {
namespace {

class HandOffTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    // The remembered number must not reach the real user's settings.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("user"));
  }
  QString output() const { return edit("tntedt_SMSCommandFormat")->text(); }
  // Copy and QR code enabled (two digits), then the status text.
  QString state() const {
    const auto on = [this](const char* name) { return QString::number(button(name)->isEnabled()); };
    return on("tntbtn_Copy") + on("tntbtn_QrCode") + ' ' + find<QLabel>("tntstsbr_StatusPanel")->text();
  }
  // Presses "QR code..." and runs `check` on the modal dialog before closing it.
  template <typename F>
  void withDialog(F check) {
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (auto* dialog = qobject_cast<QrCodeDialog*>(QApplication::activeModalWidget())) {
        timer.stop();
        check(*dialog);
        dialog->accept();
      }
    });
    timer.start(10);
    button("tntbtn_QrCode")->click();
    EXPECT_FALSE(timer.isActive()) << "no dialog";
  }
};

TEST_F(HandOffTest, ButtonsFollowTheOutputAndNothingIsSaved) {
  start();
  EXPECT_EQ(button("tntbtn_Copy")->geometry(), QRect(278, 78, 75, 21));
  EXPECT_EQ(button("tntbtn_QrCode")->geometry(), QRect(356, 78, 119, 21));
  EXPECT_EQ(button("tntbtn_GenerationSMS")->nextInFocusChain(), button("tntbtn_Copy"));
  EXPECT_EQ(button("tntbtn_Copy")->nextInFocusChain(), button("tntbtn_QrCode"));
  EXPECT_EQ(state().left(2), "00");
  const QByteArray ini = iniBytes();
  button("tntbtn_GenerationSMS")->click();
  ASSERT_EQ(state(), "11 46 characters, 1 SMS (GSM 7-bit)");
  button("tntbtn_Copy")->click();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "(A55A#1*192.0.2.44*6000#3*CMNET#4*KQ-GP000001)");
  EXPECT_EQ(state(), "11 The SMS command was copied.");
  EXPECT_EQ(iniBytes(), ini);

  edit("tntedt_StaticIP")->setText("192.168.1.2");
  EXPECT_EQ(state(), "00 Fields changed: press Generation SMS again.");
  EXPECT_EQ(output(), "(A55A#1*192.0.2.44*6000#3*CMNET#4*KQ-GP000001)");  // stale, but kept
  button("tntbtn_GenerationSMS")->click();
  EXPECT_EQ(state(), "11 47 characters, 1 SMS (GSM 7-bit) Private address: a DTU on a mobile network cannot reach it.");
  edit("tntedt_DTUNumber")->clear();
  button("tntbtn_GenerationSMS")->click();  // a box and no output
  EXPECT_EQ(state().left(2), "00");
}

TEST_F(HandOffTest, DialogEncodesRemembersAndRefusesLetters) {
  start();
  button("tntbtn_GenerationSMS")->click();
  const QString sms = output();
  withDialog([&](QrCodeDialog& dialog) {
    EXPECT_TRUE(dialog.isModal() && dialog.parentWidget() == window.get());
    EXPECT_EQ(dialog.payload(), "SMSTO::" + sms);
    QTest::keyClicks(dialog.findChild<QLineEdit*>("qr_SimNumber"), "+86 138-0013-8000");
    EXPECT_EQ(dialog.payload(), "SMSTO:+8613800138000:" + sms);
    EXPECT_EQ(DecodeQrCodes(dialog.findChild<QWidget*>("qr_Code")->grab().toImage()), QStringList{dialog.payload()});
    EXPECT_EQ(dialog.findChild<QPlainTextEdit*>("qr_Payload")->toPlainText(), dialog.payload());
    QTest::keyClicks(dialog.findChild<QLineEdit*>("qr_SimNumber"), "x");
    EXPECT_NE(dialog.findChild<QLabel*>("qr_SimNumberError")->text(), "");
    EXPECT_EQ(dialog.payload(), "SMSTO:+8613800138000:" + sms);
  });
  withDialog([](QrCodeDialog& dialog) {
    EXPECT_EQ(dialog.findChild<QLineEdit*>("qr_SimNumber")->text(), "+86 138-0013-8000");
  });
  EXPECT_FALSE(iniBytes().contains("138"));
}

TEST_F(HandOffTest, SavesPngAndSvgOrShowsAnError) {
  QrCodeDialog dialog("(A55A#s)", nullptr, presenter);
  ASSERT_TRUE(dialog.saveImage(dir.filePath("code.png")) && dialog.saveImage(dir.filePath("code.SVG")));
  EXPECT_EQ(DecodeQrCodes(QImage(dir.filePath("code.png"))), QStringList{"SMSTO::(A55A#s)"});
  QFile svg(dir.filePath("code.SVG"));
  EXPECT_TRUE(svg.open(QIODevice::ReadOnly) && svg.readAll().contains("(A55A#s)</text>"));
  EXPECT_FALSE(dialog.saveImage(dir.filePath("missing/code.png")));
  ASSERT_EQ(presenter.boxes.size(), 1u);
  EXPECT_EQ(presenter.boxes[0].text, "The image could not be saved to " + dir.filePath("missing/code.png") + ".");
  QrCodeDialog tooLong(QString(3000, QLatin1Char('9')), nullptr, presenter);
  EXPECT_FALSE(tooLong.findChild<QPushButton*>("qr_SaveImage")->isEnabled());
}

}  // namespace
}  // namespace dtu::testing
