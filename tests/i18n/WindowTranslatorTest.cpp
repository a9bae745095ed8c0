// SPDX-License-Identifier: MIT
// What the real window's language tests do not reach: empty and later texts,
// tool tips, controls the translator must leave alone, rebuilt lists.
#include <gtest/gtest.h>

#include <QtWidgets>

#include "I18nTestSupport.h"
#include "i18n/LanguageSelection.h"
#include "i18n/Localizer.h"
#include "i18n/WindowTranslator.h"

namespace dtu {
namespace {

using namespace dtu::testing;

TEST(WindowTranslation, TranslatesRecordedTextsOnlyAndLeavesFieldsAlone) {
  EnvGuard env{{"LANG", "en_US.UTF-8"}};
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid() && WriteBytes(CatalogIn(dir.path(), "zh_cn"), RealCatalog("zh_cn")));
  StartLocalizer(dir.filePath("dtusms"), 0);
  SetCurrentLanguage("en");

  // Catalog ids everywhere, so anything wrongly translated shows.
  QWidget window;
  auto* blank = new QLabel(&window);
  auto* button = new QPushButton("Close", &window);
  button->setToolTip("Port");
  auto* list = new QComboBox(&window);
  list->addItems({"Static IP", "", "Other"});
  list->setItemData(2, 42);
  auto* edit = new QLineEdit("Port", &window);
  auto* spin = new QSpinBox(&window);
  spin->setValue(60);
  auto* status = new QStatusBar(&window);
  status->showMessage("Port");
  TranslateComponent(&window);
  blank->setText("Close");  // set afterwards: not a text of the window

  // The same language again rebuilds nothing, so the selection stays.
  for (const auto& [id, selection] : {std::pair{2, -1}, std::pair{2, 2}, std::pair{1, -1}}) {
    list->setCurrentIndex(2);
    ApplyLanguage(&window, id);
    EXPECT_EQ(list->currentIndex(), selection) << id;
    const QStringList translated{button->text(), button->toolTip(), list->itemText(0), list->itemText(1),
                                 list->itemData(2).toString()};
    EXPECT_EQ(translated.join('|'), id == 2 ? "关闭|端口|固定IP||42" : "Close|Port|Static IP||42");
    const QStringList untouched{blank->text(), edit->text(), spin->text(), status->currentMessage()};
    EXPECT_EQ(untouched.join('|'), "Close|Port|60|Port");
    TranslateComponent(&window);  // again: must not take the Chinese texts for sources
  }
}

}  // namespace
}  // namespace dtu
