#include "regex/regexobject.h"

#include "regex/regexmatches.h"
#include "regex/regexsubject.h"
#include "runtime/asciictype.h"

#include <algorithm>
#include <limits>

namespace jiujiu {

RegexObject::RegexObject(RegexEngine engine) : m_engine(engine) {}

RegexObject::~RegexObject() = default;

RegexObject::RegexObject(const RegexObject &other) = default;

RegexObject &RegexObject::operator=(const RegexObject &other) = default;

bool RegexObject::Create(std::string_view pattern, bool ignoreCase, bool multiline, bool global)
{
    m_matches.reset();
    m_component.reset();
    m_component = std::make_shared<const RegexComponent>(
        pattern, RegexFlags{ignoreCase, multiline, global}, m_engine);
    m_matchCount = 0;
    return true;
}

Text RegexObject::GetPattern() const
{
    if (!m_component)
        return {};
    return m_component->pattern();
}

Text RegexObject::Replace(std::string_view source, std::string_view replacement)
{
    if (!m_component || !m_component->compiled())
        return {};
    const auto subject = Convert(source);
    const std::string_view text = source; // offsets of the m_matches are source bytes
    RegexMatches found(subject, m_component->groupCount());
    m_component->scan(*subject, [&found](const std::size_t *offsets) {
        found.add(offsets);
        return true;
    });

    const std::size_t groups = m_component->groupCount();
    Text out;
    out.reserve(text.size());
    std::size_t copied = 0;
    for (std::size_t m = 0; m < found.count(); ++m) {
        const std::size_t start = found.Start(m);
        const std::size_t end = std::max(found.End(m), start);
        if (start < copied)
            continue;
        const Text whole = found.group(m, 0);
        out.append(text.substr(copied, start - copied));
        for (std::size_t i = 0; i < replacement.size(); ++i) {
            const char c = replacement[i];
            if (c != '$' || i + 1 >= replacement.size()) {
                out += c;
                continue;
            }
            const char next = replacement[i + 1];
            if (next == '$') {
                out += '$';
                ++i;
            } else if (next == '&') {
                out += whole;
                ++i;
            } else if (next == '`') {
                out.append(text.substr(0, start));
                ++i;
            } else if (next == '\'') {
                out.append(text.substr(end));
                ++i;
            } else if (IsAsciiDigit(next)) {
                std::size_t group = static_cast<std::size_t>(next - '0');
                std::size_t used = 1;
                if (i + 2 < replacement.size() && IsAsciiDigit(replacement[i + 2])) {
                    const std::size_t two = group * 10 + (replacement[i + 2] - '0');
                    if (two >= 1 && two <= groups) {
                        group = two;
                        used = 2;
                    }
                }
                if (group >= 1 && group <= groups) {
                    out += found.group(m, group);
                    i += used;
                } else {
                    out += c;
                }
            } else {
                out += c;
            }
        }
        copied = end;
    }
    out.append(text.substr(copied));
    return out;
}

std::int32_t RegexObject::Execute(std::string_view subject)
{
    if (!m_component || !m_component->compiled()) {
        m_matches.reset();
        m_matchCount = 0;
        return 0;
    }
    return Execute(Convert(subject));
}

std::int32_t RegexObject::Execute(std::shared_ptr<const RegexSubject> subject)
{
    m_matches.reset();
    m_matchCount = 0;
    if (!m_component || !m_component->compiled() || !subject)
        return 0;
    auto found = std::make_shared<RegexMatches>(std::move(subject), m_component->groupCount());
    const RegexScanEnd end =
        m_component->scan(*found->subject(), [&found](const std::size_t *offsets) {
            found->add(offsets);
            return found->count() <
                   static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
        });
    if (end == RegexScanEnd::LimitReached)
        found->setLimitReached();
    m_matchCount = static_cast<std::int32_t>(found->count());
    m_matches = std::move(found);
    return m_matchCount;
}

std::int32_t RegexObject::GetMatchCount() const
{
    return m_matchCount;
}

Text RegexObject::GetMatchText(std::int32_t matchIndex) const
{
    if (!m_matches || matchIndex < 1)
        return {};
    return m_matches->group(static_cast<std::size_t>(matchIndex) - 1, 0);
}

Text RegexObject::GetSubMatchText(std::int32_t matchIndex, std::int32_t groupIndex) const
{
    if (!m_matches || matchIndex < 1 || groupIndex < 1)
        return {};
    return m_matches->group(static_cast<std::size_t>(matchIndex) - 1,
                            static_cast<std::size_t>(groupIndex));
}

std::int32_t RegexObject::GetSubMatchCount() const
{
    if (m_matchCount == 0 || !m_matches)
        return 0;
    return static_cast<std::int32_t>(m_matches->groupCount());
}

std::shared_ptr<const RegexSubject> RegexObject::Convert(std::string_view text)
{
    if (!m_lastSubject || m_lastSubject->tooLarge() || m_lastSubject->text() != text)
        m_lastSubject = std::make_shared<const RegexSubject>(text);
    return m_lastSubject;
}

} // namespace jiujiu
