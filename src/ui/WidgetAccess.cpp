// SPDX-License-Identifier: MIT
#include "ui/WidgetAccess.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>

namespace dtu {

namespace {

constexpr char kNamedByLabel[] = "dtuNamedByLabel";
constexpr char kEnterPresses[] = "dtuEnterPresses";

class EnterPresses final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    auto* button = qobject_cast<QPushButton*>(watched);
    if (!enter || (key->modifiers() & ~Qt::KeypadModifier) || !button || !button->isEnabled()) return false;
    // A held key presses once; a repeat would reach the dialog the first press opened.
    if (!key->isAutoRepeat()) button->click();
    return true;
  }
};

// What Qt's own combo box interface offers, but named by the label.
class LabelNamedList final : public QAccessibleWidget {
 public:
  explicit LabelNamedList(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) {
      const auto labels = relations(QAccessible::Label);
      if (!labels.isEmpty()) return labels.first().first->text(QAccessible::Name);
    }
    if (t == QAccessible::Value) return list()->currentText();
    return QAccessibleWidget::text(t);
  }
  int childCount() const override { return 1; }
  QAccessibleInterface* child(int index) const override {
    return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child && child->object() == list()->view() ? 0 : -1;
  }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = list()->view()->isVisible();
    return s;
  }
  QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
  void doAction(const QString& action) override {
    if (action != showMenuAction() && action != pressAction()) return;
    if (list()->view()->isVisible())
      list()->hidePopup();
    else
      list()->showPopup();
  }

 private:
  QComboBox* list() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* LabelNamedListFactory(const QString& className, QObject* object) {
  auto* list = qobject_cast<QComboBox*>(object);
  if (className != QLatin1String("QComboBox") || !list || !list->property(kNamedByLabel).toBool()) return nullptr;
  return new LabelNamedList(list);
}

}  // namespace

void PressButtonsOnEnter(QWidget* root) {
  // One filter per root: Qt installs an object once per button, so a second call adds only the new buttons.
  QObject* filter = root->findChild<QObject*>(QLatin1String(kEnterPresses), Qt::FindDirectChildrenOnly);
  if (!filter) {
    filter = new EnterPresses(root);
    filter->setObjectName(QLatin1String(kEnterPresses));
  }
  for (QPushButton* button : root->findChildren<QPushButton*>()) button->installEventFilter(filter);
}

void NameListByItsLabel(QComboBox* list) {
  QAccessible::installFactory(LabelNamedListFactory);  // once; later calls find it installed
  list->setProperty(kNamedByLabel, true);
}

}  // namespace dtu
