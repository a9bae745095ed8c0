// SPDX-License-Identifier: MIT
// The Windows code page, file store, locale facts and process against the
// system itself: best fit, invalid bytes, the swap through a temporary file.
#include <gtest/gtest.h>

#include <QIODevice>
#include <filesystem>
#include <optional>
#include <set>
#include <thread>
#include <tuple>

#include "platform/windows/WinCodePage.h"
#include "platform/windows/WinFileStore.h"
#include "platform/windows/WinHeaders.h"
#include "platform/windows/WinProcess.h"
#include "platform/windows/WinText.h"

namespace dtu::platform {
namespace {

namespace fs = std::filesystem;

TEST(WinCodePage, NamesConvertAndReplace) {
  // clang-format off
  const struct { const char* name; std::optional<unsigned> codePage; } names[] = {
      {"utf-8", 65001}, {"CP936", 936}, {"gbk", 936}, {"GB2312", 936}, {"GB18030", 54936}, {"Big5-HKSCS", 950},
      {"shift_jis", 932}, {"SJIS", 932}, {"EUC-KR", 949}, {"latin1", 28591}, {"ISO-8859-2", 28592},
      {"iso-8859-15", 28605}, {"ASCII", 20127}, {"windows-1251", 1251}, {"ISO-8859-10", {}}, {"CPX", {}},
      {"KOI8-R", {}},
  };
  const struct { const char* charset; std::u32string text; std::string bytes; } encodes[] = {
      {"CP1252", U"\uff21\u0107\u2212\u00e9\u4e2d\u20ac", "Ac-\xe9?\x80"}, {"CP936", {0x1F600, 0x110000}, "??"},
      {"GBK", U"\u7f16\u53f7\u00fd", "\xb1\xe0\xba\xc5y"}, {"NO-SUCH", U"ab", "??"},
      {"UTF-8", {U'a', 0xD800, 0xDC00, 0x1F600}, "a??\xf0\x9f\x98\x80"},
  };
  const struct { const char* charset; std::string bytes; std::u32string text; } decodes[] = {
      {"CP936", "a\xff" "b", U"a?b"}, {"GBK", "a\xb1", U"a?"}, {"GBK", "\xa1 \xb1\xe0", U"? \u7f16"},
      {"UTF-8", "\xef\xbf\xbd\xff\xe4\xb8", U"\ufffd???"}, {"UTF-8", "\xf0\x9f\x98\x80", U"\U0001F600"},
      {"CP932", "\x82", U"?"}, {"US-ASCII", "a\xe9", U"a?"}, {"CP1252", "\x80\xe9", U"\u20ac\u00e9"},
  };
  // clang-format on
  for (const auto& c : names) EXPECT_EQ(WinCodePage::CodePageOf(c.name), c.codePage) << c.name;
  WinCodePage codePage;
  for (const auto& c : encodes) EXPECT_EQ(codePage.encode(c.text, c.charset), c.bytes) << c.charset << ' ' << c.bytes;
  for (const auto& c : decodes)
    EXPECT_TRUE(codePage.decode(c.bytes, c.charset) == c.text) << c.charset << ' ' << c.bytes;
  EXPECT_TRUE(codePage.supports("gbk"));
  EXPECT_FALSE(codePage.supports("CP12345"));
}

// The one UTF-16 conversion of the Windows facilities, both ways, in UTF-8
// and in two ANSI code pages.
TEST(WinText, ConvertsToAndFromUtf16) {
  // clang-format off
  const struct { unsigned codePage; std::string bytes; std::wstring wide; } cases[] = {
      {CP_UTF8, "", L""}, {CP_UTF8, "a\xc3\xa9\xe4\xb8\xad", L"a\u00e9\u4e2d"},
      {CP_UTF8, "\xf0\x9f\x98\x80", L"\U0001F600"}, {1252, "\x80\xe9", L"\u20ac\u00e9"}, {936, "\xb1\xe0", L"\u7f16"},
  };
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_TRUE(ToWide(c.bytes, c.codePage) == c.wide) << c.codePage << ' ' << c.bytes;
    EXPECT_EQ(FromWide(c.wide, c.codePage), c.bytes) << c.codePage;
  }
}

class WinFileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("dtusms-test-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    for (const auto& e : fs::directory_iterator(folder_)) SetFileAttributesW(e.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(folder_);
  }
  // The path as the program passes it: ANSI code page bytes with "\".
  std::string Ansi(const std::wstring& name) const {
    return QString::fromStdWString((folder_ / name).wstring()).toLocal8Bit().toStdString();
  }
  std::set<std::wstring> entries() const {
    std::set<std::wstring> names;
    for (const auto& e : fs::directory_iterator(folder_)) names.insert(e.path().filename().wstring());
    return names;
  }
  fs::path folder_;
  WinFileStore store_;
};

// A new file, a replace that leaves no temporary, a read-only file left alone, and a non-ASCII name from the ANSI
// code page, found under that name by the W functions.
TEST_F(WinFileStoreTest, ReplacesThroughTemporary) {
  std::wstring name = L"settings.ini";
  for (const wchar_t* candidate : {L"caf\u00e9.ini", L"\u4e2d.ini", L"\u0416.ini"}) {
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, candidate, -1, nullptr, 0, nullptr, &lossy);
    if (!lossy && name == L"settings.ini") name = candidate;
  }
  const std::string path = Ansi(name);
  ASSERT_NE(path.find('\\'), std::string::npos);
  ASSERT_FALSE(store_.replaceFile(path, "one"));
  EXPECT_EQ(store_.readFile(path).bytes, "one");
  ASSERT_FALSE(store_.replaceFile(path, "two"));
  EXPECT_EQ(store_.readFile(path).bytes, "two");
  EXPECT_EQ(entries(), std::set<std::wstring>{name});

  SetFileAttributesW((folder_ / name).c_str(), FILE_ATTRIBUTE_READONLY);
  for (const auto& failure : {store_.checkWritable(path), store_.replaceFile(path, "three")})
    EXPECT_EQ(failure ? failure->code : 0, ERROR_ACCESS_DENIED);
  EXPECT_EQ(store_.readFile(path).bytes, "two");
  EXPECT_EQ(entries(), std::set<std::wstring>{name});
}

TEST_F(WinFileStoreTest, ReadsMissingAndFailed) {
  // clang-format off
  const struct { std::wstring name; FileRead::Status status; int code; } cases[] = {
      {L"none.ini", FileRead::Status::Missing, 0}, {L"no-folder\\none.ini", FileRead::Status::Missing, 0},
      {L"folder", FileRead::Status::Failed, ERROR_ACCESS_DENIED},
  };
  // clang-format on
  fs::create_directory(folder_ / L"folder");
  for (const auto& c : cases) {
    const FileRead read = store_.readFile(Ansi(c.name));
    EXPECT_EQ(std::tuple(read.status, read.failure.code, read.failure.cause.empty()),
              std::tuple(c.status, c.code, c.code == 0));
  }
}

// Only this file's temporaries with the marker, and only the old ones, go; a hand-made name stays.
TEST_F(WinFileStoreTest, RemovesStaleTemporaries) {
  const struct {
    const wchar_t* name;
    bool old;
    bool stays;
  } cases[] = {
      {L".a.ini.~dtusms-temp~Ab12Cd.tmp", true, false},
      {L".a.ini.~dtusms-temp~Ef34Gh.tmp", false, true},
      {L".a.ini.~dtusms-temp~Ab1.tmp", true, true},
      {L".b.ini.~dtusms-temp~Ab12Cd.tmp", true, true},
      {L".a.ini.Ab12Cd.tmp", true, true},
  };
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER hourAgo{{now.dwLowDateTime, now.dwHighDateTime}};
  hourAgo.QuadPart -= 3600ULL * 10'000'000ULL;
  const FILETIME old{hourAgo.LowPart, hourAgo.HighPart};
  for (const auto& c : cases) {
    HANDLE h = CreateFileW((folder_ / c.name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    if (c.old) SetFileTime(h, nullptr, nullptr, &old);
    CloseHandle(h);
  }
  store_.removeStaleTemporaries(Ansi(L"a.ini"), std::chrono::minutes(10));
  for (const auto& c : cases) EXPECT_EQ(fs::exists(folder_ / c.name), c.stays) << fs::path(c.name).string();
}

// One update of a file at a time: another thread (the mutex is the thread's)
// waits for its bound and fails until the first lock goes.
TEST_F(WinFileStoreTest, UpdatesAreSerialised) {
  FileFailure failure;
  std::unique_ptr<FileLock> held = store_.lockForUpdate(Ansi(L"a.ini"), std::chrono::milliseconds(100), failure);
  auto other = [&, got = false]() mutable {
    std::thread([&] {
      got = WinFileStore().lockForUpdate(Ansi(L"A.INI"), std::chrono::milliseconds(100), failure) != nullptr;
    }).join();
    return got;
  };
  const bool whileHeld = other();
  EXPECT_EQ(std::tuple(held != nullptr, whileHeld, failure.code), std::tuple(true, false, int(ERROR_TIMEOUT)));
  held.reset();
  EXPECT_TRUE(other());
}

TEST(WinProcess, ExecutablePath) {
  WinProcess process;
  const QString path = process.executablePath();
  EXPECT_TRUE(path.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive) && path.contains(QLatin1Char('\\')))
      << qPrintable(path);
  const std::unique_ptr<QIODevice> file = process.openExecutable();
  EXPECT_EQ(file ? file->read(2) : QByteArray(), QByteArray("MZ"));
}

}  // namespace
}  // namespace dtu::platform
