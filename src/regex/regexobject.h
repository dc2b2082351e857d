#pragma once

#include "regex/regexcomponent.h"
#include "runtime/value.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace jiujiu {

class RegexMatches;
class RegexSubject;

// The program's regular expression object: one prepared pattern with its three flags, the
// matches of its last execution and their number. Indexes are 1-based; every accessor answers
// with text (empty when out of range) and nothing ever raises an error or shows a message.
//
// States: Empty (no component: before the first Create), Prepared (component, no matches),
// Executed (component and a match collection, possibly an empty reference when the pattern
// did not compile). A copy shares the component and the matches of the original.
//
// Matching is by characters of the GB18030 text; "." matches every character but a line feed
// (a carriage return is an ordinary character). RegexComponent has the dialect in full.
//
// The subject converted for the engine is kept: executing the same text again (the column
// expressions of one page, on this object or on a copy of it) converts it only once.
class RegexObject final
{
public:
    explicit RegexObject(RegexEngine engine = RegexEngine::Jit);

    ~RegexObject();
    RegexObject(const RegexObject &other);
    RegexObject &operator=(const RegexObject &other);

    // Discards the matches and the old component, then prepares the pattern. A flag not
    // given is true. A pattern that does not compile still gives true; Execute answers 0.
    bool Create(std::string_view pattern, bool ignoreCase = true, bool multiline = true,
                bool global = true);
    // The pattern as given to Create; empty text in the Empty state.
    Text GetPattern() const;
    // Replaces the matches of the prepared pattern in source (all of them when global, else
    // the first). In replacement "$1".."$99" is that group's text (a group that took no part
    // gives empty text; "$nn" means group nn when the pattern has that many groups, otherwise
    // group n followed by the digit), "$&" the whole match, "$`" the text before the match,
    // "$'" the text after it and "$$" one "$"; any other "$" stands for itself. Empty text in
    // the Empty state or when the pattern did not compile. The matches are not touched.
    Text Replace(std::string_view source, std::string_view replacement);
    // Finds the matches in subject and answers their number; 0 in the Empty state or when
    // the pattern did not compile.
    std::int32_t Execute(std::string_view subject);
    // The same over a subject prepared once (RegexSubject::FromUtf8) for several patterns.
    std::int32_t Execute(std::shared_ptr<const RegexSubject> subject);
    std::int32_t GetMatchCount() const;
    Text GetMatchText(std::int32_t matchIndex) const;
    // Group groupIndex of match matchIndex; empty text for a group that took no part.
    Text GetSubMatchText(std::int32_t matchIndex, std::int32_t groupIndex) const;
    // The number of capturing groups, seen on the first match; 0 when nothing matched.
    std::int32_t GetSubMatchCount() const;

    // The two held references, for inspection.
    const std::shared_ptr<const RegexComponent> &Component() const { return m_component; }
    const std::shared_ptr<const RegexMatches> &Matches() const { return m_matches; }

private:
    std::shared_ptr<const RegexSubject> Convert(std::string_view text);

    std::shared_ptr<const RegexComponent> m_component;
    std::shared_ptr<const RegexMatches> m_matches;
    std::int32_t m_matchCount = 0;

    RegexEngine m_engine;
    std::shared_ptr<const RegexSubject> m_lastSubject;
};

} // namespace jiujiu
