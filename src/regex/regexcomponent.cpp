#include "regex/regexcomponent.h"

#include "regex/regexmatcher.h"
#include "regex/regexsubject.h"
#include "runtime/codepage.h"
#include "runtime/utf8.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <algorithm>
#include <pcre2.h>

namespace jiujiu {
namespace {

struct CompileContextDeleter
{
    void operator()(pcre2_compile_context *c) const { pcre2_compile_context_free(c); }
};
} // namespace

void RegexComponent::CodeDeleter::operator()(pcre2_real_code_8 *code) const
{
    pcre2_code_free(code);
}

RegexComponent::RegexComponent(std::string_view pattern, RegexFlags flags, RegexEngine engine)
    : m_pattern(pattern), m_flags(flags)
{
    std::unique_ptr<pcre2_compile_context, CompileContextDeleter> context(
        pcre2_compile_context_create(nullptr));
    if (!context)
        return;
    // Whatever PCRE2 was built with: only a line feed ends a line.
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);

    // The converted pattern is valid UTF-8 by construction. "\C" could split a character and
    // leave offsets that map to no subject byte, so it is refused.
    std::uint32_t options = PCRE2_UTF | PCRE2_NO_UTF_CHECK | PCRE2_NEVER_BACKSLASH_C |
                            PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF | PCRE2_DOLLAR_ENDONLY;
    if (flags.ignoreCase)
        options |= PCRE2_CASELESS;
    if (flags.multiline)
        options |= PCRE2_MULTILINE;

    const std::string utf8 = TextToUtf8(pattern);
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    m_code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(), options,
                               &error, &errorOffset, context.get()));
    if (!m_code)
        return;
    pcre2_pattern_info(m_code.get(), PCRE2_INFO_CAPTURECOUNT, &m_groupCount);
    m_prefix = LiteralPrefix::Of(utf8, flags.ignoreCase);
    if (engine == RegexEngine::Jit)
        m_jit = pcre2_jit_compile(m_code.get(), PCRE2_JIT_COMPLETE) == 0;
}

RegexComponent::~RegexComponent() = default;

RegexScanEnd RegexComponent::scan(const RegexSubject &subject, const MatchSink &onMatch) const
{
    if (!m_code)
        return RegexScanEnd::NotCompiled;
    if (subject.tooLarge())
        return RegexScanEnd::LimitReached;
    return scan(std::string_view(subject.utf8()), onMatch);
}

RegexScanEnd RegexComponent::scan(std::string_view text, const MatchSink &onMatch) const
{
    if (!m_code)
        return RegexScanEnd::NotCompiled;
    RegexMatcher matcher(*this);
    const std::size_t length = text.size();
    std::size_t start = 0;
    while (start <= length) {
        const RegexMatcher::Result result = matcher.find(text, start, length);
        if (result == RegexMatcher::Result::NotFound)
            return RegexScanEnd::Finished;
        if (result == RegexMatcher::Result::Failed) // a limit, or memory: the list ends here
            return RegexScanEnd::LimitReached;
        const std::size_t *ovector = matcher.offsets();
        if (!onMatch(ovector) || !m_flags.global)
            return RegexScanEnd::Finished;
        const std::size_t matchStart = ovector[0];
        const std::size_t matchEnd = ovector[1];
        if (matchEnd > matchStart && matchEnd > start) {
            start = matchEnd;
        } else {
            // An empty match: the next search starts one whole character further on.
            const std::size_t at = std::max({matchStart, matchEnd, start});
            if (at >= length)
                return RegexScanEnd::Finished;
            start = at + Utf8SequenceLength(static_cast<unsigned char>(text[at]));
        }
    }
    return RegexScanEnd::Finished;
}

} // namespace jiujiu
