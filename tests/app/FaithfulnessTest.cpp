// SPDX-License-Identifier: MIT
// Where the Linux stand-ins must give the original platform's result: the
// port correction, plain text, the settings folder, Qt's own texts, screen readers.
#include <QAccessible>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>

#include "WindowFixture.h"
#include "config/SettingsStore.h"
#include "i18n/LanguageSelection.h"
#include "i18n/Localizer.h"

namespace dtu::testing {
namespace {

TEST(PortFocus, CorrectsOnlyWhenAnotherControlOfTheWindowTakesIt) {
  QWidget window, other;
  auto* field = new PortSpinEdit(&window);
  auto* next = new QLineEdit(&window);
  const std::tuple<Qt::FocusReason, QWidget*, bool> rows[] = {
      {Qt::TabFocusReason, next, true},
      {Qt::BacktabFocusReason, next, true},
      {Qt::MouseFocusReason, next, true},
      {Qt::OtherFocusReason, next, true},
      {Qt::OtherFocusReason, nullptr, false},
      {Qt::ActiveWindowFocusReason, &other, false},
      {Qt::PopupFocusReason, next, false},
      {Qt::MouseFocusReason, &other, false},
      {Qt::TabFocusReason, field->findChild<QLineEdit*>(), false}};
  for (const auto& [reason, to, corrects] : rows)
    EXPECT_EQ(PortSpinEdit::CorrectsOnFocusLoss(reason, field, to), corrects) << reason << ' ' << to;
}

TEST_F(WindowTest, DeactivationAndCloseKeepATypedPort) {
  start();
  PortSpinEdit* port = portField();
  port->setFocus();
  QTest::keyClick(port, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(port, QStringLiteral("12"));
  QWidget other;
  other.show();
  QApplication::setActiveWindow(&other);  // another application's window takes the focus
  window->close();
  EXPECT_EQ(port->text(), QStringLiteral("12"));
  EXPECT_EQ(SettingsStore(iniPath()).ReadString(kSettingsSection, keys::kPort, {}), QStringLiteral("12"));
  Ttntfrm_Main::Options options;
  options.executablePath = dir.filePath(QStringLiteral("dtu:sms"));  // ":" is part of the name
  EXPECT_EQ(Ttntfrm_Main(options).AppDirectory(), dir.path() + QLatin1Char('/'));
}

// Qt's catalog follows the language menu, boxes show tags as typed, and each
// field is announced by its caption in the window's language.
TEST_F(WindowTest, QtTextsPlainTextsAndCaptionsFollowTheLanguage) {
  StartLocalizer(QStringLiteral(DTU_CATALOG_DIR "/dtusms"), 0);  // no catalogs there: English captions
  start();
  SetPresenter(nullptr);
  QStringList seen;
  QTimer reader;
  QObject::connect(&reader, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      const QLabel* text = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
      const bool tagsShown = text->sizeHint().width() >= text->fontMetrics().horizontalAdvance(text->text());
      seen << box->button(QMessageBox::Ok)->text() + QString::number(tagsShown);
      box->accept();
    } else if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      for (QAction* action : menu->actions()) seen << action->text();
      menu->close();
    }
  });
  reader.start(10);
  QContextMenuEvent menuRequest(QContextMenuEvent::Keyboard, {2, 2});
  for (int language : {2, 3, 1}) {
    ApplyLanguage(window.get(), language);
    QtMessagePresenter().show({window.get(), QStringLiteral("c"), QStringLiteral("<b>x</b>")});
    QApplication::sendEvent(portField(), &menuRequest);
  }
  EXPECT_EQ(seen.join(QLatin1Char('|')).toStdString(),
            QStringLiteral("确定1|复制(&C)|全选||升高(&S)|降低(&D)|確定1|複製(&C)|全部選擇||單步向上(&S)|單步向下(&D)|"
                           "OK1|&Copy|Select All||&Step up|Step &down")
                .toStdString());
  const auto labels = window->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^tntlbl")));
  EXPECT_EQ(labels.size(), 9);
  for (QLabel* label : labels) {
    QAccessibleInterface* field = QAccessible::queryAccessibleInterface(label->buddy());
    ASSERT_TRUE(field) << label->objectName().toStdString();
    EXPECT_EQ(field->relations(QAccessible::Label).value(0).first->text(QAccessible::Name), label->text());
  }
  auto* status = find<QLabel>("tntstsbr_StatusPanel");
  status->setText(QStringLiteral("<b>x</b>"));
  EXPECT_GE(status->sizeHint().width(), status->fontMetrics().horizontalAdvance(status->text()));
  EXPECT_EQ(status->accessibleName(), QStringLiteral("Status"));
}

}  // namespace
}  // namespace dtu::testing
