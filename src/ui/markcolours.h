#pragma once

#include "results/filetype.h"

#include <QColor>

class QPalette;

namespace jiujiu {

// The colours of the result list's marks, worked out from the palette in use so that every one
// reads at 4.5 : 1 on a light or a dark list.

// A tag or warning sign: its text on its fill. On a light list dark fills with white text, on a
// dark list light fills with black text; the kind's hue stays.
struct BadgeColours
{
    QColor fill;
    QColor text;
};
BadgeColours TypeTagColours(FileType type, const QColor &listBackground);
enum class WarningSign
{
    Suspicious,
    Broken,
};
BadgeColours WarningSignColours(WarningSign sign, const QColor &listBackground);
// The 新 tag of a row new since the saved search last ran.
BadgeColours NewTagColours(const QColor &listBackground);

// The text of a broken link's row: greyed towards the list's background, still legible.
QColor BrokenRowColour(const QPalette &palette);

// The text of a field that cannot be read (the filter box, a size bound): red, legible on the
// field's background.
QColor FieldErrorColour(const QPalette &palette);

} // namespace jiujiu
