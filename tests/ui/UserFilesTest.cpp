// SPDX-License-Identifier: MIT
// Where the program keeps a user's things, where its file dialogs start and
// what they suggest; Windows' own way of asking for help.
#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "cli/CommandLine.h"
#include "core/AppConstants.h"
#include "core/Paths.h"
#include "render/BatchWriters.h"
#include "support/TestSupport.h"
#include "ui/UserSettings.h"

namespace dtu::testing {
namespace {

const BatchFormat& Format(std::string_view name) {
  for (const BatchFormat& format : BatchFormats())
    if (name == format.writer.format()) return format;
  throw std::logic_error("no such format");
}

TEST(UserFiles, ExportsAreNamedAfterTheListButNeverAsTheListItself) {
  const struct {
    const char* format;
    const char* list;
    const char* suggested;
  } cases[] = {
      {"csv", "/data/fleet.csv", "fleet-commands.csv"},
      {"pdf", "/data/fleet.csv", "fleet.pdf"},
      {"csv", "/data/fleet.txt", "fleet.csv"},
      {"csv", "", "dtu-sms.csv"},
      {"pdf", "/data/.csv", "dtu-sms.pdf"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SuggestedOutputName(Format(c.format), c.list), c.suggested) << c.format << " " << c.list;
}

class UserSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir().mkpath(dir.filePath("home/Documents")));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("config"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.filePath("config"));
  }
  void TearDown() override {
    QCoreApplication::setOrganizationName(organization);
    QCoreApplication::setApplicationName(application);
    QSettings::setDefaultFormat(format);
  }

  QTemporaryDir dir;
  EnvGuard env{{"HOME", qPrintable(dir.filePath("home"))},
               {"XDG_CONFIG_HOME", qPrintable(dir.filePath("config"))},
               {"XDG_DATA_HOME", qPrintable(dir.filePath("data"))}};
  const QString organization = QCoreApplication::organizationName();
  const QString application = QCoreApplication::applicationName();
  const QSettings::Format format = QSettings::defaultFormat();
};

// One folder named dtusms holds them; what an earlier version kept under the window's
// title moves there once and never overwrites what the new file holds.
TEST_F(UserSettingsTest, LiveUnderDtusmsAloneAndEarlierOnesMoveOnce) {
  const QString title = QString::fromLatin1(kAppTitle);
  {
    QSettings earlier(QSettings::NativeFormat, QSettings::UserScope, "dtusms", title);
    earlier.setValue("SimNumbers", QStringList{"KQ-1=+8613800000000"});
  }
  UseUserDataLocations();
  EXPECT_EQ(QSettings().fileName(), dir.filePath("config/dtusms/dtusms.ini"));
  EXPECT_EQ(UserSettingsFile(), QSettings().fileName());
  EXPECT_EQ(UserDataFolder(), dir.filePath("data/dtusms"));

  MoveEarlierUserSettings(title);
  EXPECT_EQ(QSettings().value("SimNumbers").toStringList(), QStringList{"KQ-1=+8613800000000"});
  EXPECT_TRUE(QSettings(QSettings::NativeFormat, QSettings::UserScope, "dtusms", title).allKeys().isEmpty());

  QSettings(QSettings::NativeFormat, QSettings::UserScope, "dtusms", title).setValue("SimNumbers", "stale");
  MoveEarlierUserSettings(title);
  EXPECT_EQ(QSettings().value("SimNumbers").toStringList(), QStringList{"KQ-1=+8613800000000"});
}

// Documents first (never the program's folder), then the folder last chosen, each kind its own.
TEST_F(UserSettingsTest, DialogsStartInDocumentsThenInTheLastFolderOfTheirKind) {
  UseUserDataLocations();
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  ASSERT_EQ(documents, dir.filePath("home/Documents"));
  for (FileKind kind : {FileKind::kList, FileKind::kExport, FileKind::kImage}) EXPECT_EQ(StartFolder(kind), documents);
  ASSERT_TRUE(QDir().mkpath(dir.filePath("lists")) && QDir().mkpath(dir.filePath("sheets")));
  RememberFolder(FileKind::kList, dir.filePath("lists/fleet.csv"));
  RememberFolder(FileKind::kExport, dir.filePath("sheets/fleet.pdf"));
  EXPECT_EQ(StartFolder(FileKind::kList), dir.filePath("lists"));
  EXPECT_EQ(StartFolder(FileKind::kExport), dir.filePath("sheets"));
  EXPECT_EQ(StartFolder(FileKind::kImage), documents);
  // A folder since removed: Documents again.
  ASSERT_TRUE(QDir(dir.filePath("lists")).removeRecursively());
  EXPECT_EQ(StartFolder(FileKind::kList), documents);
}

TEST(CommandLine, WindowsHelpSwitchesPrintTheHelp) {
  const CommandLine help = ParseCommandLine({"dtusms", "--help"});
  ASSERT_EQ(help.action, CommandLine::Action::kPrint);
  for (const char* asked : {"/?", "-?"}) {
    const CommandLine line = ParseCommandLine({"dtusms", asked});
    EXPECT_EQ(line.action, CommandLine::Action::kPrint) << asked;
    EXPECT_EQ(line.text, help.text) << asked;
  }
  // Only alone: as a value it is what the option names.
  EXPECT_EQ(ParseCommandLine({"dtusms", "--batch", "/?"}).batchList, "/?");
}

}  // namespace
}  // namespace dtu::testing
