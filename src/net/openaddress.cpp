#include "net/openaddress.h"

#include "runtime/codepage.h"
#include "runtime/conversions.h"
#include "runtime/settings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char **environ;

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
    std::string scheme(address.substr(0, colon));
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return scheme == "http" || scheme == "https" || scheme == "ed2k";
}

Text DefaultWebAddress()
{
    return "http://" + HostSetting(Host::Site) + "/";
}

void OpenWithSystemOpener(const std::string &utf8Address)
{
    std::string program = "gio";
    std::string verb = "open";
    std::string address = utf8Address;
    char *argv[] = {program.data(), verb.data(), address.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv, environ) != 0)
        return;
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

void OpenAddress(const Value &address)
{
    const Text text = address.isOmitted() ? DefaultWebAddress() : ToText(address);
    if (!IsOpenableAddress(text))
        return;
    const std::string utf8 = TextToUtf8(text);
    if (Opener())
        Opener()(utf8);
    else
        OpenWithSystemOpener(utf8);
}

} // namespace jiujiu
