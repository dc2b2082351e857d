// The marks' colours on light, skinned and dark palettes, and which palette the desktop asks for.

#include "results/rowstatus.h"
#include "ui/contrast.h"
#include "ui/desktoptheme.h"
#include "ui/markcolours.h"
#include "ui/rowstatusstyle.h"

#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace jiujiu;

namespace {

QPalette SkinPalette()
{
    // res/skin/jiujiu.palette
    QPalette p;
    p.setColor(QPalette::Window, QColor(0xEEF3F9));
    p.setColor(QPalette::Base, QColor(0xFFFFFF));
    p.setColor(QPalette::Text, QColor(0x1D2B3A));
    return p;
}

QPalette HighContrastDark()
{
    QPalette p;
    p.setColor(QPalette::Window, Qt::black);
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, Qt::white);
    return p;
}

} // namespace

// Every colour of a mark's text read at 4.5 : 1 on what it is drawn on, for every palette.
TEST(ThemeColours, EveryMarkLegibleOnLightAndDarkPalettes)
{
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    const struct
    {
        const char *name;
        QPalette palette;
    } palettes[] = {
        {"Fusion light", fusion->standardPalette()},
        {"skin", SkinPalette()},
        {"Fusion dark", FusionDarkPalette()},
        {"black", HighContrastDark()},
    };
    int checked = 0;
    for (const auto &p : palettes) {
        const QColor base = p.palette.color(QPalette::Base);
        struct Pair
        {
            std::string what;
            QColor text, background;
        };
        std::vector<Pair> pairs = {
            {"broken row", BrokenRowColour(p.palette), base},
            {"field error", FieldErrorColour(p.palette), base},
        };
        for (int s = 1; s < kRowStatusCount; ++s) {
            const auto status = static_cast<RowStatus>(s);
            pairs.push_back(
                {std::string(RowStatusWord(status)), RowStatusColour(status, base), base});
        }
        for (int t = 0; t < kFileTypeCount; ++t) {
            const BadgeColours tag = TypeTagColours(static_cast<FileType>(t), base);
            pairs.push_back({"tag " + std::to_string(t), tag.text, tag.fill});
        }
        for (const WarningSign sign : {WarningSign::Suspicious, WarningSign::Broken}) {
            const BadgeColours colours = WarningSignColours(sign, base);
            pairs.push_back({sign == WarningSign::Broken ? "broken sign" : "suspicious sign",
                             colours.text, colours.fill});
        }
        for (const Pair &pair : pairs) {
            SCOPED_TRACE(std::string(p.name) + ": " + pair.what);
            EXPECT_GE(ContrastRatio(pair.text, pair.background), kLegibleContrast);
            ++checked;
        }
        // The broken row is greyed: paler than the palette's own text.
        EXPECT_LT(ContrastRatio(BrokenRowColour(p.palette), base),
                  ContrastRatio(p.palette.color(QPalette::Text), base))
            << p.name;
        // The kinds stay apart.
        for (int t = 1; t < kFileTypeCount; ++t)
            EXPECT_NE(TypeTagColours(static_cast<FileType>(t), base).fill,
                      TypeTagColours(static_cast<FileType>(t - 1), base).fill)
                << p.name;
    }
    EXPECT_EQ(checked, 4 * (2 + 4 + kFileTypeCount + 2));
}

TEST(ThemeColours, DesktopColourScheme)
{
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    const QPalette light = fusion->standardPalette();
    const struct
    {
        QPalette palette;
        const char *gtkTheme;
        int portal;
        ColourScheme expected;
    } rows[] = {
        {light, "", 0, ColourScheme::Light},
        {FusionDarkPalette(), "", 0, ColourScheme::Dark}, // a platform theme that is dark
        {FusionDarkPalette(), "", 2, ColourScheme::Dark}, // its palette is what is drawn
        {light, "", 1, ColourScheme::Dark},               // the portal prefers dark
        {light, "Adwaita:dark", 2, ColourScheme::Light},  // the portal's answer wins
        {light, "Adwaita:dark", 0, ColourScheme::Dark},
        {light, "Yaru-Dark", 0, ColourScheme::Dark},
        {light, "Adwaita", 0, ColourScheme::Light},
        {light, "darkish-blue", 0, ColourScheme::Light},
    };
    for (const auto &row : rows)
        EXPECT_EQ(DesktopColourScheme(row.palette, QString::fromUtf8(row.gtkTheme), row.portal),
                  row.expected)
            << row.gtkTheme << " portal " << row.portal;
}
