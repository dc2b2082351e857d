#pragma once

#include <QColor>
#include <cstddef>
#include <optional>

class QWidget;

namespace jiujiu {

// Kinds of standard control the visual style restyles.
enum class StyledKind
{
    PushButton,
    CheckBox,
    RadioButton,
    GroupBox,
    EditBox,
    ComboBox,
    ComboList, // the drop-down list of a combo box
    UpDown,    // spin boxes
};

// The kind a widget is restyled as, none for kinds left alone (tool buttons, labels, lists,
// tables, tab bars, scroll bars, sliders, progress bars, date editors, frameless line edits,
// push buttons without text, icon or default role...).
std::optional<StyledKind> StyledKindOf(const QWidget *widget);

// 1, 2 and 3 restyle every eligible widget of the application now and every one created or
// polished later, in that colour scheme; any other number removes the styling. Styling always
// removes first, so calling twice restyles nothing twice. Answers true for 1-3; for other
// numbers whether styling was on and has been removed.
bool SetVisualStyle(int style);

// The number last asked for.
int VisualStyleNumber();

// The registry of restyled widgets.
std::size_t StyledControlCount();
bool IsStyled(const QWidget *widget);

// The one-pixel frame of bordered edit boxes and drop-down lists in a scheme (invalid for
// numbers other than 1-3); disabled controls get the button face less 0x202020.
QColor VisualStyleFrameColour(int style);
QColor VisualStyleDisabledFrameColour();

} // namespace jiujiu
