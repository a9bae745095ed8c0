// SPDX-License-Identifier: MIT
#include "ui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "core/i18n/Languages.h"

namespace dtu {

namespace {
// Owned by the application object, so it goes when the application goes; found again by name.
constexpr char kTranslatorName[] = "dtuQtTranslator";
}  // namespace

QString QtLanguageFor(const QString& languageCode) {
  const Language* row = LanguageForCode(languageCode.toStdString());
  return row ? QString::fromLatin1(row->qtCatalog) : QString();
}

bool ApplyQtTranslations(const QString& languageCode) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return false;
  const QString language = QtLanguageFor(languageCode);
  QTranslator* installed = app->findChild<QTranslator*>(QLatin1String(kTranslatorName), Qt::FindDirectChildrenOnly);
  if (installed && installed->property("dtuLanguage").toString() == language) return !language.isEmpty();
  if (installed) {
    QCoreApplication::removeTranslator(installed);
    delete installed;
  }
  if (language.isEmpty()) return false;
  auto* translator = new QTranslator(app);
  if (!translator->load(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  translator->setObjectName(QLatin1String(kTranslatorName));
  translator->setProperty("dtuLanguage", language);
  QCoreApplication::installTranslator(translator);
  return true;
}

}  // namespace dtu
