#include "ui/contrast.h"

#include <algorithm>
#include <cmath>

namespace jiujiu {
namespace {

double Linear(double channel)
{
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor &c)
{
    return 0.2126 * Linear(c.redF()) + 0.7152 * Linear(c.greenF()) + 0.0722 * Linear(c.blueF());
}

} // namespace

double ContrastRatio(const QColor &a, const QColor &b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool IsDarkColour(const QColor &colour)
{
    return Luminance(colour) <= 0.18;
}

QColor MixedColour(const QColor &from, const QColor &to, double share)
{
    const auto mix = [share](int a, int b) {
        return static_cast<int>(std::lround(a + (b - a) * share));
    };
    return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()),
                  mix(from.blue(), to.blue()));
}

QColor LegibleColour(const QColor &colour, const QColor &background, double ratio)
{
    const QColor target = IsDarkColour(background) ? QColor(Qt::white) : QColor(Qt::black);
    QColor legible = colour.toRgb();
    legible.setAlpha(255);
    for (int step = 1; step <= 10 && ContrastRatio(legible, background) < ratio; ++step)
        legible = MixedColour(legible, target, 0.2);
    return ContrastRatio(legible, background) < ratio ? target : legible;
}

} // namespace jiujiu
