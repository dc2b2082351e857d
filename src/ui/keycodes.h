#pragma once

class QKeyEvent;

namespace jiujiu {

// Key events as the window forms' handlers take them: the Windows virtual-key code (Enter is
// 13, letters their capitals, digits '0'-'9') and the modifier state (Ctrl 1, Shift 2, Alt 4).
// Keys without a virtual-key code answer 0.
int VirtualKeyCode(const QKeyEvent &event);
int ModifierState(const QKeyEvent &event);

} // namespace jiujiu
