// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QWidget>
#include <vector>

#include "MessagePresenter.h"
#include "sms/SmsComposer.h"

namespace dtu {
namespace {

struct RecordingPresenter : MessagePresenter {
  std::vector<BoxRequest> boxes;
  void show(const BoxRequest& request) override { boxes.push_back(request); }
};

class SmsPresenterTest : public ::testing::Test {
 protected:
  void SetUp() override { SetPresenter(&recorder); }
  void TearDown() override { SetPresenter(nullptr); }
  RecordingPresenter recorder;
};

// A valid configuration command in static-IP mode; cases change what they test.
SmsCommandInputs Base() {
  return {0, 0, "192.0.2.15", "", 5000, 0, "", "KQ-GP000001"};
}

template <typename F>
SmsCommandInputs With(F change) {
  SmsCommandInputs in = Base();
  change(in);
  return in;
}

TEST(SmsComposer, TrimFieldDropsOnlyCodeUnitsUpTo32) {
  const struct {
    QString in;
    QString out;
  } cases[] = {
      {"", ""},
      {" \t\r\n", ""},
      {QString(QChar(0x01)) + "abc" + QChar(0x1f), "abc"},
      {"  a b  ", "a b"},
      {"\t a\tb \n", "a\tb"},
      {QString(QChar(0x00a0)) + "x" + QChar(0x00a0), QString(QChar(0x00a0)) + "x" + QChar(0x00a0)},
      {QString(QChar(0x3000)), QString(QChar(0x3000))},
      {QString(QChar(0x7f)) + " ", QString(QChar(0x7f))},
      {QString(QChar(0)) + "!" + QChar(0x20), "!"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TrimField(c.in), c.out) << c.in.toStdString();
    EXPECT_EQ(IsBlankField(c.in), c.out.isEmpty()) << c.in.toStdString();
  }
}

TEST(SmsComposer, ComposesOrReportsFirstBlankField) {
  const QString nbsp(QChar(0x00a0));
  const struct {
    const char* name;
    SmsCommandInputs in;
    QString text;
    const char* blank;
  } cases[] = {
      {"static IP command, address trimmed", With([](auto& in) { in.staticIp = " 192.0.2.15  "; }),
       "(A55A#1*192.0.2.15*5000#3*CMNET#4*KQ-GP000001)", nullptr},
      {"domain command, other APN", {0, 1, "", "dtuhub", 6000, 3, "FIELDNET", "KQ-GP000001"},
       "(A55A#2*dtuhub*6000#3*FIELDNET#4*KQ-GP000001)", nullptr},
      {"running query ignores blank fields", {1, -1, "", "", 0, -1, "", ""}, "(A55A#s)", nullptr},
      {"running query ignores filled fields", With([](auto& in) { in.commandType = 1; }), "(A55A#s)", nullptr},
      {"no command type", {-1, 0, "", "", 5000, 3, "", ""}, "", nullptr},
      {"unknown command type", With([](auto& in) { in.commandType = 2; }), "", nullptr},
      {"static IP blank, domain filled",
       With([](auto& in) { in.staticIp = " \t"; in.domainAddress = "dtuhub"; }), "", kFieldStaticIp},
      {"static IP filled, domain blank", With([](auto& in) { in.domainAddress = ""; }),
       "(A55A#1*192.0.2.15*5000#3*CMNET#4*KQ-GP000001)", nullptr},
      {"domain blank, static IP filled", With([](auto& in) { in.serverMode = 1; }), "", kFieldDomainAddress},
      {"static IP and DTU number blank", With([](auto& in) { in.staticIp = ""; in.dtuNumber = " "; }), "",
       kFieldStaticIp},
      {"domain and other APN blank", With([](auto& in) { in.serverMode = 1; in.apnIndex = 3; }), "",
       kFieldDomainAddress},
      {"other APN and DTU number blank", With([](auto& in) { in.apnIndex = 3; in.dtuNumber = ""; }), "",
       kFieldServiceNetwork},
      {"DTU number blank", With([](auto& in) { in.dtuNumber = "\r\n"; }), "", kFieldDtuNumber},
      {"static IP is not parsed", With([](auto& in) { in.staticIp = "server"; }),
       "(A55A#1*server*5000#3*CMNET#4*KQ-GP000001)", nullptr},
      {"every value trimmed, inner spaces kept",
       {0, 1, "", "\t dtu hub\r\n", 1000, 3, " my apn\t", "\nKQ GP01 "}, "(A55A#2*dtu hub*1000#3*my apn#4*KQ GP01)",
       nullptr},
      {"case kept", {0, 1, "", "DtuHub", 5000, 3, "cmNet", "kq-gp000001"},
       "(A55A#2*DtuHub*5000#3*cmNet#4*kq-gp000001)", nullptr},
      {"APN 1 ignores blank other APN", With([](auto& in) { in.apnIndex = 1; }),
       "(A55A#1*192.0.2.15*5000#3*CMWAP#4*KQ-GP000001)", nullptr},
      {"APN 2 ignores blank other APN", With([](auto& in) { in.apnIndex = 2; }),
       "(A55A#1*192.0.2.15*5000#3*UNINET#4*KQ-GP000001)", nullptr},
      {"no APN selected", With([](auto& in) { in.apnIndex = -1; in.otherApn = "FIELDNET"; }),
       "(A55A#1*192.0.2.15*5000#3*#4*KQ-GP000001)", nullptr},
      {"port lower limit", With([](auto& in) { in.port = 1000; }),
       "(A55A#1*192.0.2.15*1000#3*CMNET#4*KQ-GP000001)", nullptr},
      {"port upper limit", With([](auto& in) { in.port = 99999; }),
       "(A55A#1*192.0.2.15*99999#3*CMNET#4*KQ-GP000001)", nullptr},
      {"no mode, passing checks", With([](auto& in) { in.serverMode = -1; in.staticIp = ""; }), "", nullptr},
      {"unknown mode, passing checks", With([](auto& in) { in.serverMode = 2; }), "", nullptr},
      {"no mode, other APN blank", With([](auto& in) { in.serverMode = -1; in.apnIndex = 3; }), "",
       kFieldServiceNetwork},
      {"no mode, DTU number blank", With([](auto& in) { in.serverMode = -1; in.dtuNumber = ""; }), "",
       kFieldDtuNumber},
      {"no-break space is content", With([&](auto& in) { in.dtuNumber = nbsp; }),
       "(A55A#1*192.0.2.15*5000#3*CMNET#4*" + nbsp + ")", nullptr},
  };
  const AnsiCodec utf8("UTF-8");
  for (const auto& c : cases) {
    const SmsComposition result = ComposeSmsCommand(c.in, utf8);
    EXPECT_EQ(result.text, c.text) << c.name;
    EXPECT_STREQ(result.blankField, c.blank) << c.name;
    EXPECT_EQ(result.hasBlankField(), c.blank != nullptr) << c.name;
  }
  EXPECT_EQ(ComposeSmsCommand(Base(), utf8).text.size(), 46);
}

TEST(SmsComposer, FieldValuesPassThroughTheCharset) {
  const QString zhong(QChar(0x4e2d));
  const QString e_acute(QChar(0x00e9));
  const struct {
    const char* charset;
    SmsCommandInputs in;
    QString text;
  } cases[] = {
      {"CP1252", With([&](auto& in) { in.dtuNumber = "KQ-" + zhong + "01"; }),
       "(A55A#1*192.0.2.15*5000#3*CMNET#4*KQ-?01)"},
      {"CP1252", {0, 1, "", "caf" + e_acute, 5000, 3, zhong + zhong, "KQ"}, "(A55A#2*caf" + e_acute + "*5000#3*??#4*KQ)"},
      {"UTF-8", With([&](auto& in) { in.dtuNumber = "KQ-" + zhong + "01"; }),
       "(A55A#1*192.0.2.15*5000#3*CMNET#4*KQ-" + zhong + "01)"},
      {"GBK", {0, 1, "", zhong, 5000, 3, zhong, zhong}, "(A55A#2*" + zhong + "*5000#3*" + zhong + "#4*" + zhong + ")"},
  };
  for (const auto& c : cases) EXPECT_EQ(ComposeSmsCommand(c.in, AnsiCodec(c.charset)).text, c.text) << c.charset;

  // Without an explicit codec the process-wide one applies.
  SetAnsiCharset("CP1252");
  const QString defaulted = ComposeSmsCommand(With([&](auto& in) { in.staticIp = zhong; })).text;
  SetAnsiCharset("UTF-8");
  EXPECT_EQ(defaulted, "(A55A#1*?*5000#3*CMNET#4*KQ-GP000001)");
}

TEST_F(SmsPresenterTest, InvalidFieldPromptNamesTheField) {
  QWidget window;
  const struct {
    const char* field;
    const char* text;
  } cases[] = {
      {kFieldStaticIp, "Please enter valid \"Static IP\""},
      {kFieldDomainAddress, "Please enter valid \"Domain address\""},
      {kFieldServiceNetwork, "Please enter valid \"Service network(APN)\""},
      {kFieldDtuNumber, "Please enter valid \"DTU number\""},
  };
  for (const auto& c : cases) {
    recorder.boxes.clear();
    ShowInvalidFieldPrompt(&window, c.field);
    ASSERT_EQ(recorder.boxes.size(), 1u) << c.text;
    const BoxRequest& box = recorder.boxes.front();
    EXPECT_EQ(box.owner, &window);
    EXPECT_EQ(box.caption, "Prompt");
    EXPECT_EQ(box.text, c.text);
    EXPECT_EQ(box.icon, BoxIcon::Information);
  }
}

TEST_F(SmsPresenterTest, GenerationShowsAtMostOneBox) {
  QWidget window;
  const AnsiCodec utf8("UTF-8");

  EXPECT_EQ(GenerateSmsCommand(&window, With([](auto& in) { in.staticIp = ""; in.dtuNumber = ""; }), utf8), "");
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].text, "Please enter valid \"Static IP\"");
  EXPECT_EQ(recorder.boxes[0].owner, &window);

  recorder.boxes.clear();
  EXPECT_EQ(GenerateSmsCommand(&window, Base(), utf8), "(A55A#1*192.0.2.15*5000#3*CMNET#4*KQ-GP000001)");
  EXPECT_EQ(GenerateSmsCommand(&window, With([](auto& in) { in.commandType = -1; }), utf8), "");
  EXPECT_EQ(GenerateSmsCommand(&window, With([](auto& in) { in.serverMode = -1; }), utf8), "");
  EXPECT_TRUE(recorder.boxes.empty());
}

}  // namespace
}  // namespace dtu
