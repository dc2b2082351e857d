#include "store/storelocation.h"

#include <cstdlib>

namespace jiujiu {

namespace {

std::filesystem::path Variable(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::filesystem::path(value) : std::filesystem::path();
}

} // namespace

std::filesystem::path StoreDirectory()
{
    if (auto own = Variable("JIUJIU_STATE_DIR"); !own.empty())
        return own;
    // The XDG rules ignore a relative path.
    if (auto state = Variable("XDG_STATE_HOME"); state.is_absolute())
        return state / "jiujiu";
    if (auto home = Variable("HOME"); !home.empty())
        return home / ".local" / "state" / "jiujiu";
    return {};
}

std::filesystem::path StorePath()
{
    const std::filesystem::path directory = StoreDirectory();
    return directory.empty() ? directory : directory / "store.db";
}

} // namespace jiujiu
