// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QWidget>
#include <memory>

#include "I18nTestSupport.h"
#include "i18n/LanguageSelection.h"
#include "i18n/Localizer.h"
#include "i18n/WindowTranslator.h"

namespace dtu {
namespace {

using namespace dtu::testing;

// A window shaped like the main one: every kind of text it has, plus the
// controls that must never be touched.
struct TestWindow {
  std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
  QGroupBox* group = new QGroupBox(QStringLiteral("Network configuration"), window.get());
  QLabel* label = new QLabel(QStringLiteral("Port"), group);
  QLabel* blank = new QLabel(QString(), group);
  QPushButton* language = new QPushButton(QStringLiteral(" Language"), window.get());
  QMenu* menu = new QMenu(window.get());
  QComboBox* mode = new QComboBox(group);
  QComboBox* apn = new QComboBox(window.get());
  QLineEdit* edit = new QLineEdit(group);
  QSpinBox* spin = new QSpinBox(group);
  QStatusBar* status = new QStatusBar(window.get());
  std::vector<QAction*> items;

  TestWindow() {
    window->setWindowTitle(QStringLiteral("ZU-3RIVE VID idoverivirora dave"));
    for (const char* text : {"Automatic", "English", "Simplified Chinese", "Traditional Chinese"}) {
      items.push_back(menu->addAction(QLatin1String(text)));
      items.back()->setCheckable(true);
    }
    language->setMenu(menu);
    language->setToolTip(QStringLiteral("Close"));
    mode->addItems({QStringLiteral("Static IP"), QStringLiteral("Domain resolution")});
    mode->setItemData(1, 42);
    mode->setCurrentIndex(1);
    apn->addItems({QStringLiteral("CMNET(China Mobile)"), QString(), QStringLiteral("Other")});
    spin->setRange(0, 99999);
    spin->setValue(6000);
  }

  QStringList Texts() const {
    QStringList texts{window->windowTitle(), group->title(), label->text(), blank->text(), language->text(),
                      language->toolTip()};
    for (QAction* a : items) texts << a->text();
    for (QComboBox* c : {mode, apn})
      for (int i = 0; i < c->count(); ++i) texts << c->itemText(i);
    return texts;
  }
};

QStringList English() {
  return {"ZU-3RIVE VID idoverivirora dave", "Network configuration", "Port", "", " Language", "Close",
          "Automatic", "English", "Simplified Chinese", "Traditional Chinese", "Static IP", "Domain resolution",
          "CMNET(China Mobile)", "", "Other"};
}
QStringList SimplifiedChinese() {
  QStringList texts;
  for (const char* t : {"VI-3ZEZI短信配置工具", "网络配置", "端口", "", "语言", "关闭", "自动", "英语", "简体中文",
                        "繁体中文", "固定IP", "域名解析", "CMNET(中国移动)", "", "其它"})
    texts << QString::fromUtf8(t);
  return texts;
}
QStringList TraditionalChinese() {
  QStringList texts;
  for (const char* t : {"VI-3ZEZI短信配置工具", "網絡配置", "端口", "", "語言", "關閉", "自動", "英語", "簡體中文",
                        "繁體中文", "固定IP", "域名解析", "CMNET(中國移動)", "", "其它"})
    texts << QString::fromUtf8(t);
  return texts;
}

class WindowTranslation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    for (const char* code : {"en", "zh_cn", "zh_tw"})
      ASSERT_TRUE(WriteBytes(CatalogIn(dir_.path(), QLatin1String(code)), RealCatalog(code)));
    StartLocalizer(dir_.path() + QStringLiteral("/dtusms"), 0);
  }
  EnvGuard env_{{"LANG", "en_US.UTF-8"}};
  QTemporaryDir dir_;
};

TEST_F(WindowTranslation, SwitchesTranslateFromTheEnglishSourcesAndLeaveFieldsAlone) {
  SetCurrentLanguage(QStringLiteral("zh_cn"));
  TestWindow w;
  TranslateComponent(w.window.get());
  EXPECT_EQ(w.Texts(), SimplifiedChinese());
  EXPECT_EQ(w.mode->currentIndex(), 1) << "the first translation keeps the selection";

  // Texts set by code after the translation are not the translator's.
  w.edit->setText(QStringLiteral("192.0.2.15"));
  w.status->showMessage(QString::fromUtf8("状态"));

  const struct {
    std::int32_t id;
    QStringList texts;
  } steps[] = {{1, English()}, {2, SimplifiedChinese()}, {3, TraditionalChinese()}, {1, English()}};
  for (const auto& step : steps) {
    w.mode->setCurrentIndex(0);
    ApplyLanguage(w.window.get(), step.id);
    EXPECT_EQ(w.Texts(), step.texts) << step.id;
    EXPECT_EQ(w.mode->currentIndex(), -1) << "a rebuilt list has no selection";
    EXPECT_EQ(w.apn->currentIndex(), -1);
    EXPECT_EQ(w.mode->itemData(1).toInt(), 42);
    EXPECT_EQ(w.edit->text(), QStringLiteral("192.0.2.15"));
    EXPECT_EQ(w.spin->text(), QStringLiteral("6000"));
    EXPECT_EQ(w.status->currentMessage(), QString::fromUtf8("状态"));
  }

  // Same code again: nothing is rebuilt.
  w.mode->setCurrentIndex(0);
  ApplyLanguage(w.window.get(), 1);
  EXPECT_EQ(w.mode->currentIndex(), 0);
  EXPECT_EQ(w.Texts(), English());
}

TEST_F(WindowTranslation, EmptyTextsStayOutAndLaterTextsAreNotRecorded) {
  SetCurrentLanguage(QStringLiteral("en"));
  TestWindow w;
  TranslateComponent(w.window.get());
  EXPECT_EQ(w.Texts(), English());
  // Given a text only after the translation: not a text of the window.
  w.blank->setText(QStringLiteral("Port"));
  ApplyLanguage(w.window.get(), 2);
  EXPECT_EQ(w.blank->text(), QStringLiteral("Port"));
  EXPECT_EQ(w.label->text(), QString::fromUtf8("端口"));
  // A second TranslateComponent must not take the Chinese texts for sources.
  TranslateComponent(w.window.get());
  ApplyLanguage(w.window.get(), 1);
  EXPECT_EQ(w.Texts()[2], QStringLiteral("Port"));
}

}  // namespace
}  // namespace dtu
