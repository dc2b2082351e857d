#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

struct pcre2_real_match_context_8;
struct pcre2_real_match_data_8;
struct pcre2_real_jit_stack_8;

namespace jiujiu {

class RegexComponent;

// Runs one prepared pattern again and again over UTF-8 known to be valid, keeping the match
// state (match data, limits, JIT stack) from one run to the next: a page reader looks for a
// cell in every row, and setting that state up costs more than the short match itself.
class RegexMatcher final
{
public:
    // The component must outlive the matcher.
    explicit RegexMatcher(const RegexComponent &component);
    ~RegexMatcher();
    RegexMatcher(const RegexMatcher &) = delete;
    RegexMatcher &operator=(const RegexMatcher &) = delete;

    enum class Result
    {
        Found,
        NotFound,
        Failed, // a limit was reached, memory ran out, or the pattern did not compile
    };

    // The first match that starts at or after `from` and lies within utf8[0, end); end is at
    // most utf8.size() and both are character boundaries. offsets() then holds
    // 2 * (groupCount + 1) offsets into utf8 (PCRE2's "unset" for a group that took no part).
    Result find(std::string_view utf8, std::size_t from, std::size_t end);
    const std::size_t *offsets() const;

private:
    struct Deleters
    {
        void operator()(pcre2_real_match_context_8 *context) const;
        void operator()(pcre2_real_match_data_8 *data) const;
        void operator()(pcre2_real_jit_stack_8 *stack) const;
    };

    const RegexComponent &m_component;
    std::unique_ptr<pcre2_real_match_context_8, Deleters> m_context;
    std::unique_ptr<pcre2_real_match_data_8, Deleters> m_data;
    std::unique_ptr<pcre2_real_jit_stack_8, Deleters> m_jitStack;
};

} // namespace jiujiu
