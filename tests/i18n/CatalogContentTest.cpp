// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QRegularExpression>
#include <QSet>

#include "I18nTestSupport.h"
#include "i18n/MoCatalog.h"

namespace dtu {
namespace {

using namespace dtu::testing;

QSet<QByteArray> Ids(const MoCatalog& catalog) {
  QSet<QByteArray> ids;
  for (const MoMessage& m : catalog.messages) ids.insert(m.original);
  return ids;
}

// Message ids the code marks with Translate(...) or N_(...), as C++ literals.
QSet<QByteArray> IdsUsedByTheCode() {
  static const QRegularExpression call(
      QStringLiteral(R"re(\b(?:Translate|N_)\(\s*(?:QStringLiteral\(\s*)?((?:"(?:[^"\\]|\\.)*"\s*)+))re"));
  static const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\]|\\.)*)")re"));
  QSet<QByteArray> ids;
  QDirIterator it(QStringLiteral(DTU_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                  QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString source = QString::fromUtf8(ReadBytes(it.next()));
    for (auto m = call.globalMatch(source); m.hasNext();) {
      QByteArray id;
      for (auto part = literal.globalMatch(m.next().captured(1)); part.hasNext();)
        id += part.next().captured(1).toUtf8();
      id.replace("\\\"", "\"").replace("\\n", "\n").replace("\\\\", "\\");
      ids.insert(id);
    }
  }
  return ids;
}

TEST(Catalogs, BothChineseCatalogsHoldTheSameFiftyNineIdsAndEnglishOnlyItsHeader) {
  const auto cn = ParseMoCatalog(RealCatalog("zh_cn"));
  const auto tw = ParseMoCatalog(RealCatalog("zh_tw"));
  const auto en = ParseMoCatalog(RealCatalog("en"));
  ASSERT_TRUE(cn && tw && en);
  EXPECT_EQ(cn->messages.size(), 59u);
  EXPECT_EQ(Ids(*cn), Ids(*tw));
  EXPECT_TRUE(en->messages.empty());
  for (const auto* c : {&*cn, &*tw, &*en}) EXPECT_TRUE(c->header && DeclaresUtf8(*c->header));
  ASSERT_TRUE(cn->find(" Language") && tw->find(" Language"));
  EXPECT_EQ(*cn->find(" Language"), QByteArray("语言"));
  EXPECT_EQ(*tw->find("Traditional Chinese"), QByteArray("繁體中文"));
}

TEST(Catalogs, EveryIdTheCodeUsesIsInBothChineseCatalogs) {
  // Error details that the catalogs deliberately do not carry: they are shown
  // in English whatever the language.
  const QSet<QByteArray> untranslated{"The public address could not be read from %s.",
                                      "Could not create an HTTP request.", "The page at %s is larger than 1 MiB.",
                                      "Could not fetch %s: %s"};
  const QSet<QByteArray> used = IdsUsedByTheCode();
  ASSERT_TRUE(used.contains("Prompt") && used.contains(" Language")) << "the source scan found too little";
  for (const char* code : {"zh_cn", "zh_tw"}) {
    const auto catalog = ParseMoCatalog(RealCatalog(code));
    ASSERT_TRUE(catalog);
    for (const QByteArray& id : used) {
      if (untranslated.contains(id)) continue;
      EXPECT_TRUE(catalog->find(id)) << code << ": \"" << id.toStdString() << '"';
    }
  }
}

}  // namespace
}  // namespace dtu
