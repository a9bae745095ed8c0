// SPDX-License-Identifier: MIT
// Builders for the files the localization tests need: MO catalogs written
// byte by byte (independently of the program's own writer), executables with
// an appended table, and environment and presenter guards.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "MessagePresenter.h"

namespace dtu::testing {

inline void PutU32(QByteArray& out, std::uint32_t v, bool bigEndian) {
  for (int i = 0; i < 4; ++i) out.append(static_cast<char>(v >> (bigEndian ? 24 - 8 * i : 8 * i)));
}
inline void PutU64(QByteArray& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out.append(static_cast<char>(v >> (8 * i)));
}

// A revision 0 catalog; `messages` must already be sorted by id.
inline QByteArray BuildMo(const std::vector<std::pair<QByteArray, QByteArray>>& messages, bool bigEndian = false,
                          const QByteArray& header = "Content-Type: text/plain; charset=UTF-8\n") {
  std::vector<std::pair<QByteArray, QByteArray>> all{{QByteArray(), header}};
  all.insert(all.end(), messages.begin(), messages.end());
  const auto n = static_cast<std::uint32_t>(all.size());
  QByteArray out, strings;
  std::uint32_t at = 28 + 16 * n;
  PutU32(out, 0x950412DE, bigEndian);
  for (std::uint32_t v : {0u, n, 28u, 28 + 8 * n, 0u, at}) PutU32(out, v, bigEndian);
  for (int side = 0; side < 2; ++side) {
    for (const auto& m : all) {
      const QByteArray& s = side == 0 ? m.first : m.second;
      PutU32(out, static_cast<std::uint32_t>(s.size()), bigEndian);
      PutU32(out, at, bigEndian);
      strings.append(s).append('\0');
      at += static_cast<std::uint32_t>(s.size()) + 1;
    }
  }
  return out + strings;
}

struct AppendedFile {
  QByteArray name;
  QByteArray content;
};

// An "executable": `image` followed by the files, padding and 256-byte
// entries, as the packaging writes them. Returns the file and the table offset.
inline std::pair<QByteArray, std::uint64_t> BuildExecutable(const QByteArray& image,
                                                            const std::vector<AppendedFile>& files) {
  QByteArray out = image;
  std::vector<std::uint64_t> offsets;
  for (const auto& f : files) {
    offsets.push_back(static_cast<std::uint64_t>(out.size()));
    out.append(f.content);
  }
  while (out.size() % 256) out.append('\0');
  const auto table = static_cast<std::uint64_t>(out.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    PutU64(out, table + 256 * (i + 1));
    PutU64(out, offsets[i]);
    PutU64(out, static_cast<std::uint64_t>(files[i].content.size()));
    out.append(files[i].name.leftJustified(232, ' '));
  }
  PutU64(out, 0);
  return {out, table};
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/'))));
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Sets or unsets locale variables for one test and restores them after.
class EnvGuard {
 public:
  EnvGuard(std::initializer_list<std::pair<const char*, std::optional<std::string>>> values) {
    for (const char* name : {"LANG", "LC_ALL", "LC_MESSAGES", "LANGUAGE"}) {
      const char* old = std::getenv(name);
      saved_.emplace(name, old ? std::optional<std::string>(old) : std::nullopt);
      unsetenv(name);
    }
    for (const auto& [name, value] : values)
      if (value) setenv(name, value->c_str(), 1);
  }
  ~EnvGuard() {
    for (const auto& [name, value] : saved_) value ? (void)setenv(name.c_str(), value->c_str(), 1) : (void)unsetenv(name.c_str());
  }
  EnvGuard(const EnvGuard&) = delete;
  EnvGuard& operator=(const EnvGuard&) = delete;

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

class RecordingPresenter final : public MessagePresenter {
 public:
  RecordingPresenter() { SetPresenter(this); }
  ~RecordingPresenter() override { SetPresenter(nullptr); }
  void show(const BoxRequest& request) override { boxes.push_back(request); }
  std::vector<BoxRequest> boxes;
};

inline QString CatalogIn(const QString& dir, const QString& code) {
  return dir + QStringLiteral("/locale/") + code + QStringLiteral("/LC_MESSAGES/default.mo");
}

inline QByteArray RealCatalog(const char* code) {
  return ReadBytes(QStringLiteral(DTU_CATALOG_DIR "/") + QLatin1String(code) + QStringLiteral(".mo"));
}

}  // namespace dtu::testing
