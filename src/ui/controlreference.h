#pragma once

#include <cstdint>

namespace jiujiu {

// A window of the program: the identifiers its description carries.
struct WindowReference
{
    std::uint32_t window = 0;
    std::uint32_t form = 0;
    friend bool operator==(const WindowReference &, const WindowReference &) = default;
};

// One control on one window: the window's identifier and the control's own.
struct ControlReference
{
    std::uint32_t window = 0;
    std::uint32_t control = 0;
    friend bool operator==(const ControlReference &, const ControlReference &) = default;
};

} // namespace jiujiu
