// SPDX-License-Identifier: MIT
#include "ui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include "core/i18n/Languages.h"

namespace dtu {

namespace {
// Owned by the application object, so it goes when the application goes.
QPointer<QTranslator> g_translator;
}  // namespace

QString QtLanguageFor(const QString& languageCode) {
  const Language* row = LanguageForCode(languageCode.toStdString());
  return row ? QString::fromLatin1(row->qtCatalog) : QString();
}

bool ApplyQtTranslations(const QString& languageCode) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return false;
  const QString language = QtLanguageFor(languageCode);
  if (g_translator && g_translator->property("dtuLanguage").toString() == language) return !language.isEmpty();
  if (g_translator) {
    QCoreApplication::removeTranslator(g_translator);
    delete g_translator;
  }
  if (language.isEmpty()) return false;
  auto* translator = new QTranslator(app);
  if (!translator->load(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  translator->setProperty("dtuLanguage", language);
  QCoreApplication::installTranslator(translator);
  g_translator = translator;
  return true;
}

}  // namespace dtu
