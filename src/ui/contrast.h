#pragma once

#include <QColor>

namespace jiujiu {

// WCAG's contrast of text against its background, and the colours that meet it.

// The contrast ratio of two colours, 1 to 21.
double ContrastRatio(const QColor &a, const QColor &b);
inline constexpr double kLegibleContrast = 4.5;

// A background that takes light text: its relative luminance is under the middle grey's.
bool IsDarkColour(const QColor &colour);

// The colour, darkened on a light background or lightened on a dark one, keeping its hue as
// long as it can, until it reads at ratio against the background (black or white at worst).
QColor LegibleColour(const QColor &colour, const QColor &background,
                     double ratio = kLegibleContrast);

// The colour share of the way to another.
QColor MixedColour(const QColor &from, const QColor &to, double share);

} // namespace jiujiu
