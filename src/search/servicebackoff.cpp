#include "search/servicebackoff.h"

#include <algorithm>

namespace jiujiu {

std::chrono::seconds ServiceBackoff::Step(int level)
{
    using namespace std::chrono_literals;
    static constexpr std::chrono::seconds kSteps[kLevels] = {30s, 1min, 5min, 15min, 30min, 1h};
    return kSteps[std::clamp(level, 1, kLevels) - 1];
}

ServiceBackoff::ServiceBackoff(Now now) : m_now(std::move(now)) {}

bool ServiceBackoff::backingOff(const std::string &service) const
{
    const auto found = m_levels.find(service);
    return found != m_levels.end() && m_now() < found->second.until;
}

void ServiceBackoff::failed(const std::string &service)
{
    Level &level = m_levels[service];
    level.level = std::min(level.level + 1, kLevels);
    level.until = m_now() + Step(level.level);
}

void ServiceBackoff::succeeded(const std::string &service)
{
    const auto found = m_levels.find(service);
    if (found == m_levels.end())
        return;
    // It answered: asked again at once, but a new failure starts from the level below.
    found->second.until = m_now();
    if (--found->second.level <= 0)
        m_levels.erase(found);
}

ServiceBackoff::Level ServiceBackoff::level(const std::string &service) const
{
    const auto found = m_levels.find(service);
    return found == m_levels.end() ? Level() : found->second;
}

void ServiceBackoff::restore(const std::string &service, Level level)
{
    if (level.level <= 0) {
        m_levels.erase(service);
        return;
    }
    level.level = std::min(level.level, kLevels);
    // A clock set back, or a forged store, must not keep a service away for good.
    level.until = std::min(level.until, m_now() + Step(level.level));
    m_levels[service] = level;
}

void ServiceBackoff::restore(Store &store)
{
    for (const Store::ServiceLevel &kept :
         store.serviceLevels().value_or(std::vector<Store::ServiceLevel>{}))
        restore(kept.service, {kept.level, Clock::time_point(std::chrono::seconds(kept.until))});
}

std::vector<Store::ServiceLevel> ServiceBackoff::stored() const
{
    std::vector<Store::ServiceLevel> levels;
    for (const auto &[service, level] : m_levels)
        levels.push_back(
            {service, level.level,
             std::chrono::ceil<std::chrono::seconds>(level.until.time_since_epoch()).count()});
    return levels;
}

} // namespace jiujiu
