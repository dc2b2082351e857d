#include "ui/markcolours.h"

#include "ui/contrast.h"

#include <QPalette>
#include <array>

namespace jiujiu {
namespace {

BadgeColours Badge(const QColor &hue, const QColor &listBackground)
{
    const QColor text = IsDarkColour(listBackground) ? QColor(Qt::black) : QColor(Qt::white);
    return {LegibleColour(hue, text), text};
}

} // namespace

BadgeColours TypeTagColours(FileType type, const QColor &listBackground)
{
    static const std::array<QColor, kFileTypeCount> hues = {{
        QColor(41, 110, 214),  // video
        QColor(142, 68, 173),  // audio
        QColor(39, 154, 86),   // image
        QColor(196, 132, 16),  // document
        QColor(128, 96, 64),   // archive
        QColor(22, 140, 140),  // disc image
        QColor(192, 57, 43),   // program
        QColor(140, 148, 150), // other
    }};
    return Badge(hues[static_cast<std::size_t>(type)], listBackground);
}

BadgeColours WarningSignColours(WarningSign sign, const QColor &listBackground)
{
    return Badge(sign == WarningSign::Broken ? QColor(200, 30, 30) : QColor(235, 140, 20),
                 listBackground);
}

BadgeColours NewTagColours(const QColor &listBackground)
{
    return Badge(QColor(214, 40, 110), listBackground);
}

QColor BrokenRowColour(const QPalette &palette)
{
    const QColor base = palette.color(QPalette::Base);
    return LegibleColour(MixedColour(palette.color(QPalette::Text), base, 0.5), base);
}

QColor FieldErrorColour(const QPalette &palette)
{
    return LegibleColour(QColor(200, 0, 0), palette.color(QPalette::Base));
}

} // namespace jiujiu
