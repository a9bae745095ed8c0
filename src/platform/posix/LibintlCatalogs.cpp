// SPDX-License-Identifier: MIT
#include "platform/posix/LibintlCatalogs.h"

#include <fcntl.h>
#include <libintl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "platform/Process.h"

namespace dtu::platform {

namespace {

constexpr char kDomain[] = "default";
// The language name under which libintl finds our copy of the catalog; the
// real language is chosen by which file we put there.
constexpr char kLibintlLanguage[] = "dtusms";

bool WritePrivateFile(const QByteArray& slot, const QByteArray& content) {
  const QByteArray language = slot + '/' + kLibintlLanguage;
  const QByteArray dir = language + "/LC_MESSAGES";
  for (const QByteArray& each : {slot, language, dir})
    if (::mkdir(each.constData(), 0700) != 0) return false;
  const QByteArray file = dir + "/" + kDomain + ".mo";
  const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  qsizetype done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.constData() + done, static_cast<size_t>(content.size() - done));
    if (n <= 0) break;
    done += n;
  }
  return ::close(fd) == 0 && done == content.size();
}

bool IsCLocale(const char* name) { return !name || !std::strcmp(name, "C") || !std::strcmp(name, "POSIX"); }

}  // namespace

bool LibintlCatalogs::ensureSeen() {
  // libintl ignores every catalog while LC_MESSAGES is C or POSIX, and Qt
  // resets the locale from the environment when QApplication starts.
  if (IsCLocale(std::setlocale(LC_MESSAGES, nullptr)) && !std::setlocale(LC_MESSAGES, "C.UTF-8") &&
      !std::setlocale(LC_MESSAGES, "C.utf8"))
    return false;
  const char* language = std::getenv("LANGUAGE");
  if (!language || std::strcmp(language, kLibintlLanguage) != 0) ::setenv("LANGUAGE", kLibintlLanguage, 1);
  const char* bound = bindtextdomain(kDomain, nullptr);
  if (!bound || directory_ != bound) {
    if (!bindtextdomain(kDomain, directory_.constData())) return false;
    bind_textdomain_codeset(kDomain, "UTF-8");
  }
  return true;
}

bool LibintlCatalogs::load(const QByteArray& moBytes, const QByteArray& probeId, const QByteArray& probeTranslation) {
  directory_.clear();
  const std::optional<QString> folder = process_.privateFolder();
  if (!folder) return false;
  // A fresh directory for each catalog: libintl caches catalogs by directory
  // and never rereads a file, so a new catalog needs a new place.
  const QByteArray slot = QFile::encodeName(*folder) + '/' + QByteArray::number(++slots_);
  if (!WritePrivateFile(slot, moBytes)) return false;
  directory_ = slot;
  // Prove that libintl answers from our copy before relying on it.
  if (ensureSeen() && (probeId.isEmpty() || probeTranslation == dgettext(kDomain, probeId.constData()))) return true;
  directory_.clear();
  return false;
}

std::optional<QByteArray> LibintlCatalogs::lookup(const QByteArray& id) {
  if (directory_.isEmpty() || !ensureSeen()) return std::nullopt;
  // A C string: of a message with plural forms, the first.
  const char* result = dgettext(kDomain, id.constData());
  return result == id.constData() ? id : QByteArray(result);
}

}  // namespace dtu::platform
