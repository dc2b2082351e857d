#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace jiujiu {

// The text every match of a pattern begins with, read off the pattern's start: a run of plain
// ASCII characters before the first metacharacter, escape or quantified character. Knowing
// it, a search skips in bulk to the places where a match can start, instead of trying the
// pattern at every "&" of an HTML-escaped page. Empty when nothing is certain (an
// alternation anywhere, a pattern that starts with a group, class or escape) or too short to
// be worth skipping to.
//
// Without case, a letter stands for both its cases. The letters k and s end the prefix there:
// in UTF mode they also match the Kelvin sign and the long s.
class LiteralPrefix final
{
public:
    LiteralPrefix() = default;
    static LiteralPrefix Of(std::string_view patternUtf8, bool caseless);

    bool empty() const { return m_bytes.empty(); }
    const std::string &bytes() const { return m_bytes; }
    // The first position in [from, end) where the prefix stands whole before `end`; `end`
    // when there is none. The whole range when the prefix is empty.
    std::size_t next(std::string_view text, std::size_t from, std::size_t end) const;

private:
    std::string m_bytes; // letters in lower case when caseless
    bool m_caseless = false;
};

} // namespace jiujiu
