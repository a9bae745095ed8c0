// SPDX-License-Identifier: MIT
// Message look-up in the current interface language, over the catalogs
// appended to the executable or lying on disk beside it.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

#include "core/i18n/FileLocator.h"
#include "core/i18n/MoCatalog.h"

namespace dtu {

// The language the empty code stands for: LANG when set and not empty, else
// the language and country of the user's locale (LC_ALL, LC_MESSAGES, LANG);
// cut before the first ".".
QString SystemDefaultLanguageCode();

// Language and country of the user's locale name (LC_ALL, LC_MESSAGES, LANG:
// the first that is set and not empty): "zh_CN.UTF-8" gives {"zh", "CN"}.
// Both empty for C, POSIX or no locale at all.
struct LocaleParts {
  QString language;
  QString country;
};
LocaleParts UserLocaleParts();

// A catalog that cannot serve: the localizer keeps it for the window to show.
struct LocalizationProblem {
  QString caption;
  QString text;
};

class Localizer {
 public:
  enum class Backend { None, Libintl, Builtin };

  // Reads the appended-file table, binds the domain to <exe dir>/locale and
  // starts in the system's default language.
  Localizer(const QString& executablePath, std::uint64_t tableOffset);
  ~Localizer();
  Localizer(const Localizer&) = delete;
  Localizer& operator=(const Localizer&) = delete;

  // The empty code is resolved at once to the system's default language. The
  // catalog is looked for at the next Translate.
  void SetCurrentLanguage(const QString& code);
  const QString& CurrentLanguageCode() const { return code_; }

  // Throws AppError when the chosen catalog lacks the MO magic number, the
  // first time for each file; then it serves as no catalog.
  QString Translate(const QString& msgid);

  // "<exe dir>/locale/<code>/LC_MESSAGES/default.mo"
  QString CatalogPath(const QString& code) const;
  const FileLocator& Files() const { return files_; }
  // Which path serves the current language; empty before the first look-up
  // or when there is none.
  const QString& OpenCatalogPath() const { return openPath_; }
  Backend ActiveBackend() const { return backend_; }
  bool TranslationTurnedOff() const { return translationOff_; }
  // What went wrong when the catalog was opened, handed out once.
  std::optional<LocalizationProblem> TakeProblem();

 private:
  void OpenCatalog();
  bool PresentToLibintl();
  bool EnsureLibintlSees();
  QByteArray Lookup(const QByteArray& id);

  FileLocator files_;
  QString code_;
  bool opened_ = false;
  bool noCatalog_ = false;
  bool translationOff_ = false;
  QString openPath_;
  std::optional<MoCatalog> catalog_;
  Backend backend_ = Backend::None;
  QByteArray libintlDirectory_;  // the private directory bound to "default"
  std::optional<LocalizationProblem> problem_;
  QStringList reportedBadCatalogs_;
};

// Removes the private catalog folders in `tempDirectory` that belong to this
// user and whose owning process is gone (a kill leaves them behind).
void RemoveAbandonedCatalogFolders(const QString& tempDirectory);

// The one Localizer of the program, alive from StartLocalizer to exit.
// Call StartLocalizer(QCoreApplication::applicationFilePath()) after the
// QApplication exists and before the main window is built; this form also
// tidies the temporary directory.
void StartLocalizer(const QString& executablePath);
void StartLocalizer(const QString& executablePath, std::uint64_t tableOffset);
// Null before StartLocalizer; Translate then gives the message ids.
Localizer* GlobalLocalizer();
void SetCurrentLanguage(const QString& code);
QString CurrentLanguageCode();
std::optional<LocalizationProblem> TakeLocalizationProblem();

}  // namespace dtu
