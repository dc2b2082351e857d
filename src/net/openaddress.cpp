#include "net/openaddress.h"

#include "runtime/asciicase.h"
#include "runtime/codepage.h"
#include "runtime/conversions.h"
#include "runtime/settings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>

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
    const std::string scheme = AsciiLowered(address.substr(0, colon));
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

    // The opener gets no input and none of our descriptors (sockets of running requests).
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return;
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return;
    // Reaps the opener without making the caller wait for it.
    try {
        std::thread([pid] {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error &) {
        // No thread: the finished opener stays a zombie until we exit.
    }
}

void OpenAddress(const Value &address)
{
    Text text = address.isOmitted() ? DefaultWebAddress() : ToText(address);
    // A text ends at its first NUL; the opener must not see more than the check did.
    if (const auto nul = text.find('\0'); nul != Text::npos)
        text.resize(nul);
    if (!IsOpenableAddress(text))
        return;
    const std::string utf8 = TextToUtf8(text);
    if (Opener())
        Opener()(utf8);
    else
        OpenWithSystemOpener(utf8);
}

} // namespace jiujiu
