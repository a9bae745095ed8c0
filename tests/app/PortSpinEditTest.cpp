// SPDX-License-Identifier: MIT
// The port field's keystroke rules, on the widget alone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <map>

#include "app/PortSpinEdit.h"

namespace dtu {
namespace {

// Types `keys` into the field; capitals stand for keys: A select all,
// B Backspace, D PageDown, E End, H Home, P PageUp, R Right, U Up, V paste, X cut.
void Press(PortSpinEdit& port, const char* keys) {
  // clang-format off
  static const std::map<char, QKeyCombination> kKeys{
      {'A', Qt::CTRL | Qt::Key_A}, {'B', Qt::Key_Backspace}, {'D', Qt::Key_PageDown}, {'E', Qt::Key_End}, {'H', Qt::Key_Home},
      {'P', Qt::Key_PageUp}, {'R', Qt::Key_Right}, {'U', Qt::Key_Up}, {'V', Qt::CTRL | Qt::Key_V}, {'X', Qt::CTRL | Qt::Key_X}};
  // clang-format on
  port.setFocus();
  for (const char* c = keys; *c; ++c) {
    const auto key = kKeys.find(*c);
    if (key == kKeys.end())
      QTest::keyClicks(&port, QString(QLatin1Char(*c)));
    else
      QTest::keyClick(&port, key->second.key(), key->second.keyboardModifiers());
  }
}

// Keys typed, then a value the program sets (-1: none), and what the field shows and reads.
TEST(PortSpinEdit, KeystrokeRulesProgramValuesAndReading) {
  QApplication::clipboard()->setText(QStringLiteral("4321"));
  // clang-format off
  const std::tuple<const char*, int, const char*, int> rows[] = {
      {"A1000A2500", -1, "2500", 2500},
      {"A2500-a. ", -1, "2500", 2500},        // only digits
      {"A2500E+H+H+", -1, "+2500", 2500},       // one leading "+", nowhere else
      {"A+2500HR+", -1, "+2500", 2500},
      {"A2500U", -1, "2501", 2501},
      {"A2500D", -1, "2490", 2490},
      {"A99995P", -1, "99999", 99999},        // steps stay within the limits
      {"A1005D", -1, "1000", 1000},
      {"A1000A123456", -1, "123456", 123456}, // the window's handler caps typed values
      {"A123456U", -1, "99999", 99999},
      {"A1000AVAX", -1, "1000", 1000},        // no paste, no cut
      {"A1000AB", -1, "", 1000},
      {"A12", -1, "12", 12},
      {"", 123456, "99999", 99999},          // values the program sets are brought within the limits
      {"", 7, "1000", 1000},
      {"A123456", 0, "1000", 1000},
  };
  // clang-format on
  for (const auto& [keys, set, shown, value] : rows) {
    PortSpinEdit port;
    port.show();
    Press(port, keys);
    if (set >= 0) port.setValue(set);
    EXPECT_EQ(port.text(), QString::fromLatin1(shown)) << keys;
    EXPECT_EQ(port.value(), value) << keys;
    // Reading refills an emptied field and changes nothing else.
    EXPECT_EQ(port.text(), *shown ? QString::fromLatin1(shown) : QString::number(value)) << keys << " after reading";
  }
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
