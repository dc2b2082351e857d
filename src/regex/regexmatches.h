#pragma once

#include "runtime/value.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace jiujiu {

class RegexSubject;

// The match collection of one execution: for every match the subject byte range of the whole
// match and of each group, so every text handed out is the subject's own GB18030 bytes.
class RegexMatches final
{
public:
    RegexMatches(std::shared_ptr<const RegexSubject> subject, std::uint32_t groupCount);

    // offsets: 2 * (groupCount + 1) UTF-8 offsets of one match, as the engine gives them.
    void add(const std::size_t *utf8Offsets);
    void setLimitReached() { m_limitReached = true; }

    std::size_t count() const;
    std::uint32_t groupCount() const { return m_groupCount; }
    // True when a limit ended the list before the end of the subject.
    bool limitReached() const { return m_limitReached; }

    const std::shared_ptr<const RegexSubject> &subject() const { return m_subject; }

    // 0-based match, group 0 is the whole match; empty text when out of range or unset.
    Text group(std::size_t match, std::size_t group) const;
    // Subject byte offsets of a whole match; match must be below count().
    std::size_t Start(std::size_t match) const;
    std::size_t End(std::size_t match) const;

private:
    static constexpr std::uint32_t kUnset = 0xFFFFFFFF;

    std::shared_ptr<const RegexSubject> m_subject;
    std::uint32_t m_groupCount;
    std::vector<std::uint32_t> m_offsets; // start, end per group per match, in subject bytes
    bool m_limitReached = false;
};

} // namespace jiujiu
