// SPDX-License-Identifier: MIT
// The settings file as Windows' own private-profile reader sees it: for
// hand-edited files, every key reads through SettingsStore as
// GetPrivateProfileStringA reads it.
#include <windows.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <string>

#include "core/config/SettingsStore.h"
#include "core/text/AnsiCodec.h"
#include "support/TestSupport.h"

namespace dtu {
namespace {

TEST(PrivateProfile, SettingsStoreReadsHandEditedFilesAsWindowsDoes) {
  // clang-format off
  const struct { const char* what; std::string bytes; } files[] = {
      {"quotes", "[Main]\r\nA=\"quoted\"\r\nB='single'\r\nC=\"open\r\nD=\"mixed'\r\nE=\"\"\r\nF=\" padded \"\r\n"},
      {"blanks", "[Main]\r\n  A  =  spaced value  \r\nB\t=\ttab\t\r\n[ Main ]\r\nC=section blanks\r\nD=\r\n"},
      {"case", "[mAiN]\r\na=lower\r\nB=upper\r\nport=1\r\nPort=2\r\n"},
      {"numbers", "[Main]\r\nA=$1F40\r\nB=0x10\r\nC= -12 \r\nD=12abc\r\nE=99999999999\r\n"},
      {"duplicates", "[Main]\r\nA=first\r\n[Other]\r\nA=other\r\n[Main]\r\nA=second\r\nB=only in second\r\n"},
      {"odd lines", "; comment\r\n[Main]\r\nno equals sign\r\n=empty key\r\nA=1=2\r\n[Broken\r\nB=after broken\r\n"},
      {"LF only", "[Main]\nA=lf\nB= b \n"},
  };
  // clang-format on
  QTemporaryDir dir;
  const QString path = QDir::toNativeSeparators(dir.filePath("ZEREVuzi.ini"));
  const AnsiCodec codec = AnsiCodec::forUser(testing::TestPlatform().codePage);
  SettingsStore store(path, codec, testing::TestPlatform().files);
  for (const auto& file : files) {
    ASSERT_TRUE(testing::WriteBytes(dir.filePath("ZEREVuzi.ini"), QByteArray::fromStdString(file.bytes)));
    for (const char* section : {"Main", "Other", " Main ", "Broken"})
      for (const char* key : {"A", "B", "C", "D", "E", "F", "port", "Missing"}) {
        char system[4096];
        const DWORD n = GetPrivateProfileStringA(section, key, "<default>", system, sizeof system, qPrintable(path));
        EXPECT_EQ(store.ReadString(section, key, "<default>").toStdString(), std::string(system, n))
            << file.what << ": [" << section << "] " << key;
      }
  }
}

}  // namespace
}  // namespace dtu
