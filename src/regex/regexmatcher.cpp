#include "regex/regexmatcher.h"

#include "regex/regexcomponent.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace jiujiu {

void RegexMatcher::Deleters::operator()(pcre2_match_context *context) const
{
    pcre2_match_context_free(context);
}

void RegexMatcher::Deleters::operator()(pcre2_match_data *data) const
{
    pcre2_match_data_free(data);
}

void RegexMatcher::Deleters::operator()(pcre2_jit_stack *stack) const
{
    pcre2_jit_stack_free(stack);
}

RegexMatcher::RegexMatcher(const RegexComponent &component) : m_component(component)
{
    if (!component.compiled())
        return;
    m_context.reset(pcre2_match_context_create(nullptr));
    m_data.reset(pcre2_match_data_create_from_pattern(component.code(), nullptr));
    if (!m_context || !m_data)
        return;
    pcre2_set_match_limit(m_context.get(), RegexLimits::kMatchLimit);
    pcre2_set_depth_limit(m_context.get(), RegexLimits::kDepthLimit);
    pcre2_set_heap_limit(m_context.get(), RegexLimits::kHeapLimitKiB);
    if (component.usesJit()) {
        m_jitStack.reset(pcre2_jit_stack_create(32 * 1024, RegexLimits::kJitStackBytes, nullptr));
        if (m_jitStack)
            pcre2_jit_stack_assign(m_context.get(), nullptr, m_jitStack.get());
    }
}

RegexMatcher::~RegexMatcher() = default;

RegexMatcher::Result RegexMatcher::find(std::string_view utf8, std::size_t from, std::size_t end)
{
    if (!m_context || !m_data || end > utf8.size() || from > end)
        return Result::Failed;
    // No match can start before the pattern's literal beginning does.
    const LiteralPrefix &prefix = m_component.prefix();
    if (!prefix.empty()) {
        from = prefix.next(utf8, from, end);
        if (from == end)
            return Result::NotFound;
    }
    const int rc = pcre2_match(m_component.code(), reinterpret_cast<PCRE2_SPTR>(utf8.data()), end,
                               from, PCRE2_NO_UTF_CHECK, m_data.get(), m_context.get());
    if (rc == PCRE2_ERROR_NOMATCH)
        return Result::NotFound;
    return rc < 0 ? Result::Failed : Result::Found;
}

const std::size_t *RegexMatcher::offsets() const
{
    return pcre2_get_ovector_pointer(m_data.get());
}

} // namespace jiujiu
