#include "search/viewerservices.h"

#include "runtime/buildconfig.h"
#include "runtime/settings.h"
#include "search/servicebackoff.h"

namespace jiujiu {
namespace {

std::vector<std::string> Entries(const std::string &list)
{
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string entry = list.substr(start, comma - start);
        const auto first = entry.find_first_not_of(" \t");
        if (first != std::string::npos)
            entries.push_back(entry.substr(first, entry.find_last_not_of(" \t") - first + 1));
        start = comma + 1;
    }
    return entries;
}

} // namespace

ViewerServices::ViewerServices() : ViewerServices(HostSetting(Host::Viewer), nullptr) {}

ViewerServices::ViewerServices(const std::string &list, ServiceBackoff *backoff)
    : m_names(Entries(list)), m_backoff(backoff)
{
    // A list of blanks and commas names nothing: the built-in one is used.
    if (m_names.empty())
        m_names = Entries(JIUJIU_DEFAULT_VIEWER_HOST);
    if (m_names.empty())
        m_names.push_back(kDirectService);
}

std::size_t ViewerServices::first() const
{
    if (m_names.size() == 1 || !m_backoff || !m_backoff->backingOff(m_names.front()))
        return 0;
    return *after(0);
}

std::optional<std::size_t> ViewerServices::after(std::size_t at) const
{
    for (std::size_t next = at + 1; next < m_names.size(); ++next)
        if (next + 1 == m_names.size() || !m_backoff || !m_backoff->backingOff(m_names[next]))
            return next;
    return std::nullopt;
}

} // namespace jiujiu
