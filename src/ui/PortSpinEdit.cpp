// SPDX-License-Identifier: MIT
#include "ui/PortSpinEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <optional>

#include "core/AppConstants.h"

namespace dtu {

namespace {

// Accepts what the field can hold ("+" and digits, possibly surrounded by
// blanks from a settings file); rounds fractional text from a program value.
std::optional<std::int64_t> ParseNumber(const QString& text) {
  bool ok = false;
  const double d = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(d)) return std::nullopt;
  // Keep far-out values far out without overflowing the integer.
  const double clamped = std::clamp(std::round(d), -1e15, 1e15);
  return static_cast<std::int64_t>(clamped);
}

}  // namespace

PortSpinEdit::PortSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
  minimum_ = kPortMinimum;
  maximum_ = kPortMaximum;
  setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  setAccelerated(false);
  setKeyboardTracking(true);
  lineEdit()->setText(QString::number(minimum_));
  lineEdit()->setAcceptDrops(false);
  lineEdit()->setDragEnabled(false);
  lineEdit()->installEventFilter(this);
  connect(lineEdit(), &QLineEdit::textChanged, this, &PortSpinEdit::textChanged);
}

QString PortSpinEdit::text() const { return lineEdit()->text(); }

std::int64_t PortSpinEdit::parsedOrMinimum() const { return ParseNumber(lineEdit()->text()).value_or(minimum_); }

std::int64_t PortSpinEdit::bounded(std::int64_t v) const { return std::clamp<std::int64_t>(v, minimum_, maximum_); }

void PortSpinEdit::setShownText(const QString& text) {
  if (lineEdit()->text() != text) lineEdit()->setText(text);
}

int PortSpinEdit::value() {
  if (lineEdit()->text().isEmpty()) setShownText(QString::number(minimum_));
  // Unbounded on purpose: the change handler caps a typed value above the
  // maximum itself; clamp only to keep the result in int range.
  return static_cast<int>(std::clamp<std::int64_t>(parsedOrMinimum(), INT32_MIN, INT32_MAX));
}

void PortSpinEdit::setValue(std::int64_t value) { setShownText(QString::number(bounded(value))); }

void PortSpinEdit::stepBy(int steps) {
  setShownText(QString::number(bounded(parsedOrMinimum() + steps)));
  lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled PortSpinEdit::stepEnabled() const {
  const std::int64_t v = parsedOrMinimum();
  StepEnabled enabled = StepNone;
  if (v < maximum_) enabled |= StepUpEnabled;
  if (v > minimum_) enabled |= StepDownEnabled;
  return enabled;
}

void PortSpinEdit::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Paste)) {
    event->accept();
    return;
  }
  int steps = 0;
  switch (event->key()) {
    case Qt::Key_Up:
      steps = 1;
      break;
    case Qt::Key_Down:
      steps = -1;
      break;
    case Qt::Key_PageUp:
      steps = 10;
      break;
    case Qt::Key_PageDown:
      steps = -10;
      break;
    default:
      break;
  }
  if (steps != 0) {
    stepBy(steps);
    event->accept();
    return;
  }
  const QString typed = event->text();
  const bool printable = !typed.isEmpty() && typed.at(0).isPrint() &&
                         !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
  if (printable) {
    QLineEdit* edit = lineEdit();
    // "+" only where it becomes the first character and none follows it.
    const int start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    const QString rest = edit->text().mid(start + edit->selectedText().size());
    const bool plusAllowed = typed.size() == 1 && start == 0 && !rest.startsWith(QLatin1Char('+'));
    bool accepted = true;
    for (QChar ch : typed) {
      const bool digit = ch.isDigit() && ch.unicode() < 0x80;
      if (!digit && !(ch == QLatin1Char('+') && plusAllowed)) accepted = false;
    }
    if (!accepted) {
      event->accept();
      return;
    }
  }
  QAbstractSpinBox::keyPressEvent(event);
}

void PortSpinEdit::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta == 0) {
    event->ignore();
    return;
  }
  const int step = (event->modifiers() & Qt::ControlModifier) ? 10 : 1;
  stepBy(delta > 0 ? step : -step);
  event->accept();
}

bool PortSpinEdit::correctsOnFocusLoss(Qt::FocusReason reason, const QWidget* field, const QWidget* next) {
  switch (reason) {
    case Qt::MouseFocusReason:
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
    case Qt::OtherFocusReason:
      break;
    default:  // another window became active, a pop-up opened, ...
      return false;
  }
  return field && next && next != field && !field->isAncestorOf(next) && next->window() == field->window();
}

void PortSpinEdit::focusOutEvent(QFocusEvent* event) {
  // Qt already names the new focus widget while the old one gets its focus-out.
  if (correctsOnFocusLoss(event->reason(), this, QApplication::focusWidget()))
    setShownText(QString::number(bounded(parsedOrMinimum())));
  QAbstractSpinBox::focusOutEvent(event);
}

void PortSpinEdit::contextMenuEvent(QContextMenuEvent* event) {
  // Copy only: cutting or pasting would bypass the typing rules. The texts
  // are those of Qt's own edit and spin box menus, so Qt's catalog translates them.
  QMenu menu(this);
  QAction* copy = menu.addAction(QCoreApplication::translate("QLineEdit", "&Copy"));
  copy->setEnabled(lineEdit()->hasSelectedText());
  QAction* selectAll = menu.addAction(QCoreApplication::translate("QLineEdit", "Select All"));
  menu.addSeparator();
  QAction* up = menu.addAction(QCoreApplication::translate("QAbstractSpinBox", "&Step up"));
  QAction* down = menu.addAction(QCoreApplication::translate("QAbstractSpinBox", "Step &down"));
  up->setEnabled(stepEnabled() & StepUpEnabled);
  down->setEnabled(stepEnabled() & StepDownEnabled);
  QAction* chosen = menu.exec(event->globalPos());
  if (chosen == copy) {
    lineEdit()->copy();
  } else if (chosen == selectAll) {
    lineEdit()->selectAll();
  } else if (chosen == up) {
    stepBy(1);
  } else if (chosen == down) {
    stepBy(-1);
  }
  event->accept();
}

void PortSpinEdit::inputMethodEvent(QInputMethodEvent* event) {
  const QString commit = event->commitString();
  const bool digitsOnly =
      std::all_of(commit.begin(), commit.end(), [](QChar c) { return c.isDigit() && c.unicode() < 0x80; });
  if (!digitsOnly) {
    event->accept();
    return;
  }
  QAbstractSpinBox::inputMethodEvent(event);
}

bool PortSpinEdit::eventFilter(QObject* watched, QEvent* event) {
  // The X11 selection paste (middle click) and drops reach the inner edit directly.
  if (watched == lineEdit()) {
    if ((event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::MouseButtonPress) &&
        static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton)
      return true;
    if (event->type() == QEvent::Drop || event->type() == QEvent::DragEnter) return true;
  }
  return QAbstractSpinBox::eventFilter(watched, event);
}

}  // namespace dtu
