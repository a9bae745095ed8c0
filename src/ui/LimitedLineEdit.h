// SPDX-License-Identifier: MIT
#pragma once

#include <QLineEdit>

namespace dtu {

// A line edit whose length limit binds only what the user types, pastes or
// drops. QLineEdit::setMaxLength would also cut text set by the program,
// and a stored DTU number longer than the limit must be shown in full.
class LimitedLineEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit LimitedLineEdit(int userLimit, QWidget* parent = nullptr);
  int userLimit() const { return userLimit_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Inserts as much of `text` as the limit leaves room for, over the selection.
  void insertLimited(const QString& text);
  int room() const;

  int userLimit_;
};

}  // namespace dtu
