// SPDX-License-Identifier: MIT
// The server port field. QSpinBox's validator and fix-up behave differently
// from what technicians expect of a port field, so every rule is ours:
//  - typing takes digits, and "+" only as the first character (or over the
//    whole selected text); cut and paste do nothing, copy works;
//  - arrows, spin buttons and the wheel step by 1; Page Up/Down and
//    Ctrl+wheel by 10; steps stay within the limits;
//  - reading the value parses the text (rounded); an empty text is first
//    replaced by the minimum, a text that does not parse reads as the minimum;
//  - a value set by the program, and the text when the focus moves to
//    another control of the same window, are brought into the limits and
//    shown as a whole number; another application taking the focus, a pop-up
//    menu or closing the window leave the text (and the settings file) alone.
#pragma once

#include <QAbstractSpinBox>
#include <cstdint>

namespace dtu {

class PortSpinEdit : public QAbstractSpinBox {
  Q_OBJECT

 public:
  explicit PortSpinEdit(QWidget* parent = nullptr);

  int minimum() const { return minimum_; }
  int maximum() const { return maximum_; }

  // May change the text (an empty field becomes the minimum), which raises textChanged.
  int value();
  void setValue(std::int64_t value);
  QString text() const;

  void stepBy(int steps) override;

  // Whether losing the focus for `next` (null: no widget of this program)
  // corrects the text: only a move to another control of the same window.
  static bool correctsOnFocusLoss(Qt::FocusReason reason, const QWidget* field, const QWidget* next);

 signals:
  // Every change of the shown text: typing, stepping, program assignments.
  void textChanged(const QString& text);

 protected:
  StepEnabled stepEnabled() const override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The text as a number, or the minimum when it does not parse.
  std::int64_t parsedOrMinimum() const;
  std::int64_t bounded(std::int64_t v) const;
  void setShownText(const QString& text);

  int minimum_ = 1000;
  int maximum_ = 99999;
};

}  // namespace dtu
