#include "search/regexcomponent.h"

#include "runtime/codepage.h"
#include "search/regexsubject.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <algorithm>
#include <pcre2.h>

namespace jiujiu {
namespace {

struct CompileContextDeleter
{
    void operator()(pcre2_compile_context *c) const { pcre2_compile_context_free(c); }
};
struct MatchContextDeleter
{
    void operator()(pcre2_match_context *c) const { pcre2_match_context_free(c); }
};
struct MatchDataDeleter
{
    void operator()(pcre2_match_data *d) const { pcre2_match_data_free(d); }
};
struct JitStackDeleter
{
    void operator()(pcre2_jit_stack *s) const { pcre2_jit_stack_free(s); }
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

    std::unique_ptr<pcre2_match_context, MatchContextDeleter> context(
        pcre2_match_context_create(nullptr));
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
        pcre2_match_data_create_from_pattern(m_code.get(), nullptr));
    if (!context || !data)
        return RegexScanEnd::LimitReached;
    pcre2_set_match_limit(context.get(), RegexLimits::kMatchLimit);
    pcre2_set_depth_limit(context.get(), RegexLimits::kDepthLimit);
    pcre2_set_heap_limit(context.get(), RegexLimits::kHeapLimitKiB);
    std::unique_ptr<pcre2_jit_stack, JitStackDeleter> jitStack;
    if (m_jit) {
        jitStack.reset(pcre2_jit_stack_create(32 * 1024, RegexLimits::kJitStackBytes, nullptr));
        if (jitStack)
            pcre2_jit_stack_assign(context.get(), nullptr, jitStack.get());
    }

    const std::string &text = subject.utf8();
    const auto *bytes = reinterpret_cast<PCRE2_SPTR>(text.data());
    const std::size_t length = text.size();
    const PCRE2_SIZE *ovector = pcre2_get_ovector_pointer(data.get());
    std::size_t start = 0;
    while (start <= length) {
        const int rc = pcre2_match(m_code.get(), bytes, length, start, PCRE2_NO_UTF_CHECK,
                                   data.get(), context.get());
        if (rc == PCRE2_ERROR_NOMATCH)
            return RegexScanEnd::Finished;
        if (rc < 0) // a limit, or memory: the list ends here
            return RegexScanEnd::LimitReached;
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
            start = at + subject.Utf8CharLength(at);
        }
    }
    return RegexScanEnd::Finished;
}

} // namespace jiujiu
