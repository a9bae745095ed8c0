// SPDX-License-Identifier: MIT
#include "core/i18n/Localizer.h"

#include <dirent.h>
#include <fcntl.h>
#include <libintl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <utility>

#include "core/AppError.h"
#include "platform/posix/PosixLocaleName.h"

namespace dtu {

namespace {

constexpr char kDomain[] = "default";
// The language name under which libintl finds our copy of the catalog; the
// real language is chosen by which file we put there.
constexpr char kLibintlLanguage[] = "dtusms";

constexpr char kPrivatePrefix[] = "dtusms-l10n-";
constexpr char kOwnerFile[] = "owner";

// The kernel's start time of a process (clock ticks since boot), which tells
// a reused process id from the one that made a folder; nullopt when the
// process is gone.
std::optional<unsigned long long> ProcessStartTime(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  // The name in parentheses may hold blanks; field 22 counts from after it.
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(line.substr(close + 1));
  std::string field;
  for (int i = 3; i < 22 && fields >> field; ++i) {
  }
  unsigned long long start = 0;
  return fields >> start ? std::optional(start) : std::nullopt;
}

// "<pid> <start time>" of the process that owns a private folder.
QByteArray OwnerRecord(pid_t pid) {
  const std::optional<unsigned long long> start = ProcessStartTime(pid);
  return QByteArray::number(pid) + ' ' + QByteArray::number(start.value_or(0)) + '\n';
}

bool OwnerIsGone(const QByteArray& folder, const struct stat& info) {
  QFile file(QFile::decodeName(folder + '/' + kOwnerFile));
  if (!file.open(QIODevice::ReadOnly)) {
    // Killed before the record was written (or made by an older build): only
    // a folder that has not changed for a minute is taken for abandoned.
    return info.st_mtime < std::time(nullptr) - 60;
  }
  const QList<QByteArray> parts = file.read(64).trimmed().split(' ');
  bool ok = parts.size() == 2;
  const pid_t pid = ok ? static_cast<pid_t>(parts[0].toInt(&ok)) : 0;
  const unsigned long long start = ok ? parts[1].toULongLong(&ok) : 0;
  if (!ok || pid <= 0) return info.st_mtime < std::time(nullptr) - 60;
  if (pid == ::getpid()) return false;
  if (::kill(pid, 0) != 0 && errno == ESRCH) return true;
  const std::optional<unsigned long long> now = ProcessStartTime(pid);
  return now && start != 0 && *now != start;
}

// One private directory per process (mode 0700 from mkdtemp, unpredictable
// name, the owner's record inside), removed when the process ends normally.
class PrivateRoot {
 public:
  static PrivateRoot& Get() {
    static PrivateRoot root;
    return root;
  }
  const QByteArray& path() const { return path_; }
  // A fresh directory for each catalog: libintl caches catalogs by directory
  // and never rereads a file, so a new catalog needs a new place.
  QByteArray NewSlot() {
    if (path_.isEmpty()) return {};
    return path_ + '/' + QByteArray::number(++slots_);
  }
  ~PrivateRoot() {
    if (path_.isEmpty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_.constData(), ignored);
  }

 private:
  PrivateRoot() {
    QByteArray pattern = QFile::encodeName(QDir::tempPath()) + '/' + kPrivatePrefix + "XXXXXX";
    if (!mkdtemp(pattern.data())) return;
    path_ = pattern;
    QFile owner(QFile::decodeName(path_ + '/' + kOwnerFile));
    if (owner.open(QIODevice::WriteOnly | QIODevice::NewOnly)) owner.write(OwnerRecord(::getpid()));
  }
  QByteArray path_;
  int slots_ = 0;
};

bool WritePrivateFile(const QByteArray& slot, const QByteArray& content) {
  const QByteArray language = slot + '/' + kLibintlLanguage;
  const QByteArray dir = language + "/LC_MESSAGES";
  for (const QByteArray& each : {slot, language, dir})
    if (mkdir(each.constData(), 0700) != 0) return false;
  const QByteArray file = dir + "/" + kDomain + ".mo";
  const int fd = open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  qsizetype done = 0;
  while (done < content.size()) {
    const ssize_t n = write(fd, content.constData() + done, static_cast<size_t>(content.size() - done));
    if (n <= 0) break;
    done += n;
  }
  return close(fd) == 0 && done == content.size();
}

bool IsCLocale(const char* name) { return !name || !std::strcmp(name, "C") || !std::strcmp(name, "POSIX"); }

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

LocaleParts UserLocaleParts() {
  const platform::LocaleName locale = platform::ParseLocaleName(platform::FirstLocaleVariable({"LC_ALL", "LC_MESSAGES", "LANG"}));
  return {QString::fromStdString(locale.language), QString::fromStdString(locale.country)};
}

QString SystemDefaultLanguageCode() {
  const std::string lang = platform::FirstLocaleVariable({"LANG"});
  if (!lang.empty()) return QString::fromStdString(platform::ParseLocaleName(lang).beforeDot);
  const LocaleParts parts = UserLocaleParts();
  // Without a usable locale the program speaks its own language.
  if (parts.language.isEmpty()) return QStringLiteral("en");
  return parts.country.isEmpty() ? parts.language : parts.language + QLatin1Char('_') + parts.country;
}

Localizer::Localizer(const QString& executablePath, std::uint64_t tableOffset) : files_(executablePath, tableOffset) {
  bindtextdomain(kDomain, QFile::encodeName(files_.BaseDirectory() + QStringLiteral("locale")).constData());
  bind_textdomain_codeset(kDomain, "UTF-8");
  SetCurrentLanguage(QString());
}

Localizer::~Localizer() = default;

void Localizer::SetCurrentLanguage(const QString& code) {
  code_ = code.isEmpty() ? SystemDefaultLanguageCode() : code;
  opened_ = false;
  noCatalog_ = false;
  openPath_.clear();
  catalog_.reset();
  backend_ = Backend::None;
  libintlDirectory_.clear();
}

QString Localizer::CatalogPath(const QString& code) const {
  return files_.BaseDirectory() + QStringLiteral("locale/") + code + QStringLiteral("/LC_MESSAGES/default.mo");
}

void Localizer::OpenCatalog() {
  QString path;
  std::optional<EmbeddedFileInfo> appended;
  for (const QString& code : {code_, code_.left(2)}) {
    path = CatalogPath(code);
    if ((appended = files_.Find(path))) break;
    if (QFileInfo(path).isFile()) break;
    // Catalog folders are lower case ("zh_cn"); on a case-sensitive file
    // system the code of the locale ("zh_CN") would otherwise miss them.
    path = CatalogPath(code.toLower());
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
  QFile file(appended ? files_.ExecutablePath() : path);
  if (file.open(QIODevice::ReadOnly)) {
    if (appended) {
      const auto wanted = static_cast<qint64>(std::min<std::uint64_t>(appended->size, kMaxCatalogSize + 1));
      if (file.seek(static_cast<qint64>(appended->offset))) bytes = file.read(wanted);
      if (bytes.size() != wanted) bytes.truncate(std::min<qsizetype>(bytes.size(), 4));  // the file changed under us
    } else {
      bytes = file.read(kMaxCatalogSize + 1);
    }
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
  backend_ = PresentToLibintl() ? Backend::Libintl : Backend::Builtin;
}

bool Localizer::EnsureLibintlSees() {
  // libintl ignores every catalog while LC_MESSAGES is C or POSIX, and Qt
  // resets the locale from the environment when QApplication starts.
  if (IsCLocale(std::setlocale(LC_MESSAGES, nullptr)) && !std::setlocale(LC_MESSAGES, "C.UTF-8") &&
      !std::setlocale(LC_MESSAGES, "C.utf8"))
    return false;
  const char* language = std::getenv("LANGUAGE");
  if (!language || std::strcmp(language, kLibintlLanguage) != 0) setenv("LANGUAGE", kLibintlLanguage, 1);
  const char* bound = bindtextdomain(kDomain, nullptr);
  if (!bound || libintlDirectory_ != bound) {
    if (!bindtextdomain(kDomain, libintlDirectory_.constData())) return false;
    bind_textdomain_codeset(kDomain, "UTF-8");
  }
  return true;
}

bool Localizer::PresentToLibintl() {
  const QByteArray slot = PrivateRoot::Get().NewSlot();
  if (slot.isEmpty() || !WritePrivateFile(slot, WriteMoCatalog(*catalog_))) return false;
  libintlDirectory_ = slot;
  if (!EnsureLibintlSees()) return false;
  // Prove that libintl answers from our copy before relying on it.
  for (const MoMessage& m : catalog_->messages) {
    const QByteArray key = m.key();
    const QByteArray expected = FirstForm(m.translation);
    if (expected.isEmpty()) continue;
    return expected == dgettext(kDomain, key.constData());
  }
  return true;
}

QByteArray Localizer::Lookup(const QByteArray& id) {
  if (id.isEmpty() || id.contains('\0')) return id;
  if (backend_ == Backend::Libintl && EnsureLibintlSees()) {
    const char* result = dgettext(kDomain, id.constData());
    return result == id.constData() ? id : QByteArray(result);
  }
  const QByteArray* translation = catalog_ ? catalog_->find(id) : nullptr;
  return translation ? FirstForm(*translation) : id;
}

std::optional<LocalizationProblem> Localizer::TakeProblem() { return std::exchange(problem_, std::nullopt); }

QString Localizer::Translate(const QString& msgid) {
  if (translationOff_) return msgid;
  QByteArray id = msgid.toUtf8();
  id.replace("\r", QByteArray());
  if (!opened_) OpenCatalog();
  if (noCatalog_ || translationOff_) return msgid;
  QByteArray result = Lookup(id);
  PutBackCarriageReturns(result);
  return QString::fromUtf8(result);
}

void RemoveAbandonedCatalogFolders(const QString& tempDirectory) {
  const QByteArray root = QFile::encodeName(tempDirectory);
  DIR* dir = ::opendir(root.constData());
  if (!dir) return;
  const std::size_t prefix = std::strlen(kPrivatePrefix);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name.size() != prefix + 6 || !name.starts_with(kPrivatePrefix)) continue;
    const QByteArray folder = root + '/' + entry->d_name;
    struct stat info {};
    if (::lstat(folder.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) continue;
    if (!OwnerIsGone(folder, info)) continue;
    std::error_code ignored;
    std::filesystem::remove_all(folder.constData(), ignored);
  }
  ::closedir(dir);
}

void StartLocalizer(const QString& executablePath) {
  RemoveAbandonedCatalogFolders(QDir::tempPath());
  StartLocalizer(executablePath, AppendedTableOffset());
}

void StartLocalizer(const QString& executablePath, std::uint64_t tableOffset) {
  GlobalSlot() = std::make_unique<Localizer>(executablePath, tableOffset);
}

Localizer* GlobalLocalizer() { return GlobalSlot().get(); }

std::optional<LocalizationProblem> TakeLocalizationProblem() {
  Localizer* localizer = GlobalLocalizer();
  return localizer ? localizer->TakeProblem() : std::nullopt;
}

void SetCurrentLanguage(const QString& code) {
  if (Localizer* localizer = GlobalLocalizer()) localizer->SetCurrentLanguage(code);
}

QString CurrentLanguageCode() {
  const Localizer* localizer = GlobalLocalizer();
  return localizer ? localizer->CurrentLanguageCode() : QString();
}

}  // namespace dtu
