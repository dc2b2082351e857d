#include "net/httpbudget.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace jiujiu {
namespace {

std::size_t Twice(std::size_t n)
{
    return n > std::numeric_limits<std::size_t>::max() / 2 ? std::numeric_limits<std::size_t>::max()
                                                           : 2 * n;
}

} // namespace

bool HttpBudget::reserve(std::size_t bytes, std::size_t cap, bool eldest)
{
    const std::size_t limit = eldest ? Twice(cap) : cap;
    std::lock_guard lock(m_mutex);
    if (bytes > limit || m_held > limit - bytes)
        return false;
    m_held += bytes;
    m_peak = std::max(m_peak, m_held);
    return true;
}

void HttpBudget::release(std::size_t bytes)
{
    if (bytes == 0)
        return;
    std::lock_guard lock(m_mutex);
    m_held -= std::min(bytes, m_held);
    ++m_releases;
    if (m_onRelease)
        m_onRelease();
}

std::size_t HttpBudget::held() const
{
    std::lock_guard lock(m_mutex);
    return m_held;
}

std::size_t HttpBudget::peak() const
{
    std::lock_guard lock(m_mutex);
    return m_peak;
}

std::uint64_t HttpBudget::releases() const
{
    std::lock_guard lock(m_mutex);
    return m_releases;
}

void HttpBudget::setOnRelease(std::function<void()> onRelease)
{
    std::lock_guard lock(m_mutex);
    m_onRelease = std::move(onRelease);
}

} // namespace jiujiu
