// SPDX-License-Identifier: MIT
#include "core/i18n/Localizer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <string>
#include <utility>

#include "core/AppError.h"
#include "platform/LocaleFacts.h"
#include "platform/MessageCatalogs.h"
#include "platform/Platform.h"
#include "platform/Process.h"

namespace dtu {

namespace {

void PutBackCarriageReturns(QByteArray& text) {
  QByteArray out;
  out.reserve(text.size() + 8);
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.append('\r');
    out.append(text[i]);
  }
  text = std::move(out);
}

// A translation with plural forms: the singular, as gettext gives it.
QByteArray FirstForm(const QByteArray& translation) {
  const qsizetype nul = translation.indexOf('\0');
  return nul < 0 ? translation : translation.left(nul);
}

std::unique_ptr<Localizer>& GlobalSlot() {
  static std::unique_ptr<Localizer> localizer;
  return localizer;
}

}  // namespace

QString SystemDefaultLanguageCode(platform::LocaleFacts& locale) {
  if (const std::optional<std::string> lang = locale.langVariable())
    return QString::fromStdString(lang->substr(0, lang->find('.')));
  const QString language = QString::fromStdString(locale.isoLanguage());
  const QString country = QString::fromStdString(locale.isoCountry());
  // Without a usable locale the program speaks its own language.
  if (language.isEmpty()) return QStringLiteral("en");
  return country.isEmpty() ? language : language + QLatin1Char('_') + country;
}

Localizer::Localizer(platform::LocaleFacts& locale, platform::MessageCatalogs* catalogs, const QString& executablePath,
                     std::uint64_t tableOffset)
    : locale_(locale), catalogs_(catalogs), files_(executablePath, tableOffset) {
  SetCurrentLanguage(QString());
}

Localizer::~Localizer() = default;

void Localizer::SetCurrentLanguage(const QString& code) {
  code_ = code.isEmpty() ? SystemDefaultLanguageCode(locale_) : code;
  opened_ = false;
  noCatalog_ = false;
  openPath_.clear();
  catalog_.reset();
  backend_ = Backend::None;
}

QString Localizer::catalogPath(const QString& code) const {
  // With the system's own separators, as the messages that name it show it.
  return QDir::toNativeSeparators(files_.baseDirectory() + QStringLiteral("locale/") + code +
                                  QStringLiteral("/LC_MESSAGES/default.mo"));
}

void Localizer::openCatalog() {
  QString path;
  std::optional<EmbeddedFileInfo> appended;
  for (const QString& code : {code_, code_.left(2)}) {
    path = catalogPath(code);
    if ((appended = files_.find(path))) break;
    if (QFileInfo(path).isFile()) break;
    // Catalog folders are lower case ("zh_cn"); on a case-sensitive file
    // system the code of the locale ("zh_CN") would otherwise miss them.
    path = catalogPath(code.toLower());
    if (QFileInfo(path).isFile()) break;
    path.clear();
  }
  if (path.isEmpty()) {
    opened_ = true;
    noCatalog_ = true;
    return;
  }

  // Read one byte more than any acceptable catalog, so an oversized one is
  // recognised without reading all of it.
  QByteArray bytes;
  if (appended) {
    const auto wanted = static_cast<qint64>(std::min<std::uint64_t>(appended->size, kMaxCatalogSize + 1));
    bytes = files_.read(*appended, wanted);
    if (bytes.size() != wanted) bytes.truncate(std::min<qsizetype>(bytes.size(), 4));  // the file changed under us
  } else if (QFile file(path); file.open(QIODevice::ReadOnly)) {
    bytes = file.read(kMaxCatalogSize + 1);
  }
  if (!HasMoMagic(bytes)) {
    // Reported once; afterwards the language is one without a catalog, so
    // that the window can still be built and the settings loaded.
    opened_ = true;
    noCatalog_ = true;
    if (reportedBadCatalogs_.contains(path)) return;
    reportedBadCatalogs_.append(path);
    throw AppError(QStringLiteral("This file is not a valid GNU gettext mo file: ") + path);
  }

  opened_ = true;
  openPath_ = path;
  std::optional<MoCatalog> parsed = ParseMoCatalog(bytes);
  if (!parsed) {
    // A damaged catalog is one without translations: the ids come back.
    catalog_ = MoCatalog{};
    backend_ = Backend::Builtin;
    return;
  }
  if (!parsed->header || !DeclaresUtf8(*parsed->header)) {
    translationOff_ = true;
    problem_ = LocalizationProblem{QStringLiteral("Localization problem"),
                                   QStringLiteral("The translation for the language code ") + code_ +
                                       QStringLiteral(" (in ") + path +
                                       QStringLiteral(") does not have charset=utf-8 in its Content-Type. "
                                                      "Translations are turned off.")};
    return;
  }
  catalog_ = std::move(parsed);
  backend_ = presentToSystem() ? Backend::System : Backend::Builtin;
}

bool Localizer::presentToSystem() {
  if (!catalogs_) return false;
  // The first message with a translation proves that the system answers from
  // this catalog; a catalog without one has nothing to prove.
  for (const MoMessage& m : catalog_->messages) {
    const QByteArray expected = FirstForm(m.translation);
    if (!expected.isEmpty()) return catalogs_->load(WriteMoCatalog(*catalog_), m.key(), expected);
  }
  return catalogs_->load(WriteMoCatalog(*catalog_), {}, {});
}

QByteArray Localizer::lookup(const QByteArray& id) {
  if (id.isEmpty() || id.contains('\0')) return id;
  if (backend_ == Backend::System)
    if (std::optional<QByteArray> answer = catalogs_->lookup(id)) return *std::move(answer);
  const QByteArray* translation = catalog_ ? catalog_->find(id) : nullptr;
  return translation ? FirstForm(*translation) : id;
}

std::optional<LocalizationProblem> Localizer::takeProblem() { return std::exchange(problem_, std::nullopt); }

QString Localizer::Translate(const QString& msgid) {
  if (translationOff_) return msgid;
  QByteArray id = msgid.toUtf8();
  id.replace("\r", QByteArray());
  if (!opened_) openCatalog();
  if (noCatalog_ || translationOff_) return msgid;
  QByteArray result = lookup(id);
  PutBackCarriageReturns(result);
  return QString::fromUtf8(result);
}

void StartLocalizer(const platform::Platform& platform) {
  platform.process.removeAbandonedPrivateFolders();
  StartLocalizer(platform, platform.process.executablePath(), AppendedTableOffset());
}

void StartCommandLineLocalizer(const platform::Platform& platform) {
  GlobalSlot() =
      std::make_unique<Localizer>(platform.locale, nullptr, platform.process.executablePath(), AppendedTableOffset());
}

void StartLocalizer(const platform::Platform& platform, const QString& executablePath, std::uint64_t tableOffset) {
  GlobalSlot() = std::make_unique<Localizer>(platform.locale, platform.catalogs, executablePath, tableOffset);
}

Localizer* GlobalLocalizer() { return GlobalSlot().get(); }

std::optional<LocalizationProblem> TakeLocalizationProblem() {
  Localizer* localizer = GlobalLocalizer();
  return localizer ? localizer->takeProblem() : std::nullopt;
}

void SetCurrentLanguage(const QString& code) {
  if (Localizer* localizer = GlobalLocalizer()) localizer->SetCurrentLanguage(code);
}

QString CurrentLanguageCode() {
  const Localizer* localizer = GlobalLocalizer();
  return localizer ? localizer->currentLanguageCode() : QString();
}

}  // namespace dtu
