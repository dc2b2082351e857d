#include "ui/browsercontrol.h"

#include "runtime/conversions.h"

namespace jiujiu {

BrowserControl::~BrowserControl() = default;

Text BrowserNavigationAddress(const Text &address, const Value &helpFile)
{
    const Text help = helpFile.isOmitted() ? Text() : ToText(helpFile);
    if (help.empty())
        return address;
    Text target = Concatenate({"its:", help, "::", address});
    // A cut-off address would be a different page; better none at all.
    if (target.size() > MaxHelpAddressLength)
        return {};
    return target;
}

void BrowserNavigate(BrowserControl &browser, const Text &address, const Value &helpFile,
                     const Value &frame)
{
    const bool helpGiven = !helpFile.isOmitted() && !ToText(helpFile).empty();
    const Text target = BrowserNavigationAddress(address, helpFile);
    if (helpGiven && target.empty())
        return;
    browser.navigate(target, frame.isOmitted() ? Text() : ToText(frame));
}

} // namespace jiujiu
