#include "results/judgementterms.h"

#include "results/resultfilter.h"
#include "runtime/asciicase.h"

#include <algorithm>

namespace jiujiu {
namespace {

std::uint8_t Bit(FileType type)
{
    return static_cast<std::uint8_t>(1u << static_cast<unsigned>(type));
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

JudgementTerms::Outcome JudgementTerms::apply(const FilterFieldTerm &term, bool negated)
{
    switch (term.kind) {
    case FilterTermKind::Type: {
        if (term.value.empty())
            return Outcome::MissingType;
        const auto type = ParseFileType(term.value);
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
    case FilterTermKind::Extension: {
        std::string extension = AsciiLowered(term.value);
        if (extension.starts_with('.'))
            extension.erase(0, 1);
        if (extension.empty())
            return Outcome::MissingExtension;
        AddOnce(negated ? m_excludedExtensions : m_extensions, std::move(extension));
        return Outcome::Applied;
    }
    case FilterTermKind::BrokenLink:
        (negated ? m_hideBroken : m_onlyBroken) = true;
        return Outcome::Applied;
    case FilterTermKind::Suspicious:
        (negated ? m_hideSuspicious : m_onlySuspicious) = true;
        return Outcome::Applied;
    case FilterTermKind::NewSinceLastRun:
        (negated ? m_hideNew : m_onlyNew) = true;
        return Outcome::Applied;
    default:
        return Outcome::NotMine;
    }
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
           !m_hideSuspicious && !m_onlyNew && !m_hideNew;
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
    if ((m_onlyNew && !row.newSinceLastRun) || (m_hideNew && row.newSinceLastRun))
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
           (!previous.m_hideSuspicious || m_hideSuspicious) && (!previous.m_onlyNew || m_onlyNew) &&
           (!previous.m_hideNew || m_hideNew);
}

} // namespace jiujiu
