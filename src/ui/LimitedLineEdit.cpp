// SPDX-License-Identifier: MIT
#include "ui/LimitedLineEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <algorithm>

namespace dtu {

LimitedLineEdit::LimitedLineEdit(int userLimit, QWidget* parent) : QLineEdit(parent), userLimit_(userLimit) {}

int LimitedLineEdit::room() const {
  const int kept = static_cast<int>(text().size() - selectedText().size());
  return std::max(0, userLimit_ - kept);
}

void LimitedLineEdit::insertLimited(const QString& incoming) {
  QString line = incoming;
  // A single-line field: the first line of a multi-line paste, like QLineEdit.
  const qsizetype newline = line.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
  if (newline >= 0) line.truncate(newline);
  line.truncate(room());
  if (line.isEmpty() && !hasSelectedText()) return;
  insert(line);
}

void LimitedLineEdit::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Paste)) {
    if (!isReadOnly()) insertLimited(QApplication::clipboard()->text(QClipboard::Clipboard));
    event->accept();
    return;
  }
  const QString typed = event->text();
  const bool printable = !typed.isEmpty() && typed.at(0).isPrint() &&
                         !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
  if (printable && typed.size() > room()) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void LimitedLineEdit::contextMenuEvent(QContextMenuEvent* event) {
  QMenu* menu = createStandardContextMenu();
  // Route the menu's paste through the limit.
  for (QAction* action : menu->actions()) {
    if (action->objectName() == QLatin1String("edit-paste")) {
      disconnect(action, &QAction::triggered, nullptr, nullptr);
      connect(action, &QAction::triggered, this,
              [this] { insertLimited(QApplication::clipboard()->text(QClipboard::Clipboard)); });
    }
  }
  menu->exec(event->globalPos());
  delete menu;
  event->accept();
}

void LimitedLineEdit::inputMethodEvent(QInputMethodEvent* event) {
  if (event->commitString().size() > room()) {
    QInputMethodEvent trimmed(event->preeditString(), event->attributes());
    trimmed.setCommitString(event->commitString().left(room()), event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&trimmed);
    event->accept();
    return;
  }
  QLineEdit::inputMethodEvent(event);
}

void LimitedLineEdit::dropEvent(QDropEvent* event) {
  if (event->mimeData()->hasText() && !isReadOnly()) {
    insertLimited(event->mimeData()->text());
    event->acceptProposedAction();
    return;
  }
  QLineEdit::dropEvent(event);
}

void LimitedLineEdit::mouseReleaseEvent(QMouseEvent* event) {
  // The X11 selection paste would otherwise bypass the limit.
  if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
    if (!isReadOnly()) insertLimited(QApplication::clipboard()->text(QClipboard::Selection));
    event->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(event);
}

}  // namespace dtu
