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

namespace platform {
class LocaleFacts;
class MessageCatalogs;
struct Platform;
}  // namespace platform

// The language the empty code stands for: LANG when set and not empty, cut
// before the first "."; else the language and country of the user's locale;
// else "en".
QString SystemDefaultLanguageCode(platform::LocaleFacts& locale);

// A catalog that cannot serve: the localizer keeps it for the window to show.
struct LocalizationProblem {
  QString caption;
  QString text;
};

class Localizer {
 public:
  // System: the system's look-up answers (the own one stands in whenever it
  // cannot); Builtin: the own look-up alone.
  enum class Backend { None, System, Builtin };

  // Reads the appended-file table and starts in the system's default
  // language. Without `catalogs` every look-up is the own one. `catalogs`
  // holds one catalog at a time, so it serves one localizer.
  Localizer(platform::LocaleFacts& locale, platform::MessageCatalogs* catalogs, const QString& executablePath,
            std::uint64_t tableOffset);
  ~Localizer();
  Localizer(const Localizer&) = delete;
  Localizer& operator=(const Localizer&) = delete;

  // The empty code is resolved at once to the system's default language. The
  // catalog is looked for at the next Translate.
  void SetCurrentLanguage(const QString& code);
  const QString& currentLanguageCode() const { return code_; }

  // Throws AppError when the chosen catalog lacks the MO magic number, the
  // first time for each file; then it serves as no catalog.
  QString Translate(const QString& msgid);

  // "<exe dir>/locale/<code>/LC_MESSAGES/default.mo"
  QString catalogPath(const QString& code) const;
  const FileLocator& files() const { return files_; }
  // Which path serves the current language; empty before the first look-up
  // or when there is none.
  const QString& openCatalogPath() const { return openPath_; }
  Backend activeBackend() const { return backend_; }
  bool translationTurnedOff() const { return translationOff_; }
  // What went wrong when the catalog was opened, handed out once.
  std::optional<LocalizationProblem> takeProblem();

 private:
  void openCatalog();
  bool presentToSystem();
  QByteArray lookup(const QByteArray& id);

  platform::LocaleFacts& locale_;
  platform::MessageCatalogs* catalogs_;
  FileLocator files_;
  QString code_;
  bool opened_ = false;
  bool noCatalog_ = false;
  bool translationOff_ = false;
  QString openPath_;
  std::optional<MoCatalog> catalog_;
  Backend backend_ = Backend::None;
  std::optional<LocalizationProblem> problem_;
  QStringList reportedBadCatalogs_;
};

// The one Localizer of the program, alive from StartLocalizer to exit. Call
// StartLocalizer after the application object exists and before the main
// window is built: it tidies what killed runs left and reads the catalogs
// appended to the running executable. The second form, for tests, takes the
// executable and its table offset as given.
void StartLocalizer(const platform::Platform& platform);
void StartLocalizer(const platform::Platform& platform, const QString& executablePath, std::uint64_t tableOffset);
// For the command line, before any application object: the locale's language from the catalogs appended to
// the running executable, by the own look-up alone, so that nothing is written. StartLocalizer replaces it.
void StartCommandLineLocalizer(const platform::Platform& platform);
// Null before StartLocalizer; Translate then gives the message ids.
Localizer* GlobalLocalizer();
void SetCurrentLanguage(const QString& code);
QString CurrentLanguageCode();
std::optional<LocalizationProblem> TakeLocalizationProblem();

}  // namespace dtu
