// SPDX-License-Identifier: MIT
// The port field's keystroke rules, on the widget alone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <vector>

#include "app/PortSpinEdit.h"
#include "support/TestSupport.h"

namespace dtu {
namespace {

// One input step: a key with modifiers, or text typed key by key.
struct Input {
  Qt::Key key = Qt::Key_unknown;
  Qt::KeyboardModifiers modifiers = Qt::NoModifier;
  const char* text = nullptr;
};
constexpr Input Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { return {key, modifiers}; }
constexpr Input Type(const char* text) { return {Qt::Key_unknown, Qt::NoModifier, text}; }
constexpr Input kSelectAll = Key(Qt::Key_A, Qt::ControlModifier);

TEST(PortSpinEdit, KeystrokeRules) {
  QApplication::clipboard()->setText(QStringLiteral("4321"));
  const struct {
    const char* start;
    std::vector<Input> inputs;
    const char* shown;
  } rows[] = {
      // clang-format off
      {"1000", {kSelectAll, Type("2500")}, "2500"},
      {"2500", {Type("-a. ")}, "2500"},                                    // only digits
      {"2500", {Key(Qt::Key_Home), Type("+"), Key(Qt::Key_Home), Type("+")}, "+2500"},  // one leading "+"
      {"2500", {Key(Qt::Key_End), Type("+")}, "2500"},
      {"+2500", {Key(Qt::Key_Home), Key(Qt::Key_Right), Type("+")}, "+2500"},
      {"2500", {Key(Qt::Key_Up)}, "2501"},
      {"2500", {Key(Qt::Key_PageDown)}, "2490"},
      {"99995", {Key(Qt::Key_PageUp)}, "99999"},  // steps stay within the limits
      {"1005", {Key(Qt::Key_PageDown)}, "1000"},
      {"1000", {kSelectAll, Type("123456")}, "123456"},  // the window's handler caps typed values
      {"123456", {Key(Qt::Key_Up)}, "99999"},
      {"1000", {kSelectAll, Key(Qt::Key_V, Qt::ControlModifier)}, "1000"},  // no paste
      {"1000", {kSelectAll, Key(Qt::Key_X, Qt::ControlModifier)}, "1000"},  // no cut
      {"1000", {kSelectAll, Key(Qt::Key_Backspace)}, ""},
      // clang-format on
  };
  for (const auto& row : rows) {
    PortSpinEdit port;
    port.show();
    port.setFocus();
    QTest::keyClick(&port, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&port, QString::fromLatin1(row.start));
    for (const Input& input : row.inputs) {
      if (input.text)
        QTest::keyClicks(&port, QString::fromLatin1(input.text));
      else
        QTest::keyClick(&port, input.key, input.modifiers);
    }
    EXPECT_EQ(port.text(), QString::fromLatin1(row.shown)) << row.start;
  }
}

TEST(PortSpinEdit, ReadingAndProgramValues) {
  PortSpinEdit port;
  port.setValue(123456);
  EXPECT_EQ(port.text(), QStringLiteral("99999"));
  port.setValue(7);
  EXPECT_EQ(port.text(), QStringLiteral("1000"));
  const std::pair<const char*, int> reads[] = {{"", 1000}, {"+2500", 2500}, {"12", 12}, {"123456", 123456}};
  for (const auto& [text, value] : reads) {
    port.setFocus();
    QTest::keyClick(&port, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&port, Qt::Key_Backspace);
    QTest::keyClicks(&port, QString::fromLatin1(text));
    EXPECT_EQ(port.value(), value) << text;
  }
  EXPECT_EQ(port.text(), QStringLiteral("123456"));
  port.setValue(0);
  EXPECT_EQ(port.text(), QStringLiteral("1000"));
}

TEST(PortSpinEdit, FocusLossCorrectsOnlyForAnotherControlOfTheWindow) {
  QWidget window, other;
  auto* field = new PortSpinEdit(&window);
  auto* next = new QLineEdit(&window);
  const std::tuple<Qt::FocusReason, QWidget*, bool> rows[] = {
      {Qt::TabFocusReason, next, true},       {Qt::MouseFocusReason, next, true},
      {Qt::OtherFocusReason, nullptr, false}, {Qt::ActiveWindowFocusReason, &other, false},
      {Qt::PopupFocusReason, next, false},    {Qt::MouseFocusReason, &other, false}};
  for (const auto& [reason, to, corrects] : rows)
    EXPECT_EQ(PortSpinEdit::CorrectsOnFocusLoss(reason, field, to), corrects) << reason << ' ' << to;
}

}  // namespace
}  // namespace dtu
