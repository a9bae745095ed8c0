// SPDX-License-Identifier: MIT
// Every caption of the window whole in the window's own font, in each language:
// offscreen here, and under wine with wine's Tahoma at 96 and 144 dpi
// (scripts/windows/caption-check.sh), where DTU_CAPTION_FONT names the face
// the window must have found and DTU_CAPTION_RATIO the screen's scale.
#include <QAction>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QStyle>

#include "WindowFixture.h"
#include "core/i18n/I18nTestSupport.h"
#include "core/i18n/Localizer.h"
#include "ui/Captions.h"

namespace dtu::testing {
namespace {

// Where the window places its buttons, in the coordinates of their group or panel: a caption
// that does not fit must never move one.
const std::map<QString, QRect> kButtons{
    {"tntbtn_StaticIP", {224, 47, 49, 21}},        {"tntbtn_JudgeMaping", {24, 77, 249, 25}},
    {"tntbtn_TestServerPort", {356, 77, 119, 25}}, {"rzMenubtn_Language", {19, 5, 90, 25}},
    {"tntbtn_GenerationSMS", {287, 5, 90, 25}},    {"tntbtn_Close", {400, 5, 75, 25}},
};

class CaptionTest : public WindowTest {
 protected:
  void SetUp() override {
    for (const char* code : {"en", "zh_cn", "zh_tw"}) {
      ASSERT_FALSE(RealCatalog(code).isEmpty()) << code;
      ASSERT_TRUE(WriteBytes(CatalogIn(dir.path(), code), RealCatalog(code))) << code;
    }
    // As the system writes it: on Windows the localizer looks for the folder's last "\\".
    StartLocalizer(TestPlatform(), QDir::toNativeSeparators(dir.filePath(QStringLiteral("dtusms"))), 0);
  }
  void TearDown() override { StartLocalizer(TestPlatform(), empty.filePath(QStringLiteral("dtusms")), 0); }

  // What is cut, shrunk or moved in the language the window shows now, one line each.
  QStringList faults(const char* language) const {
    QStringList found;
    const auto fault = [&](const QWidget* control, const QString& what) {
      found << QStringLiteral("%1: %2 \"%3\": %4").arg(language, control->objectName(), caption(control), what);
    };
    const QFont font = window->font();
    for (const QLabel* label : window->findChildren<QLabel*>()) {
      const QRect box = PlacedBox(label);
      if (box.isNull()) continue;
      const int need = label->fontMetrics().horizontalAdvance(label->text());
      const QRect at = label->geometry();
      const QFont shown = label->font();
      if (shown.families() != font.families() || shown.pixelSize() != font.pixelSize() || shown.letterSpacing() < -1.0)
        fault(label, QStringLiteral("not in the window's font"));
      if (need > at.width()) fault(label, QStringLiteral("needs %1 px of %2").arg(need).arg(at.width()));
      if (at.right() != box.right() || at.top() != box.top() || at.height() != box.height())
        fault(label, QStringLiteral("moved from its box's right edge"));
      for (const QWidget* other : label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (other != label && other->isVisible() && other->geometry().intersects(at))
          fault(label, QStringLiteral("runs into ") + other->objectName());
    }
    for (const CaptionButton* button : window->findChildren<CaptionButton*>()) {
      const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
      const QRect inner = button->rect().adjusted(frame, 0, -frame, 0);
      if (!inner.contains(button->captionRect()) || !inner.contains(button->inkRect()))
        fault(button, QStringLiteral("inked from %1 to %2, its frame from %3 to %4")
                          .arg(button->inkRect().left())
                          .arg(button->inkRect().right())
                          .arg(inner.left())
                          .arg(inner.right()));
      if (button->font().families() != font.families() || button->font().pixelSize() != font.pixelSize() ||
          button->font().letterSpacing() < -1.0)
        fault(button, QStringLiteral("not in the window's font"));
    }
    for (const QGroupBox* group : window->findChildren<QGroupBox*>())
      if (group->fontMetrics().horizontalAdvance(group->title()) > group->width() - 16)
        fault(group, QStringLiteral("title wider than the group"));
    for (const auto& [name, rect] : kButtons)
      if (const QWidget* control = find<QWidget>(qPrintable(name)); control && control->geometry() != rect)
        fault(control, QStringLiteral("moved"));
    return found;
  }

  static QString caption(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    if (const auto* button = qobject_cast<const QPushButton*>(control)) return button->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
    return {};
  }

  void pick(const char* item) {
    find<QMenu>("tntpmn_Language")->popup(QPoint(0, 0));
    find<QMenu>("tntpmn_Language")->hide();
    find<QAction>(item)->trigger();
  }

  QTemporaryDir empty;
};

TEST_F(CaptionTest, EveryCaptionIsWholeInTheWindowsFontInEveryLanguage) {
  start();
  // The face asked for is there and is the one measured, not a stand-in of other widths.
  if (const QString expected = qEnvironmentVariable("DTU_CAPTION_FONT"); !expected.isEmpty()) {
    ASSERT_TRUE(QFontDatabase::hasFamily(expected)) << expected.toStdString();
    QFont face(expected);
    face.setPixelSize(11);
    const QString sample = QStringLiteral("Judge whether the server port mapping");
    ASSERT_EQ(QFontMetrics(window->font()).horizontalAdvance(sample), QFontMetrics(face).horizontalAdvance(sample));
  }
  // And the screen's scale is the one asked for (1.5 at 144 dpi).
  if (const QString ratio = qEnvironmentVariable("DTU_CAPTION_RATIO"); !ratio.isEmpty()) {
    ASSERT_EQ(window->devicePixelRatio(), ratio.toDouble());
  }
  EXPECT_EQ(window->font().pixelSize(), 11);
  QStringList found;
  for (const auto& [item, language] : {std::pair{"tntmntm_English", "en"},
                                       {"tntmntm_SimplifiedChinese", "zh_cn"},
                                       {"tntmntm_TraditionalChinese", "zh_tw"}}) {
    pick(item);
    ASSERT_EQ(CurrentLanguageCode(), QString::fromLatin1(language));
    ASSERT_EQ(button("tntbtn_Close")->text() == QLatin1String("Close"), language == std::string("en")) << language;
    found << faults(language);
    for (const BoxRequest& box : presenter.boxes) found << QStringLiteral("%1: a box: %2").arg(language, box.text);
  }
  EXPECT_TRUE(found.isEmpty()) << found.join('\n').toStdString();
}

}  // namespace
}  // namespace dtu::testing
