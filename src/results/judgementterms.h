#pragma once

#include "results/filetype.h"
#include "results/filtergrammar.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jiujiu {

struct FilterSubject;

// The terms of a filter about what a result is rather than what it says:
//   type:视频 (or type:video, 类型:视频)   rows of that type; several type: terms are ORed
//   ext:mkv (or 扩展名:mkv)                rows whose file has that extension; ORed likewise
//   链接无效                               rows whose link is broken
//   可疑                                   rows a suspicion rule holds for
//   新 (or new)                            rows new since the saved search last ran
// each excluded with a leading "-". FilterTerms() has the table of them.
class JudgementTerms final
{
public:
    enum class Outcome
    {
        NotMine,          // not a term of these kinds: a bound, a status
        Applied,          // taken in
        MissingType,      // type:
        UnknownType,      // type:lots
        MissingExtension, // ext:
    };

    // A term as ReadFilterTerm read it, without its "-"; quoted terms are words and never
    // come here.
    Outcome apply(const FilterFieldTerm &term, bool negated);

    // The window's own choices; they narrow whatever the terms set.
    void restrictType(FileType type);
    void hideSuspicious();

    bool isEmpty() const;
    bool accepts(const FilterSubject &row) const;
    // True when every row these terms accept is accepted by previous as well.
    bool narrows(const JudgementTerms &previous) const;
    // Whether the terms read FilterSubject::suspicious, a verdict that looks at the whole list.
    bool readsSuspicion() const { return m_onlySuspicious || m_hideSuspicious; }

    friend bool operator==(const JudgementTerms &, const JudgementTerms &) = default;

private:
    bool m_typeRestricted = false;
    std::uint8_t m_types = 0; // FileType bits, while restricted
    std::uint8_t m_excludedTypes = 0;
    std::vector<std::string> m_extensions;
    std::vector<std::string> m_excludedExtensions;
    // Both of a pair set ("链接无效 -链接无效") accept no row.
    bool m_onlyBroken = false;
    bool m_hideBroken = false;
    bool m_onlySuspicious = false;
    bool m_hideSuspicious = false;
    bool m_onlyNew = false;
    bool m_hideNew = false;
};

} // namespace jiujiu
