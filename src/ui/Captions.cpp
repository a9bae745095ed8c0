// SPDX-License-Identifier: MIT
#include "ui/Captions.h"

#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <algorithm>

namespace dtu {

namespace {
constexpr char kBox[] = "dtuCaptionBox";
constexpr char kSizedToText[] = "dtuCaptionSizedToText";

// At least this much space stays between a widened label and the control on its left.
constexpr int kGap = 2;

// Where the nearest control on the label's row ends, to the left of its box.
int LeftLimit(const QLabel* label, QRect box) {
  int limit = kGap + 2;  // clear of the group's frame line, whose own margin is 5
  for (const QWidget* other : label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const QRect at = other->geometry();
    if (other == label || at.bottom() < box.top() || at.top() > box.bottom() || at.right() >= box.left()) continue;
    limit = std::max(limit, at.right() + 1 + kGap);
  }
  return limit;
}

void Fit(QLabel* label) {
  const QRect box = PlacedBox(label);
  if (box.isNull()) return;
  QFont font = label->parentWidget()->font();
  const int right = box.x() + box.width();
  const int room = right - LeftLimit(label, box);
  // A text that the room to the left cannot take either is set a little closer,
  // never smaller: wine's Tahoma runs some 7% wider than Windows' own.
  for (double spacing = -0.1; QFontMetrics(font).horizontalAdvance(label->text()) > room && spacing >= -1.0;
       spacing -= 0.1)
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
  label->setFont(font);
  const int need = QFontMetrics(font).horizontalAdvance(label->text());
  const int width = label->property(kSizedToText).toBool() ? need : std::max(box.width(), need);
  label->setGeometry(right - width, box.y(), width, box.height());
}
}  // namespace

void PlaceCaption(QLabel* label, QRect box, bool sizedToText) {
  label->setProperty(kBox, box);
  label->setProperty(kSizedToText, sizedToText);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setGeometry(box);
  Fit(label);
}

QRect PlacedBox(const QLabel* label) { return label->property(kBox).toRect(); }

void FitCaptions(QWidget* root) {
  for (QLabel* label : root->findChildren<QLabel*>()) Fit(label);
  for (CaptionButton* button : root->findChildren<CaptionButton*>()) {
    QFont font = button->parentWidget()->font();
    button->setFont(font);
    const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
    const QRect inner = button->rect().adjusted(frame, 0, -frame, 0);
    for (double spacing = -0.1; !inner.contains(button->inkRect()) && spacing >= -1.0; spacing -= 0.1) {
      font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
      button->setFont(font);
    }
  }
}

int CaptionButton::captionWidth() const {
  QStyleOptionButton option;
  initStyleOption(&option);
  return captionWidth(option);
}

QRect CaptionButton::captionRect() const {
  QStyleOptionButton option;
  initStyleOption(&option);
  return captionRect(option);
}

int CaptionButton::captionWidth(const QStyleOptionButton& option) const {
  int width = option.fontMetrics.size(Qt::TextShowMnemonic, option.text).width();
  if (option.features & QStyleOptionButton::HasMenu)
    width += style()->pixelMetric(QStyle::PM_MenuButtonIndicator, &option, this);
  return width;
}

QRect CaptionButton::inkRect() const {
  QStyleOptionButton option;
  initStyleOption(&option);
  QRect text = captionRect(option);
  if (option.features & QStyleOptionButton::HasMenu)
    text.setRight(text.right() - style()->pixelMetric(QStyle::PM_MenuButtonIndicator, &option, this));
  // Centred as the style draws it; the ink lies within the advance, bearings aside.
  const int advance = option.fontMetrics.horizontalAdvance(option.text);
  const QRect ink = option.fontMetrics.tightBoundingRect(option.text);
  return {text.x() + (text.width() - advance) / 2 + ink.x(), text.y(), ink.width(), text.height()};
}

QRect CaptionButton::captionRect(const QStyleOptionButton& option) const {
  const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  const int need = captionWidth(option);
  if (contents.width() >= need) return contents;
  const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
  const QRect inner = rect().adjusted(frame, 0, -frame, 0);
  const int width = std::min(need, inner.width());
  return {inner.x() + (inner.width() - width) / 2, contents.y(), width, contents.height()};
}

void CaptionButton::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  painter.drawControl(QStyle::CE_PushButtonBevel, option);
  QStyleOptionButton label = option;
  label.rect = captionRect(option);
  painter.drawControl(QStyle::CE_PushButtonLabel, label);
  if (option.state & QStyle::State_HasFocus) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}

}  // namespace dtu
