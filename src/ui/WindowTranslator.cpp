// SPDX-License-Identifier: MIT
#include "ui/WindowTranslator.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QWidget>
#include <vector>

#include "core/i18n/Localizer.h"
#include "core/i18n/Translate.h"

namespace dtu {

namespace {

constexpr char kRecordName[] = "dtuTranslationRecord";
constexpr char kItemsProperty[] = "";  // marks an item list

// Lives as a child of its window, so it goes when the window goes.
class TranslationRecord final : public QObject {
 public:
  struct Text {
    QPointer<QObject> object;
    QByteArray property;  // kItemsProperty for a drop-down list's items
    QString source;
    QStringList sourceLines;
  };
  explicit TranslationRecord(QWidget* window) : QObject(window) { setObjectName(QLatin1String(kRecordName)); }
  QString languageCode;
  std::vector<Text> texts;
};

TranslationRecord* FindRecord(QWidget* window) {
  return dynamic_cast<TranslationRecord*>(
      window->findChild<QObject*>(QLatin1String(kRecordName), Qt::FindDirectChildrenOnly));
}

QString TranslateLine(const QString& line) { return line.isEmpty() ? line : Translate(line); }

// The tool tip Qt derives from an action's text when none was set; only a
// tool tip set on purpose is a text of its own.
QString DerivedToolTip(QString text) {
  text.remove(QLatin1String("..."));
  for (qsizetype i = 0; i < text.size(); ++i)
    if (text.at(i) == QLatin1Char('&')) text.remove(i, 1);
  return text.trimmed();
}

class Collector {
 public:
  explicit Collector(TranslationRecord& record) : record_(record) {}

  void visit(QObject* object, bool isRoot) {
    if (!object || object == &record_ || visited_.contains(object)) return;
    visited_.insert(object);

    if (auto* widget = qobject_cast<QWidget*>(object)) {
      if (isRoot) remember(object, "windowTitle");
      if (qobject_cast<QGroupBox*>(object) || qobject_cast<QMenu*>(object)) remember(object, "title");
      if (qobject_cast<QLabel*>(object) || qobject_cast<QAbstractButton*>(object)) remember(object, "text");
      remember(object, "toolTip");
      remember(object, "accessibleName");
      if (auto* combo = qobject_cast<QComboBox*>(object)) rememberItems(combo);
      // A menu's own action mirrors its title.
      if (auto* menu = qobject_cast<QMenu*>(object)) visited_.insert(menu->menuAction());
      const QList<QAction*> actions = widget->actions();
      for (QAction* action : actions) visit(action, false);
      if (auto* button = qobject_cast<QPushButton*>(object)) visit(button->menu(), false);
    } else if (auto* action = qobject_cast<QAction*>(object)) {
      remember(object, "text");
      if (action->toolTip() != DerivedToolTip(action->text())) remember(object, "toolTip");
      visit(action->menu(), false);
    }
    const QObjectList children = object->children();
    for (QObject* child : children) visit(child, false);
  }

 private:
  void remember(QObject* object, const char* property) {
    const QString source = object->property(property).toString();
    if (source.isEmpty()) return;
    record_.texts.push_back({object, property, source, {}});
    const QString translation = Translate(source);
    if (translation != source) object->setProperty(property, translation);
  }

  void rememberItems(QComboBox* combo) {
    if (combo->count() == 0) return;
    QStringList lines;
    for (int i = 0; i < combo->count(); ++i) lines << combo->itemText(i);
    record_.texts.push_back({combo, kItemsProperty, lines.join(QLatin1Char('\n')), lines});
    // In place, so the first translation keeps the list's selection.
    for (int i = 0; i < lines.size(); ++i) {
      const QString translation = TranslateLine(lines[i]);
      if (translation != lines[i]) combo->setItemText(i, translation);
    }
  }

  TranslationRecord& record_;
  QSet<QObject*> visited_;
};

void RebuildItems(QComboBox* combo, const QStringList& sourceLines) {
  QList<QVariant> data;
  for (int i = 0; i < combo->count(); ++i) data << combo->itemData(i);
  combo->clear();
  for (int i = 0; i < sourceLines.size(); ++i)
    combo->addItem(TranslateLine(sourceLines[i]), i < data.size() ? data[i] : QVariant());
  combo->setCurrentIndex(-1);
}

}  // namespace

void TranslateComponent(QWidget* window) {
  if (!window) return;
  // A second call must not take translations for English sources.
  if (FindRecord(window)) {
    RetranslateComponent(window);
    return;
  }
  auto* record = new TranslationRecord(window);
  record->languageCode = CurrentLanguageCode();
  Collector(*record).visit(window, true);
}

void RetranslateComponent(QWidget* window) {
  TranslationRecord* record = window ? FindRecord(window) : nullptr;
  if (!record) return;
  const QString code = CurrentLanguageCode();
  if (code == record->languageCode) return;
  for (const TranslationRecord::Text& text : record->texts) {
    if (!text.object) continue;
    if (text.property == kItemsProperty) {
      if (auto* combo = qobject_cast<QComboBox*>(text.object.data())) RebuildItems(combo, text.sourceLines);
    } else {
      text.object->setProperty(text.property.constData(), Translate(text.source));
    }
  }
  record->languageCode = code;
}

}  // namespace dtu
