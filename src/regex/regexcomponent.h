#pragma once

#include "regex/literalprefix.h"
#include "runtime/value.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

struct pcre2_real_code_8;

namespace jiujiu {

class RegexSubject;

// Which matcher runs a pattern: the JIT compiler where PCRE2 has one (the interpreter takes
// over for a pattern the JIT cannot compile), or always the interpreter.
enum class RegexEngine
{
    Jit,
    Interpreter,
};

struct RegexFlags
{
    bool ignoreCase = true;
    bool multiline = true;
    bool global = true;
};

// Bounds on one match attempt, so that no page and no pattern can hang the program. A match
// that runs into one ends the match list there, as if nothing more matched.
struct RegexLimits
{
    static constexpr std::uint32_t kMatchLimit = 5'000'000;
    static constexpr std::uint32_t kDepthLimit = 250'000;
    static constexpr std::uint32_t kHeapLimitKiB = 128 * 1024;
    static constexpr std::size_t kJitStackBytes = 4 << 20;
};

// How a scan over a subject ended.
enum class RegexScanEnd
{
    Finished,     // every match found (or the first, without global)
    LimitReached, // a match attempt hit a limit or failed inside the engine
    NotCompiled,  // the pattern did not compile
};

// One prepared pattern with its flags: the engine's stand-in for the system's regular
// expression component. Immutable once made, so RegexObject copies share it.
//
// Dialect: PCRE2 in UTF mode over the subject's characters, with the line feed as the only
// newline; "." matches every character but a line feed (a carriage return included). Closer
// to the system component than PCRE2's defaults: "\uHHHH" and "\xHH" escapes, a back
// reference to an unset group matches the empty text, and "$" without multiline matches only
// at the very end.
class RegexComponent final
{
public:
    RegexComponent(std::string_view pattern, RegexFlags flags, RegexEngine engine);
    ~RegexComponent();
    RegexComponent(const RegexComponent &) = delete;
    RegexComponent &operator=(const RegexComponent &) = delete;

    const Text &pattern() const { return m_pattern; }
    const RegexFlags &flags() const { return m_flags; }
    bool compiled() const { return m_code != nullptr; }
    bool usesJit() const { return m_jit; }
    // Number of capturing groups; 0 when the pattern did not compile.
    std::uint32_t groupCount() const { return m_groupCount; }
    // The compiled pattern, null when it did not compile.
    const pcre2_real_code_8 *code() const { return m_code.get(); }
    // What every match begins with, as far as the pattern says for certain.
    const LiteralPrefix &prefix() const { return m_prefix; }

    // Calls onMatch for each match in order, with 2 * (groupCount() + 1) offsets into
    // subject.utf8() (PCRE2's "unset" for a group that took no part); onMatch returns false
    // to stop. Without global only the first match is reported. After an empty match the
    // next search starts one character further on.
    using MatchSink = std::function<bool(const std::size_t *offsets)>;
    RegexScanEnd scan(const RegexSubject &subject, const MatchSink &onMatch) const;
    // The same over UTF-8 that is known to be valid, with offsets into it.
    RegexScanEnd scan(std::string_view utf8, const MatchSink &onMatch) const;

private:
    struct CodeDeleter
    {
        void operator()(pcre2_real_code_8 *code) const;
    };

    Text m_pattern;
    RegexFlags m_flags;
    std::unique_ptr<pcre2_real_code_8, CodeDeleter> m_code;
    std::uint32_t m_groupCount = 0;
    bool m_jit = false;
    LiteralPrefix m_prefix;
};

} // namespace jiujiu
