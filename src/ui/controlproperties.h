#pragma once

#include "runtime/value.h"

#include <cstdint>

namespace jiujiu {

// Properties every control has, numbered 0 to 7; a kind's own start at 8.
enum ControlProperty
{
    PropertyLeft = 0,
    PropertyTop = 1,
    PropertyWidth = 2,
    PropertyHeight = 3,
    PropertyTag = 4,
    PropertyVisible = 5,
    PropertyDisabled = 6,
    PropertyMousePointer = 7,
    PropertyText = 8,              // edit box text, label caption
    PropertyCurrentPage = 12,      // page control, counted from 0
    PropertyCurrentSelection = 35, // list view, -1 when nothing is selected
};

// Reads a control's property. Fatal when the window is not loaded ("未载入欲访问窗口组件所在的
// 窗口"); for a kind's own properties (8 and up) also when the control does not exist
// ("指定窗口尚未载入"), for the common ones through the control lookup. A property the control
// does not have, or an element index other than -1, reads as omitted.
Value ReadControlProperty(std::uint32_t window, std::uint32_t control, std::int32_t property,
                          std::int32_t element = -1);

// Writes a control's property, with the same fatal errors; what the control does not have is
// ignored.
void WriteControlProperty(std::uint32_t window, std::uint32_t control, std::int32_t property,
                          std::int32_t element, const Value &value);

} // namespace jiujiu
