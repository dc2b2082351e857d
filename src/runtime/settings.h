#pragma once

#include <string>

namespace jiujiu {

enum class Host
{
    Viewer,    // JIUJIU_VIEWER_HOST: page-source viewer service, may carry a port
    Search,    // JIUJIU_SEARCH_HOST: ed2k search site
    CloudPlay, // JIUJIU_CLOUDPLAY_HOST
    Site,      // JIUJIU_SITE_HOST: the maker's web site
    Stats,     // JIUJIU_STATS_HOST: empty skips the statistics visit
};

// The host setting: its environment variable when set, else the built-in default.
std::string HostSetting(Host host);
const char *HostEnvironmentVariable(Host host);

// The program's version as the updater is told it.
const char *VersionText();

} // namespace jiujiu
