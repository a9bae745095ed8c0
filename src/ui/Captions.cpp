// SPDX-License-Identifier: MIT
#include "ui/Captions.h"

#include <QLabel>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <algorithm>

namespace dtu {

namespace {
constexpr char kBox[] = "dtuCaptionBox";
constexpr char kSizedToText[] = "dtuCaptionSizedToText";

void Fit(QLabel* label) {
  const QRect box = PlacedBox(label);
  if (box.isNull()) return;
  const int need = label->fontMetrics().horizontalAdvance(label->text());
  const int width = label->property(kSizedToText).toBool() ? need : std::max(box.width(), need);
  label->setGeometry(box.x() + box.width() - width, box.y(), width, box.height());
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
