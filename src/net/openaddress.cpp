#include "net/openaddress.h"

#include "net/openerprocess.h"
#include "runtime/asciicase.h"
#include "runtime/codepage.h"
#include "runtime/conversions.h"
#include "runtime/settings.h"
#include "runtime/uiservices.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace jiujiu {
namespace {

AddressOpener &Opener()
{
    static AddressOpener opener;
    return opener;
}

} // namespace

AddressOpener SetAddressOpener(AddressOpener opener)
{
    AddressOpener previous = std::move(Opener());
    Opener() = std::move(opener);
    return previous;
}

bool IsOpenableAddress(std::string_view address)
{
    const auto colon = address.find(':');
    if (colon == std::string_view::npos)
        return false;
    const std::string scheme = AsciiLowered(address.substr(0, colon));
    return scheme == "http" || scheme == "https" || scheme == "ed2k";
}

Text DefaultWebAddress()
{
    return "http://" + HostSetting(Host::Site) + "/";
}

namespace {

// The address as the opener gets it (UTF-8), or nothing when it is not to be handed over.
std::optional<std::string> OpenableAddress(const Value &address)
{
    Text text = address.isOmitted() ? DefaultWebAddress() : ToText(address);
    // A text ends at its first NUL; the opener must not see more than the check did.
    if (const auto nul = text.find('\0'); nul != Text::npos)
        text.resize(nul);
    if (!IsOpenableAddress(text))
        return std::nullopt;
    return TextToUtf8(text);
}

std::vector<std::string> SystemOpenerCommand(const std::string &utf8Address)
{
    return {"gio", "open", utf8Address};
}

} // namespace

void OpenWithSystemOpener(const std::string &utf8Address)
{
    OpenerProcess opener(SystemOpenerCommand(utf8Address));
}

void OpenAddress(const Value &address)
{
    const std::optional<std::string> utf8 = OpenableAddress(address);
    if (!utf8)
        return;
    if (Opener())
        Opener()(*utf8);
    else
        OpenWithSystemOpener(*utf8);
}

HandOff HandOverAddress(const Value &address, std::chrono::milliseconds wait)
{
    const std::optional<std::string> utf8 = OpenableAddress(address);
    if (!utf8)
        return HandOff::Rejected;
    if (Opener()) {
        Opener()(*utf8);
        return HandOff::Taken;
    }
    OpenerProcess opener(SystemOpenerCommand(*utf8));
    if (!opener.started())
        return HandOff::Refused;
    const std::optional<int> status = opener.waitFor(wait, [] { ProcessPendingEvents(); });
    if (!status)
        return HandOff::Undecided;
    return ExitedCleanly(*status) ? HandOff::Taken : HandOff::Refused;
}

} // namespace jiujiu
