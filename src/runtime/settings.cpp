#include "runtime/settings.h"

#include "runtime/buildconfig.h"

#include <cstdlib>

namespace jiujiu {

const char *HostEnvironmentVariable(Host host)
{
    switch (host) {
    case Host::Viewer:
        return "JIUJIU_VIEWER_HOST";
    case Host::Search:
        return "JIUJIU_SEARCH_HOST";
    case Host::CloudPlay:
        return "JIUJIU_CLOUDPLAY_HOST";
    case Host::Site:
        return "JIUJIU_SITE_HOST";
    case Host::Stats:
        return "JIUJIU_STATS_HOST";
    }
    return "";
}

std::string HostSetting(Host host)
{
    if (const char *value = std::getenv(HostEnvironmentVariable(host)))
        return value;
    switch (host) {
    case Host::Viewer:
        return JIUJIU_DEFAULT_VIEWER_HOST;
    case Host::Search:
        return JIUJIU_DEFAULT_SEARCH_HOST;
    case Host::CloudPlay:
        return JIUJIU_DEFAULT_CLOUDPLAY_HOST;
    case Host::Site:
        return JIUJIU_DEFAULT_SITE_HOST;
    case Host::Stats:
        return JIUJIU_DEFAULT_STATS_HOST;
    }
    return {};
}

const char *VersionText()
{
    return JIUJIU_VERSION_TEXT;
}

} // namespace jiujiu
