// SPDX-License-Identifier: MIT
#include "render/Fonts.h"

#include "core/i18n/Localizer.h"

namespace dtu {

namespace {

bool IsTraditionalChinese(const QString& code) {
  const QString c = code.toLower();
  return c.startsWith(QLatin1String("zh")) && (c.contains(QLatin1String("tw")) || c.contains(QLatin1String("hk")) ||
                                               c.contains(QLatin1String("mo")) || c.contains(QLatin1String("hant")));
}

// The two Chinese faces of a kind, the language's own first.
QStringList Chinese(bool traditional, const char* simplified, const char* traditionalFace) {
  QStringList pair{QString::fromLatin1(simplified), QString::fromLatin1(traditionalFace)};
  if (traditional) pair.swapItemsAt(0, 1);
  return pair;
}

}  // namespace

QStringList FontFamilies(FontRole role, const QString& languageCode) {
  const bool traditional = IsTraditionalChinese(languageCode);
#ifdef Q_OS_WIN
  // Windows' own faces; Tahoma and Courier New where wine has no others, and
  // WenQuanYi for the Chinese glyphs there.
  const QStringList chinese = Chinese(traditional, "Microsoft YaHei", "Microsoft JhengHei") +
                              Chinese(traditional, "SimSun", "PMingLiU") +
                              QStringList{QStringLiteral("WenQuanYi Micro Hei")};
  switch (role) {
    case FontRole::kWindow:
      return QStringList{QStringLiteral("Tahoma"), QStringLiteral("MS Shell Dlg 2")} + chinese;
    case FontRole::kText:
      return QStringList{QStringLiteral("Segoe UI")} + chinese + QStringList{QStringLiteral("Tahoma")};
    case FontRole::kFixed:
      return QStringList{QStringLiteral("Consolas")} + chinese + QStringList{QStringLiteral("Courier New")};
  }
#else
  // Metric-compatible stand-ins where Tahoma is missing; the CJK faces supply Chinese glyphs.
  const QStringList chinese =
      Chinese(traditional, "Noto Sans CJK SC", "Noto Sans CJK TC") + QStringList{QStringLiteral("WenQuanYi Micro Hei")};
  switch (role) {
    case FontRole::kWindow:
      return QStringList{QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                         QStringLiteral("DejaVu Sans Condensed")} +
             chinese;
    case FontRole::kText:
      return QStringList{QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")} + chinese;
    case FontRole::kFixed:
      return QStringList{QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono")} + chinese;
  }
#endif
  return {};
}

QStringList FontFamilies(FontRole role) { return FontFamilies(role, CurrentLanguageCode()); }

}  // namespace dtu
