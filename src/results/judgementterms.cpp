#include "results/judgementterms.h"

#include "results/resultfilter.h"
#include "runtime/asciicase.h"

#include <algorithm>
#include <array>

namespace jiujiu {
namespace {

std::uint8_t Bit(FileType type)
{
    return static_cast<std::uint8_t>(1u << static_cast<unsigned>(type));
}

// The value after "field:" or "field：" at the front of the term, none when the term does not
// begin with one of the field's names.
template <std::size_t N>
std::optional<std::string_view> FieldValue(std::string_view term,
                                           const std::array<std::string_view, N> &names)
{
    for (std::string_view name : names) {
        if (!AsciiEqualsIgnoringCase(term.substr(0, name.size()), name))
            continue;
        const std::string_view rest = term.substr(name.size());
        for (std::string_view colon : {std::string_view(":"), std::string_view("：")})
            if (rest.starts_with(colon))
                return rest.substr(colon.size());
    }
    return std::nullopt;
}

void AddOnce(std::vector<std::string> &to, std::string value)
{
    if (std::find(to.begin(), to.end(), value) == to.end())
        to.push_back(std::move(value));
}

bool Within(const std::vector<std::string> &mine, const std::vector<std::string> &theirs)
{
    return std::all_of(mine.begin(), mine.end(), [&](const std::string &e) {
        return std::find(theirs.begin(), theirs.end(), e) != theirs.end();
    });
}

} // namespace

JudgementTerms::Outcome JudgementTerms::apply(std::string_view term, bool negated)
{
    static constexpr std::array<std::string_view, 2> kTypeFields = {"type", "类型"};
    static constexpr std::array<std::string_view, 2> kExtensionFields = {"ext", "扩展名"};
    if (const auto value = FieldValue(term, kTypeFields)) {
        if (value->empty())
            return Outcome::MissingType;
        const auto type = ParseFileType(*value);
        if (!type)
            return Outcome::UnknownType;
        if (negated) {
            m_excludedTypes |= Bit(*type);
        } else {
            m_types =
                m_typeRestricted ? static_cast<std::uint8_t>(m_types | Bit(*type)) : Bit(*type);
            m_typeRestricted = true;
        }
        return Outcome::Applied;
    }
    if (const auto value = FieldValue(term, kExtensionFields)) {
        std::string extension = AsciiLowered(*value);
        if (extension.starts_with('.'))
            extension.erase(0, 1);
        if (extension.empty())
            return Outcome::MissingExtension;
        AddOnce(negated ? m_excludedExtensions : m_extensions, std::move(extension));
        return Outcome::Applied;
    }
    if (term == "链接无效") {
        (negated ? m_hideBroken : m_onlyBroken) = true;
        return Outcome::Applied;
    }
    if (term == "可疑") {
        (negated ? m_hideSuspicious : m_onlySuspicious) = true;
        return Outcome::Applied;
    }
    return Outcome::NotMine;
}

void JudgementTerms::restrictType(FileType type)
{
    m_types = m_typeRestricted ? static_cast<std::uint8_t>(m_types & Bit(type)) : Bit(type);
    m_typeRestricted = true;
}

void JudgementTerms::hideSuspicious()
{
    m_hideSuspicious = true;
}

bool JudgementTerms::isEmpty() const
{
    return !m_typeRestricted && m_excludedTypes == 0 && m_extensions.empty() &&
           m_excludedExtensions.empty() && !m_onlyBroken && !m_hideBroken && !m_onlySuspicious &&
           !m_hideSuspicious;
}

bool JudgementTerms::accepts(const FilterSubject &row) const
{
    const std::uint8_t type = Bit(row.type);
    if ((m_typeRestricted && !(m_types & type)) || (m_excludedTypes & type))
        return false;
    const auto listed = [&](const std::vector<std::string> &extensions) {
        return std::find(extensions.begin(), extensions.end(), row.extension) != extensions.end();
    };
    if ((!m_extensions.empty() && !listed(m_extensions)) || listed(m_excludedExtensions))
        return false;
    if ((m_onlyBroken && !row.brokenLink) || (m_hideBroken && row.brokenLink))
        return false;
    return !(m_onlySuspicious && !row.suspicious) && !(m_hideSuspicious && row.suspicious);
}

bool JudgementTerms::narrows(const JudgementTerms &previous) const
{
    if (previous.m_typeRestricted &&
        (!m_typeRestricted || (m_types & ~previous.m_types & 0xFF) != 0))
        return false;
    if ((previous.m_excludedTypes & ~m_excludedTypes & 0xFF) != 0)
        return false;
    if (!previous.m_extensions.empty() &&
        (m_extensions.empty() || !Within(m_extensions, previous.m_extensions)))
        return false;
    if (!Within(previous.m_excludedExtensions, m_excludedExtensions))
        return false;
    return (!previous.m_onlyBroken || m_onlyBroken) && (!previous.m_hideBroken || m_hideBroken) &&
           (!previous.m_onlySuspicious || m_onlySuspicious) &&
           (!previous.m_hideSuspicious || m_hideSuspicious);
}

} // namespace jiujiu
