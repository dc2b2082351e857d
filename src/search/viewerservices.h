#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace jiujiu {

class ServiceBackoff;

// The page-source viewer services a search may use, in the order they are tried: the entries
// of JIUJIU_VIEWER_HOST (else the built-in list), separated by commas. Each is a host[:port]
// of a viewer, or `direct`: the search site itself, asked for the page the form names.
class ViewerServices final
{
public:
    // From the environment (or the built-in list), with no back-off.
    ViewerServices();
    // From that list; `backoff` (may be null) decides which are left alone for now.
    ViewerServices(const std::string &list, ServiceBackoff *backoff);

    std::size_t size() const { return m_names.size(); }
    const std::string &name(std::size_t at) const { return m_names[at]; }
    // The first service not backing off; the last one is never skipped.
    std::size_t first() const;
    // The next such service after `at`, none after the last.
    std::optional<std::size_t> after(std::size_t at) const;
    ServiceBackoff *backoff() const { return m_backoff; }

private:
    std::vector<std::string> m_names;
    ServiceBackoff *m_backoff = nullptr;
};

// The list entry that asks the search site itself.
inline constexpr char kDirectService[] = "direct";

} // namespace jiujiu
