#include "ui/uifonts.h"

#include <QFont>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdlib>

namespace jiujiu {

void InstallFontSubstitutions()
{
    // Sans for the UI face, serif first for the Song face; both fall back to the sans family,
    // which is the one fonts-noto-cjk always installs.
    const QStringList sans = {QStringLiteral("Noto Sans CJK SC"),
                              QStringLiteral("Source Han Sans SC"),
                              QStringLiteral("WenQuanYi Micro Hei")};
    QStringList song = {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Source Han Serif SC")};
    song += sans;
    QFont::insertSubstitutions(QStringLiteral("微软雅黑"), sans);
    QFont::insertSubstitutions(QStringLiteral("Microsoft YaHei"), sans);
    QFont::insertSubstitutions(QStringLiteral("宋体"), song);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), song);
}

QFont FormFont(const QString &family, int logicalHeight)
{
    QFont font(family);
    // A positive height would include the internal leading; the forms only use negative ones,
    // and a positive one is close enough taken as the character height too.
    font.setPixelSize(std::max(1, std::abs(logicalHeight)));
    font.setWeight(QFont::Normal);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace jiujiu
