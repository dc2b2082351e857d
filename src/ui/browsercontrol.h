#pragma once

#include "runtime/value.h"

namespace jiujiu {

// A control that shows web pages: the cloud-play window's browser, the hidden statistics
// visitor. Navigation is asynchronous and reports nothing.
class BrowserControl
{
public:
    virtual ~BrowserControl();

    // frame: the target frame name, empty for none.
    virtual void navigate(const Text &address, const Text &frame) = 0;
};

// The longest address a navigation takes in its compiled-help form.
inline constexpr std::size_t MaxHelpAddressLength = 519;

// "its:" + help file + "::" + address when a help file is given and not empty, else the
// address. Empty when the help form would be longer than MaxHelpAddressLength.
Text BrowserNavigationAddress(const Text &address, const Value &helpFile = {});

// Tells the browser to load the address (see BrowserNavigationAddress), in the named frame when
// one is given. A help-file address too long to build navigates nowhere.
void BrowserNavigate(BrowserControl &browser, const Text &address, const Value &helpFile = {},
                     const Value &frame = {});

} // namespace jiujiu
