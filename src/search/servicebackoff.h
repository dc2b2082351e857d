#pragma once

#include "store/store.h"

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace jiujiu {

// How long each viewer service is left alone after it failed. Every failure raises its level
// by one (30 s, 1, 5, 15, 30 minutes, 1 hour, then it stays at the hour), every success lowers
// it by one. Kept for the program's run, and in the store for runs that record anything. Wall-clock
// times, so a stored level means the same after a restart; the clock is injectable so the steps can
// be walked without waiting.
class ServiceBackoff final
{
public:
    using Clock = std::chrono::system_clock;
    using Now = std::function<Clock::time_point()>;

    struct Level
    {
        int level = 0;           // 0: not backing off
        Clock::time_point until; // left alone until then
    };
    static constexpr int kLevels = 6;
    // The wait of a level from 1 to kLevels.
    static std::chrono::seconds Step(int level);

    explicit ServiceBackoff(Now now = Clock::now);

    // True while the service is left alone.
    bool backingOff(const std::string &service) const;
    void failed(const std::string &service);
    void succeeded(const std::string &service);

    Level level(const std::string &service) const;
    const std::map<std::string, Level> &levels() const { return m_levels; }
    // A level kept from before; never left alone for longer than its own step from now.
    void restore(const std::string &service, Level level);
    // The levels a store kept (read or not, the search goes on), and this run's back into it.
    void restore(Store &store);
    bool keep(Store &store) const { return store.setServiceLevels(stored()); }
    std::vector<Store::ServiceLevel> stored() const;
    void setClock(Now now) { m_now = std::move(now); }

private:
    Now m_now;
    std::map<std::string, Level> m_levels; // services at level 0 are left out
};

} // namespace jiujiu
