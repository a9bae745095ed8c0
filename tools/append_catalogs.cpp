// SPDX-License-Identifier: MIT
// Build step: appends the compiled catalogs to the finished executable,
// writes the file table behind them and patches the table's offset into the
// 8 bytes after the marker. Running it again replaces an earlier append.
//
//   append_catalogs <executable> <code>=<file.mo>...
//
// Each file is named "locale\<code>\LC_MESSAGES\default.mo" in the table.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/i18n/AppendedTable.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr std::string_view kMarker = dtu::appended::kMarkerText;
constexpr std::size_t kEntrySize = dtu::appended::kEntrySize;
constexpr std::size_t kFixedPart = dtu::appended::kFixedPart;

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Failure("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::uint64_t GetU64(const Bytes& bytes, std::size_t at) {
  if (at > bytes.size() || bytes.size() - at < 8) throw Failure("table offset outside the file");
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
  return value;
}

void PutU64(Bytes& bytes, std::size_t at, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
}

void AppendU64(Bytes& bytes, std::uint64_t value) {
  bytes.resize(bytes.size() + 8);
  PutU64(bytes, bytes.size() - 8, value);
}

std::size_t FindMarker(const Bytes& image) {
  std::vector<std::size_t> hits;
  auto from = image.begin();
  while (true) {
    from = std::search(from, image.end(), kMarker.begin(), kMarker.end());
    if (from == image.end()) break;
    hits.push_back(static_cast<std::size_t>(from - image.begin()));
    ++from;
  }
  if (hits.size() != 1)
    throw Failure("the marker occurs " + std::to_string(hits.size()) + " times in the executable; expected once");
  if (image.size() - hits[0] < kMarker.size() + 8) throw Failure("the marker is too close to the end of the file");
  return hits[0] + kMarker.size();
}

// The image ends where the first appended file begins; the files lie before
// the table, so that is the smallest file offset in it.
std::size_t ImageEnd(const Bytes& file, std::uint64_t tableOffset) {
  std::uint64_t end = tableOffset;
  std::uint64_t pos = tableOffset;
  std::size_t entries = 0;
  while (true) {
    const std::uint64_t next = GetU64(file, pos);
    if (next == 0) break;
    if (next < pos + kFixedPart || next > file.size()) throw Failure("the existing table is damaged");
    end = std::min(end, GetU64(file, pos + 8));
    pos = next;
    ++entries;
  }
  if (entries == 0) throw Failure("the existing table is empty; cannot tell where the image ends");
  return static_cast<std::size_t>(end);
}

void WriteFileReplacing(const std::string& path, const Bytes& bytes) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) throw Failure("cannot stat " + path);
  const std::string temporary = path + ".catalogs.tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw Failure("cannot write " + temporary);
  }
  if (chmod(temporary.c_str(), info.st_mode & 07777) != 0 || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    throw Failure("cannot replace " + path);
  }
}

void Run(int argc, char** argv) {
  if (argc < 3) throw Failure("usage: append_catalogs <executable> <code>=<file.mo>...");
  const std::string executable = argv[1];
  Bytes file = ReadFile(executable);
  const std::size_t slot = FindMarker(file);

  const std::uint64_t previous = GetU64(file, slot);
  if (previous != 0) {
    if (previous >= file.size()) throw Failure("the existing table offset lies outside the file");
    file.resize(ImageEnd(file, previous));
    PutU64(file, slot, 0);
  }

  struct Appended {
    std::string name;
    std::uint64_t offset, size;
  };
  std::vector<Appended> appended;
  for (int i = 2; i < argc; ++i) {
    const std::string argument = argv[i];
    const std::size_t equals = argument.find('=');
    if (equals == std::string::npos || equals == 0) throw Failure("expected <code>=<file>: " + argument);
    const std::string name = "locale\\" + argument.substr(0, equals) + "\\LC_MESSAGES\\default.mo";
    if (name.size() > kEntrySize - kFixedPart) throw Failure("name too long: " + name);
    const Bytes content = ReadFile(argument.substr(equals + 1));
    appended.push_back({name, file.size(), content.size()});
    file.insert(file.end(), content.begin(), content.end());
  }

  file.resize((file.size() + kEntrySize - 1) / kEntrySize * kEntrySize, 0);
  const std::uint64_t table = file.size();
  for (std::size_t i = 0; i < appended.size(); ++i) {
    AppendU64(file, table + (i + 1) * kEntrySize);
    AppendU64(file, appended[i].offset);
    AppendU64(file, appended[i].size);
    std::string name = appended[i].name;
    name.resize(kEntrySize - kFixedPart, ' ');
    file.insert(file.end(), name.begin(), name.end());
  }
  AppendU64(file, 0);
  if (file.size() >= (std::uint64_t{1} << 31)) throw Failure("offsets must stay below 2^31");
  PutU64(file, slot, table);
  WriteFileReplacing(executable, file);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    Run(argc, argv);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "append_catalogs: %s\n", e.what());
    return 1;
  }
}
