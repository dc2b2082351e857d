#include "ui/keycodes.h"

#include <QKeyEvent>
#include <array>
#include <utility>

namespace jiujiu {

int VirtualKeyCode(const QKeyEvent &event)
{
    const int key = event.key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key; // the same codes
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 0x70 + (key - Qt::Key_F1);
    static constexpr std::array<std::pair<int, int>, 22> table = {{
        {Qt::Key_Return, 13},   {Qt::Key_Enter, 13},  {Qt::Key_Backspace, 8},
        {Qt::Key_Tab, 9},       {Qt::Key_Backtab, 9}, {Qt::Key_Escape, 27},
        {Qt::Key_Space, 32},    {Qt::Key_PageUp, 33}, {Qt::Key_PageDown, 34},
        {Qt::Key_End, 35},      {Qt::Key_Home, 36},   {Qt::Key_Left, 37},
        {Qt::Key_Up, 38},       {Qt::Key_Right, 39},  {Qt::Key_Down, 40},
        {Qt::Key_Insert, 45},   {Qt::Key_Delete, 46}, {Qt::Key_Shift, 16},
        {Qt::Key_Control, 17},  {Qt::Key_Alt, 18},    {Qt::Key_Pause, 19},
        {Qt::Key_CapsLock, 20},
    }};
    for (const auto &[qt, vk] : table) {
        if (qt == key)
            return vk;
    }
    return 0;
}

int ModifierState(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers m = event.modifiers();
    return (m & Qt::ControlModifier ? 1 : 0) | (m & Qt::ShiftModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}

} // namespace jiujiu
