// SPDX-License-Identifier: MIT
// The INI text rules and the 8-bit charset on bytes in memory, then the
// settings store and the field table on a file store in memory.
#include <gtest/gtest.h>

#include <cerrno>
#include <tuple>
#include <vector>

#include "core/config/IniText.h"
#include "core/config/SettingsFields.h"
#include "core/config/SettingsStore.h"
#include "core/config/StoredSmsInputs.h"
#include "core/text/AnsiCodec.h"
#include "support/FakeFileStore.h"
#include "support/TestSupport.h"

namespace dtu {
namespace {

using namespace dtu::ini;

TEST(IniText, ParseInteger) {
  // clang-format off
  const struct { std::string_view text; std::optional<std::int32_t> value; } cases[] = {
      {"  8000", 8000}, {"\t+8000", 8000}, {"-8000", -8000}, {"0x1F40", 8000}, {"0X1f40", 8000}, {"$1F40", 8000},
      {"x1F40", 8000}, {"X1F40", 8000}, {"-$10", -16}, {"+0x10", 16}, {"007", 7}, {"0", 0},
      {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}, {"0x7FFFFFFF", INT32_MAX}, {"-0x80000000", INT32_MIN},
      {"", {}}, {"   ", {}}, {"+", {}}, {"0x", {}}, {"$", {}}, {"x", {}}, {"8000abc", {}}, {"8000 ", {}},
      {"80 00", {}}, {"--5", {}}, {"+-5", {}}, {"- 5", {}}, {"0x-5", {}}, {"1F40", {}}, {"$G", {}}, {"00x10", {}},
      {"2147483648", {}}, {"-2147483649", {}}, {"0x80000000", {}}, {"99999999999999999999", {}},
      {std::string_view("1\0", 2), {}},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(ParseInteger(c.text), c.value) << '"' << c.text << '"';
}

TEST(IniText, CleanValue) {
  // clang-format off
  const struct { std::string_view raw, clean; } cases[] = {
      {"  a b \t\r", "a b"}, {"\"x\"", "x"}, {"'x'", "x"}, {"\" x \"", " x "}, {"\"x'", "\"x'"}, {"\"", "\""},
      {"\"\"", ""}, {"'\"x\"'", "\"x\""}, {"a\"b\"", "a\"b\""},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(CleanValue(c.raw), c.clean) << c.raw;
  const std::string longValue(3000, 'v');
  EXPECT_EQ(CleanValue(longValue).size(), kMaxValueBytes);
  EXPECT_EQ(CleanValue("\"" + longValue + "\"").size(), kMaxValueBytes);
}

TEST(IniText, FindValue) {
  // clang-format off
  const std::string_view file =
      "\xEF\xBB\xBF[Main]\nk=1\n[a]\r\n;k=4\r\nk = \"2\" \r\nK=3\n[ A ]\nk=5\nlate=5\n[b]\nx\n[ c ] trailing\nk=6\n[d]\nk";
  const struct { std::string_view section, key; std::optional<std::string_view> value; } cases[] = {
      {"Main", "k", "1"}, {"A", "K", "2"}, {" a ", " k ", "2"}, {"b", "x", {}}, {"c", "k", "6"}, {"d", "k", {}},
      {"e", "k", {}}, {"a", "y", {}}, {"a", ";k", {}}, {"a", "late", {}},  // a later [a] is not read
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(FindValue(file, c.section, c.key), c.value) << c.section << '/' << c.key;
  EXPECT_EQ(FindValue("k=1\n", "", "k"), std::nullopt);  // no header, no section
}

TEST(IniText, ReplaceValue) {
  // clang-format off
  const struct { std::string_view before, section, key, value, after; } cases[] = {
      {"", "Main", "Port", "6000", "[Main]\r\nPort=6000\r\n"},
      {"\xEF\xBB\xBF", "Main", "k", "v", "\xEF\xBB\xBF[Main]\r\nk=v\r\n"},
      {"[Main]", "Main", "k", "v", "[Main]\r\nk=v\r\n"},
      {"[Main]\npORt=7000", "main", "Port", "2", "[Main]\npORt=2"},  // the file's spelling stays
      {"[Main]\n  k = 1 \r\nj=0\n", "Main", "k", "2", "[Main]\nk=2\r\nj=0\n"},
      {"[Main]\nk=1\n;c\n\n[X]\nz=0\n", "Main", "n", "2", "[Main]\nk=1\nn=2\r\n;c\n\n[X]\nz=0\n"},
      {"[Main]\n;c\nno key\n", "Main", "n", "2", "[Main]\nn=2\r\n;c\nno key\n"},
      {"[X]\nz=0", "Main", "k", "v", "[X]\nz=0\r\n[Main]\r\nk=v\r\n"},
      {"[X]\r\nk=0\r\n", "Main", "k", "v", "[X]\r\nk=0\r\n[Main]\r\nk=v\r\n"},
      {"[Main]\nk=1\n[Main]\nk=2\n", "Main", "k", "3", "[Main]\nk=3\n[Main]\nk=2\n"},
      {"[Main]\nk=1\n", "Main", "k", "a\r\nb=c\nd", "[Main]\nk=a  b=c d\n"},
      {"[Main]\nk=1\n", "Ma\nin", "k", "v", "[Main]\nk=1\n[Ma in]\r\nk=v\r\n"},
  };
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceValue(c.before, c.section, c.key, c.value), c.after) << c.before;
    EXPECT_EQ(FindValue(c.after, c.section, c.key), CleanValue(OneLine(c.value))) << c.after;
  }
}

// UTF-8 is converted in the codec (its reader is checked against iconv in
// PosixCodePage.CodecReadsUtf8AsIconvDoes); other charsets go through the code
// page (here a Latin-1 one; also SettingsStoreTest.PathGoesThroughTheCharset);
// an unknown charset falls back to UTF-8. What the charset cannot hold and a
// lone surrogate become "?".
TEST(AnsiCodec, RoundTripsAndReplacesWhatTheCharsetCannotHold) {
  // clang-format off
  const struct { const char* charset; QString text; std::string bytes; QString back; } cases[] = {
      {"UTF-8", QString(QChar(0xD800)) + "a", "?a", QStringLiteral("?a")},
      {"utf8", QStringLiteral("\u4e2d\U0001F600"), "\xe4\xb8\xad\xf0\x9f\x98\x80", QStringLiteral("\u4e2d\U0001F600")},
      {"ISO-8859-1", QStringLiteral("\u00e9\u4e2d"), "\xe9?", QStringLiteral("\u00e9?")},
      {"NO-SUCH-CHARSET-42", QStringLiteral("\u4e2d"), "\xe4\xb8\xad", QStringLiteral("\u4e2d")},
  };
  // clang-format on
  for (const auto& c : cases) {
    const AnsiCodec codec = testing::TestCodec(c.charset);
    EXPECT_EQ(codec.fromUnicode(c.text), c.bytes) << c.charset;
    EXPECT_EQ(codec.toUnicode(codec.fromUnicode(c.text)), c.back) << c.charset;
  }
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  std::string& bytes() { return files_.files[file_]; }

  testing::FakeFileStore files_;
  const std::string file_ = "/opt/dtusms/ZEREVuzi.ini";
  const QString path_ = QString::fromStdString(file_);
  SettingsStore store_{path_, testing::TestCodec(), files_};
};

// A missing file, section or key gives the defaults and creates nothing.
// Otherwise the text rules (tabled above) apply to the file as it is.
TEST_F(SettingsStoreTest, ReadsTheFileOrGivesTheDefaults) {
  EXPECT_EQ(store_.ReadInteger("Main", "Port", 6000), 6000);
  EXPECT_TRUE(files_.files.empty());
  const std::string bytes =
      "[Other]\r\nPort=1111\r\n[Main]\r\nport = \"quoted value\" \r\nHex=$1F40\r\nBad=8000abc\r\nEmpty=\r\n";
  files_.files[file_] = bytes;
  const QString none = QStringLiteral("<default>");
  const std::pair<const char*, QString> texts[] = {{"Port", "quoted value"}, {"Empty", ""}, {"None", none}};
  for (const auto& [key, value] : texts) EXPECT_EQ(store_.ReadString("Main", key, none), value) << key;
  EXPECT_EQ(store_.ReadString("Other", "Port", none), "1111");
  const std::pair<const char*, std::int32_t> numbers[] = {{"Hex", 8000}, {"Bad", 6000}, {"Empty", 6000}};
  for (const auto& [key, value] : numbers) EXPECT_EQ(store_.ReadInteger("Main", key, 6000), value) << key;
  EXPECT_EQ(files_.files, (std::map<std::string, std::string>{{file_, bytes}}));  // reading changes nothing
  EXPECT_EQ(files_.replaces + files_.checks, 0);
}

// Each read and write goes to the file as it is now; a write keeps every other
// byte (mark, comment, missing final line end) and the whole value (reading
// cuts it: IniText.CleanValue).
TEST_F(SettingsStoreTest, NoCacheAndEveryOtherByteKept) {
  store_.WriteString("Main", "DTU number", "A");
  EXPECT_EQ(bytes(), "[Main]\r\nDTU number=A\r\n");
  bytes() = "\xEF\xBB\xBF[Main]\r\nDTU number=B\r\n; added by hand";
  EXPECT_EQ(store_.ReadString("Main", "DTU number", ""), "B");
  const std::string longValue(3000, 'v');
  store_.WriteString("Main", "Long", QString::fromStdString(longValue));
  EXPECT_EQ(bytes(), "\xEF\xBB\xBF[Main]\r\nDTU number=B\r\nLong=" + longValue + "\r\n; added by hand");
}

// The path makes a round trip through the charset and reaches the file store
// in the file system's encoding (UTF-8 here, the ANSI code page on Windows):
// "é" survives Latin-1 and "测" UTF-8; Latin-1 turns "测试" into "??", another
// (missing) file, which a write then creates.
TEST_F(SettingsStoreTest, PathGoesThroughTheCharset) {
  const std::tuple<std::string, const char*, std::string> cases[] = {
      {"dir_café", "ISO-8859-1", "dir_café"}, {"dir_测试", "UTF-8", "dir_测试"}, {"dir_测试", "ISO-8859-1", "dir_?\?"}};
  const auto path = [](const std::string& name) { return QString::fromStdString("/home/u/" + name + "/ZEREVuzi.ini"); };
  for (const auto& [name, charset, shownName] : cases) {
    SCOPED_TRACE(name + " " + charset);
    const std::string file = QFile::encodeName(path(name)).toStdString();
    const std::string native = QFile::encodeName(path(shownName)).toStdString();
    const bool reaches = native == file;
    files_.files = {{file, "[Main]\r\nPort=7000\r\n"}};
    SettingsStore store(path(name), testing::TestCodec(charset), files_);
    EXPECT_EQ(store.nativePath(), native);
    EXPECT_EQ(store.ReadInteger("Main", "Port", 6000), reaches ? 7000 : 6000);
    store.WriteInteger("Main", "Port", 7001);
    EXPECT_EQ(files_.files[native], "[Main]\r\nPort=7001\r\n");
    EXPECT_EQ(files_.files[file], reaches ? "[Main]\r\nPort=7001\r\n" : "[Main]\r\nPort=7000\r\n");
  }
}

// A failed read, check or replace raises "Unable to write to <path>" with the
// system's cause as the detail and its code kept, and leaves the bytes as
// they were; a file that cannot be read is not replaced blind. Writing back
// the value the file holds (as loading the fields does) replaces nothing but
// checks, so a read-only file still fails. A lock not had fails before the read.
TEST_F(SettingsStoreTest, AFailureNamesTheFileAndKeepsTheCause) {
  const struct {
    bool failReads;
    std::int32_t port;
    int replaces, checks;
    bool failLocks = false;
  } cases[] = {{false, 2, 1, 0}, {false, 1, 0, 1}, {true, 2, 0, 0}, {false, 2, 0, 0, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    testing::FakeFileStore files;
    files.files[file_] = "[Main]\r\nPort=1\r\n";
    files.failingPath = file_;
    files.failReads = c.failReads;
    files.failLocks = c.failLocks;
    files.failure = {ENOSPC, "No space left on device"};
    SettingsStore store(path_, testing::TestCodec(), files);
    EXPECT_EQ(store.lastError(), 0);
    try {
      store.WriteInteger("Main", "Port", c.port);
      ADD_FAILURE() << "no AppError";
    } catch (const AppError& error) {
      EXPECT_EQ(error.message() + '|' + error.detail(), "Unable to write to " + path_ + "|No space left on device");
    }
    EXPECT_EQ(store.lastError(), ENOSPC);
    EXPECT_EQ(files.files[file_], "[Main]\r\nPort=1\r\n");
    EXPECT_EQ(std::tuple(files.replaces, files.checks), std::tuple(c.replaces, c.checks));
  }
}

// The charset names the program converts itself rather than through the
// system's code page.
TEST(AnsiCodec, KnowsUtf8ByEitherNameInAnyCase) {
  const std::pair<const char*, bool> names[] = {{"UTF-8", true},  {"utf8", true},    {"UTF_8", false},
                                                {"U-TF8", false}, {"UTF-8 ", false}, {"", false}};
  for (const auto& [name, utf8] : names) EXPECT_EQ(platform::IsUtf8Charset(name), utf8) << name;
  EXPECT_TRUE(testing::TestCodec("utf8").isUtf8());
}

// Loading's writes: one lock and one read for them all, reads that see them,
// the file untouched until one replace. A failure is told once per write,
// each as it would have met it alone: one that changed the bytes by the
// replace, one that kept them by the check.
TEST_F(SettingsStoreTest, AnUpdateReadsOnceAndReplacesOnce) {
  bytes() = "[Main]\r\nPort=6000\r\n";
  SettingsUpdate update(store_);
  update.WriteInteger("Main", "Port", 6000);
  update.WriteString("Main", "DTU number", "A");
  EXPECT_EQ(update.values().ReadString("Main", "DTU number", ""), "A");
  EXPECT_EQ(bytes(), "[Main]\r\nPort=6000\r\n");
  EXPECT_TRUE(update.commit().empty());
  EXPECT_EQ(bytes(), "[Main]\r\nPort=6000\r\nDTU number=A\r\n");
  EXPECT_EQ(std::tuple(files_.locks, files_.reads, files_.replaces, files_.checks), std::tuple(1, 1, 1, 0));

  const struct {
    std::vector<const char*> values;
    bool failLocks;
    int replaces, checks;
  } cases[] = {{{"6000", "A"}, false, 1, 1},
               {{"6000", "6000"}, false, 0, 1},
               {{"1", "A"}, false, 1, 0},
               {{"6000", "A"}, true, 0, 0},
               {{}, false, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    testing::FakeFileStore files;
    files.files[file_] = "[Main]\r\nPort=6000\r\n";
    files.failingPath = file_;
    files.failLocks = c.failLocks;
    SettingsStore store(path_, testing::TestCodec(), files);
    SettingsUpdate failing(store);
    for (const char* value : c.values) failing.WriteString("Main", "Port", value);
    const std::vector<AppError> failures = failing.commit();
    EXPECT_EQ(failures.size(), c.values.size());
    for (const AppError& error : failures) EXPECT_EQ(error.message(), "Unable to write to " + path_);
    EXPECT_EQ(files.files[file_], "[Main]\r\nPort=6000\r\n");
    EXPECT_EQ(std::tuple(files.replaces, files.checks), std::tuple(c.replaces, c.checks));
  }
}

// A file holding every field, each at a value of its own: the table reads
// each key into its own input, writes them back as the same bytes in the
// same order, and the batch gets the inputs with the port within its limits.
TEST_F(SettingsStoreTest, EveryFieldRoundTripsThroughTheTable) {
  const std::string file =
      "[Main]\r\nnLanguageID=2\r\nServer address mode=1\r\nPort=123456\r\nStatic IP=192.0.2.15\r\n"
      "Domain address=dtu.example.com\r\nSMS command type=3\r\nService network(APN)=4\r\nOther APN=CMIOT\r\n"
      "DTU number=KQ-GP000002\r\n";
  bytes() = file;
  const StoredFields stored = ReadStoredFields(store_.snapshot(), QStringLiteral("192.0.2.9"));
  const auto inputs = [](const SmsCommandInputs& in) {
    return QStringList{QString::number(in.serverMode),  QString::number(in.port),     in.staticIp, in.domainAddress,
                       QString::number(in.commandType), QString::number(in.apnIndex), in.otherApn, in.dtuNumber};
  };
  const QStringList expected{"1", "123456", "192.0.2.15", "dtu.example.com", "3", "4", "CMIOT", "KQ-GP000002"};
  EXPECT_EQ(QString::number(stored.languageId) + ' ' + inputs(stored).join(' '), "2 " + expected.join(' '));
  QStringList clamped = expected;
  clamped[1] = QString::number(kPortMaximum);
  EXPECT_EQ(inputs(ReadStoredSmsInputs(path_, testing::TestCodec(), files_, [] { return "192.0.2.9"; })), clamped);

  bytes().clear();
  SettingsUpdate update(store_);
  for (const Field* field : kFields) update.WriteString(kSettingsSection, field->key, FieldText(*field, stored));
  EXPECT_TRUE(update.commit().empty());
  EXPECT_EQ(bytes(), file);
}

}  // namespace
}  // namespace dtu
