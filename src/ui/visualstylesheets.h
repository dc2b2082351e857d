#pragma once

#include "ui/visualstyle.h"

#include <QColor>
#include <QString>

namespace jiujiu {

// The colours of one visual style.
struct VisualStyleScheme
{
    QColor frame;
    QColor light;   // top of the button gradient
    QColor dark;    // bottom of the button gradient
    QColor hover;   // top of the hovered gradient
    QColor pressed; // pressed and checked fill
    QColor accent;  // marks, titles, selection
};

// The scheme of style 1, 2 or 3 (other numbers are taken as the nearest).
const VisualStyleScheme &VisualStyleSchemeFor(int style);

// The style sheet that paints a restyled control of this kind in the scheme of the style.
QString VisualStyleSheet(StyledKind kind, int style);

} // namespace jiujiu
