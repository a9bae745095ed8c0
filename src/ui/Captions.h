// SPDX-License-Identifier: MIT
// Captions drawn whole in the window's own font, in boxes laid out for
// Tahoma 8 pt at 96 dpi. A right-aligned label keeps its right edge: a text
// wider than its box extends it to the left, and a label sized to its text
// takes the text's width, up to a small gap before the control on its left
// (a text that needs more is set a little closer, never smaller). A button
// whose caption needs more room than the style's margins leave draws it with
// smaller ones, within its frame, and closer set where even that is too
// narrow. No control moves from where it was laid out.
#pragma once

#include <QPushButton>
#include <QRect>

class QLabel;
class QStyleOptionButton;

namespace dtu {

// Lays out `label` right-aligned at `box`; FitCaptions fits it to its text.
void PlaceCaption(QLabel* label, QRect box, bool sizedToText = false);

// The box PlaceCaption was given; a null rectangle for any other label.
QRect PlacedBox(const QLabel* label);

// Fits every label under `root` that PlaceCaption laid out to its text in its
// current font: after a translation and after a change of the font.
void FitCaptions(QWidget* root);

class CaptionButton : public QPushButton {
 public:
  using QPushButton::QPushButton;

  // What the caption needs across: its text, and the arrow of a menu.
  int captionWidth() const;
  // Where the caption is drawn: the style's contents rectangle, or where that
  // is too narrow, one as wide as the caption, centred within the frame.
  QRect captionRect() const;
  // Where the caption's ink lands: within the frame, however tight the margins.
  QRect inkRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int captionWidth(const QStyleOptionButton& option) const;
  QRect captionRect(const QStyleOptionButton& option) const;
};

}  // namespace dtu
