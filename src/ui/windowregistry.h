#pragma once

#include "ui/controlreference.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace jiujiu {

// How one window of the program is made: its identifiers, a factory for the top-level widget
// (not yet shown) and the identifiers of its controls, found in the window by object name.
struct WindowDescription
{
    struct Control
    {
        std::uint32_t id;
        QString objectName;
    };

    WindowReference reference;
    std::function<QWidget *()> create;
    std::vector<Control> controls;
};

// Makes the window known to LoadWindow; a description with the same window identifier is
// replaced (a live window of it stays as it is).
void RegisterWindowDescription(WindowDescription description);

// Shows the window, creating it from its description when it does not exist; an existing one is
// restored when minimised, else activated. With disableOthers false the parent, when given,
// becomes the owner (a parent that is not loaded makes the call fail); with it true the window
// is application-modal and the owner is ignored. True when the window exists afterwards.
bool LoadWindow(const WindowReference &window, std::optional<WindowReference> parent = {},
                bool disableOthers = false);

// True from creation until the window is closed (closing destroys it; the deletion itself
// runs later, and a closed window is never shown again: loading makes a new one).
bool IsWindowLoaded(const WindowReference &window);

// The live window with that identifier, null when it is not loaded.
QWidget *LoadedWindow(std::uint32_t windowId);

// The live control, null when the window is not loaded or has no such control. The window's own
// identifier as control names the window itself.
QWidget *FindControl(const ControlReference &control);

// The live control; a window or control that does not exist is a fatal error
// ("指定窗口或窗口组件不存在或尚未载入").
QWidget &LookUpControl(const ControlReference &control);

// Gives the keyboard focus to the control (fatal as LookUpControl when it does not exist).
void FocusControl(const ControlReference &control);

} // namespace jiujiu
