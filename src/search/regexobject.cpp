#include "search/regexobject.h"

#include "search/regexmatches.h"
#include "search/regexsubject.h"

#include <algorithm>
#include <limits>

namespace jiujiu {
namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

RegexObject::RegexObject(RegexEngine engine) : engine(engine) {}

RegexObject::~RegexObject() = default;

RegexObject::RegexObject(const RegexObject &other) = default;

RegexObject &RegexObject::operator=(const RegexObject &other) = default;

bool RegexObject::Create(std::string_view pattern, bool ignoreCase, bool multiline, bool global)
{
    matches.reset();
    component.reset();
    component = std::make_shared<const RegexComponent>(
        pattern, RegexFlags{ignoreCase, multiline, global}, engine);
    matchCount = 0;
    return true;
}

Text RegexObject::GetPattern() const
{
    if (!component)
        return {};
    return component->pattern();
}

Text RegexObject::Replace(std::string_view source, std::string_view replacement)
{
    if (!component || !component->compiled())
        return {};
    const auto subject = Convert(source);
    const std::string_view text = source; // offsets of the matches are source bytes
    RegexMatches found(subject, component->groupCount());
    component->scan(*subject, [&found](const std::size_t *offsets) {
        found.add(offsets);
        return true;
    });

    const std::size_t groups = component->groupCount();
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
            } else if (IsDigit(next)) {
                std::size_t group = static_cast<std::size_t>(next - '0');
                std::size_t used = 1;
                if (i + 2 < replacement.size() && IsDigit(replacement[i + 2])) {
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
    matches.reset();
    matchCount = 0;
    if (!component || !component->compiled())
        return 0;
    auto found = std::make_shared<RegexMatches>(Convert(subject), component->groupCount());
    const RegexScanEnd end =
        component->scan(*found->subject(), [&found](const std::size_t *offsets) {
            found->add(offsets);
            return found->count() <
                   static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
        });
    if (end == RegexScanEnd::LimitReached)
        found->setLimitReached();
    matchCount = static_cast<std::int32_t>(found->count());
    matches = std::move(found);
    return matchCount;
}

std::int32_t RegexObject::GetMatchCount() const
{
    return matchCount;
}

Text RegexObject::GetMatchText(std::int32_t matchIndex) const
{
    if (!matches || matchIndex < 1)
        return {};
    return matches->group(static_cast<std::size_t>(matchIndex) - 1, 0);
}

Text RegexObject::GetSubMatchText(std::int32_t matchIndex, std::int32_t groupIndex) const
{
    if (!matches || matchIndex < 1 || groupIndex < 1)
        return {};
    return matches->group(static_cast<std::size_t>(matchIndex) - 1,
                          static_cast<std::size_t>(groupIndex));
}

std::int32_t RegexObject::GetSubMatchCount() const
{
    if (matchCount == 0 || !matches)
        return 0;
    return static_cast<std::int32_t>(matches->groupCount());
}

std::shared_ptr<const RegexSubject> RegexObject::Convert(std::string_view text)
{
    if (!lastSubject || lastSubject->tooLarge() || lastSubject->text() != text)
        lastSubject = std::make_shared<const RegexSubject>(text);
    return lastSubject;
}

} // namespace jiujiu
