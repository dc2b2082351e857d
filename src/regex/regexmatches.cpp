#include "regex/regexmatches.h"

#include "regex/regexsubject.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace jiujiu {

RegexMatches::RegexMatches(std::shared_ptr<const RegexSubject> subject, std::uint32_t groupCount)
    : m_subject(std::move(subject)), m_groupCount(groupCount)
{}

void RegexMatches::add(const std::size_t *utf8Offsets)
{
    const std::size_t slots = 2 * (std::size_t{m_groupCount} + 1);
    for (std::size_t k = 0; k < slots; ++k) {
        const std::size_t offset = utf8Offsets[k];
        m_offsets.push_back(offset == PCRE2_UNSET
                                ? kUnset
                                : static_cast<std::uint32_t>(m_subject->TextOffset(offset)));
    }
}

std::size_t RegexMatches::count() const
{
    return m_offsets.size() / (2 * (std::size_t{m_groupCount} + 1));
}

Text RegexMatches::group(std::size_t match, std::size_t group) const
{
    if (match >= count() || group > m_groupCount)
        return {};
    const std::size_t at = match * 2 * (std::size_t{m_groupCount} + 1) + 2 * group;
    const std::uint32_t start = m_offsets[at];
    const std::uint32_t end = m_offsets[at + 1];
    // A match whose start lies after its end (possible with \K) reads as empty text.
    if (start == kUnset || end == kUnset || end <= start)
        return {};
    return m_subject->Slice(start, end);
}

std::size_t RegexMatches::Start(std::size_t match) const
{
    return m_offsets[match * 2 * (std::size_t{m_groupCount} + 1)];
}

std::size_t RegexMatches::End(std::size_t match) const
{
    return m_offsets[match * 2 * (std::size_t{m_groupCount} + 1) + 1];
}

} // namespace jiujiu
