#include "search/resultfilter.h"

#include "runtime/asciicase.h"
#include "runtime/utf8.h"
#include "search/sizetext.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace jiujiu {
namespace {

constexpr std::string_view IdeographicSpace = "\xE3\x80\x80";
constexpr std::string_view LeftQuote = "\xE2\x80\x9C";  // “
constexpr std::string_view RightQuote = "\xE2\x80\x9D"; // ”

// Length of the blank at the front of s, 0 when there is none.
std::size_t BlankLength(std::string_view s)
{
    if (s.empty())
        return 0;
    if (s[0] == ' ' || s[0] == '\t' || s[0] == '\r' || s[0] == '\n')
        return 1;
    return s.starts_with(IdeographicSpace) ? IdeographicSpace.size() : 0;
}

// Length of an opening or closing quote at the front of s, 0 when there is none.
std::size_t QuoteLength(std::string_view s)
{
    if (s.starts_with('"'))
        return 1;
    if (s.starts_with(LeftQuote) || s.starts_with(RightQuote))
        return LeftQuote.size();
    return 0;
}

struct Token
{
    std::string text;
    bool negated = false;
    bool quoted = false;
};

std::vector<Token> Tokens(std::string_view s)
{
    std::vector<Token> tokens;
    while (!s.empty()) {
        if (const std::size_t blank = BlankLength(s)) {
            s.remove_prefix(blank);
            continue;
        }
        Token token;
        if (s.size() > 1 && s[0] == '-' && !BlankLength(s.substr(1))) {
            token.negated = true;
            s.remove_prefix(1);
        }
        if (const std::size_t open = QuoteLength(s)) {
            token.quoted = true;
            s.remove_prefix(open);
            // The phrase ends at the next quote, or with the expression when none follows.
            std::size_t end = 0;
            while (end < s.size() && !QuoteLength(s.substr(end)))
                ++end;
            token.text = std::string(s.substr(0, end));
            s.remove_prefix(end);
            s.remove_prefix(QuoteLength(s));
        } else {
            std::size_t end = 0;
            while (end < s.size() && !BlankLength(s.substr(end)))
                ++end;
            token.text = std::string(s.substr(0, end));
            s.remove_prefix(end);
        }
        if (!token.text.empty())
            tokens.push_back(std::move(token));
    }
    return tokens;
}

// Decodes one UTF-8 sequence at s[i]; answers its length, or 0 when it is not valid.
std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t &cp)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const auto cont = [&](std::size_t k) { return i + k < s.size() && (b(k) & 0xC0) == 0x80; };
    const unsigned char c = b(0);
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    if (c >= 0xC2 && c < 0xE0 && cont(1)) {
        cp = static_cast<char32_t>(((c & 0x1F) << 6) | (b(1) & 0x3F));
        return 2;
    }
    if (c >= 0xE0 && c < 0xF0 && cont(1) && cont(2)) {
        cp = static_cast<char32_t>(((c & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F));
        return cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF) ? 3 : 0;
    }
    if (c >= 0xF0 && c < 0xF5 && cont(1) && cont(2) && cont(3)) {
        cp = static_cast<char32_t>(((c & 0x07) << 18) | ((b(1) & 0x3F) << 12) |
                                   ((b(2) & 0x3F) << 6) | (b(3) & 0x3F));
        return cp >= 0x10000 && cp <= 0x10FFFF ? 4 : 0;
    }
    return 0;
}

char32_t FoldCodePoint(char32_t cp)
{
    if ((cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) || (cp >= 0x391 && cp <= 0x3A9 && cp != 0x3A2) ||
        (cp >= 0x410 && cp <= 0x42F))
        return cp + 0x20;
    if (cp >= 0x400 && cp <= 0x40F)
        return cp + 0x50;
    if (cp >= 0xFF21 && cp <= 0xFF3A) // full-width Ａ-Ｚ
        return cp + 0x20;
    return cp;
}

bool StartsWithWord(std::string_view s, std::string_view word)
{
    return AsciiEqualsIgnoringCase(s.substr(0, word.size()), word);
}

bool Contains(std::string_view haystack, const std::string &needle)
{
#ifdef __GLIBC__
    // glibc's two-way search: several times faster than find() on UTF-8 Chinese, where the
    // first byte of a needle starts a character every few bytes.
    return ::memmem(haystack.data(), haystack.size(), needle.data(), needle.size()) != nullptr;
#else
    return haystack.find(needle) != std::string_view::npos;
#endif
}

template <class T>
bool AtLeastAsHigh(const std::optional<T> &mine, const std::optional<T> &theirs)
{
    return !theirs || (mine && *mine >= *theirs);
}

template <class T>
bool AtLeastAsLow(const std::optional<T> &mine, const std::optional<T> &theirs)
{
    return !theirs || (mine && *mine <= *theirs);
}

template <class T>
void RaiseTo(std::optional<T> &bound, T value)
{
    bound = bound ? std::max(*bound, value) : value;
}

template <class T>
void LowerTo(std::optional<T> &bound, T value)
{
    bound = bound ? std::min(*bound, value) : value;
}

} // namespace

std::string ResultFilter::FoldCase(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const char c = utf8[i];
        if (static_cast<unsigned char>(c) < 0x80) {
            out += AsciiToLower(c);
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t length = DecodeUtf8(utf8, i, cp);
        if (length == 0) {
            out += c; // not UTF-8: kept as it is
            ++i;
            continue;
        }
        AppendUtf8(out, FoldCodePoint(cp));
        i += length;
    }
    return out;
}

std::string ResultFilter::MatchKey(std::string_view nameUtf8, std::string_view linkUtf8)
{
    // A line feed between them: no term spans the two, since terms never hold one.
    std::string key = FoldCase(nameUtf8);
    key += '\n';
    key += FoldCase(linkUtf8);
    return key;
}

bool ResultFilter::applyBound(std::string_view token)
{
    static constexpr std::array<std::pair<std::string_view, bool>, 4> fields = {{
        {"size", true},
        {"\xE5\xA4\xA7\xE5\xB0\x8F", true}, // 大小
        {"sources", false},
        {"\xE8\xB5\x84\xE6\xBA\x90\xE6\x95\xB0", false}, // 资源数
    }};
    for (const auto &[name, isSize] : fields) {
        if (!StartsWithWord(token, name))
            continue;
        std::string_view rest = token.substr(name.size());
        bool greater = false;
        if (rest.starts_with('>'))
            greater = true;
        else if (!rest.starts_with('<') || !isSize)
            return false;
        rest.remove_prefix(1);
        const bool inclusive = rest.starts_with('=');
        if (inclusive)
            rest.remove_prefix(1);
        if (isSize) {
            const auto bytes = ParseSizeText(rest);
            if (!bytes)
                return false;
            if (greater) {
                if (!inclusive && *bytes == UINT64_MAX)
                    return false;
                RaiseTo(m_minBytes, inclusive ? *bytes : *bytes + 1);
            } else if (!inclusive && *bytes == 0) {
                // size<0: nothing has a negative size.
                RaiseTo(m_minBytes, std::uint64_t{1});
                LowerTo(m_maxBytes, std::uint64_t{0});
            } else {
                LowerTo(m_maxBytes, inclusive ? *bytes : *bytes - 1);
            }
            return true;
        }
        const auto count = ParseCountText(rest);
        if (!count || (!inclusive && *count == INT64_MAX))
            return false;
        RaiseTo(m_minSources, inclusive ? *count : *count + 1);
        return true;
    }
    return false;
}

ResultFilter ResultFilter::Parse(std::string_view expression)
{
    ResultFilter filter;
    for (Token &token : Tokens(expression)) {
        if (!token.quoted && !token.negated && filter.applyBound(token.text))
            continue;
        std::string folded = FoldCase(token.text);
        auto &terms = token.negated ? filter.m_excluded : filter.m_included;
        if (std::find(terms.begin(), terms.end(), folded) == terms.end())
            terms.push_back(std::move(folded));
    }
    return filter;
}

bool ResultFilter::isEmpty() const
{
    return m_included.empty() && m_excluded.empty() && !m_minBytes && !m_maxBytes && !m_minSources;
}

void ResultFilter::restrictBytes(std::optional<std::uint64_t> minimum,
                                 std::optional<std::uint64_t> maximum)
{
    if (minimum)
        RaiseTo(m_minBytes, *minimum);
    if (maximum)
        LowerTo(m_maxBytes, *maximum);
}

void ResultFilter::restrictSources(std::optional<std::int64_t> minimum)
{
    if (minimum)
        RaiseTo(m_minSources, *minimum);
}

bool ResultFilter::accepts(std::string_view matchKey, std::optional<std::uint64_t> bytes,
                           std::optional<std::int64_t> sources) const
{
    if (m_minBytes || m_maxBytes) {
        if (!bytes || (m_minBytes && *bytes < *m_minBytes) || (m_maxBytes && *bytes > *m_maxBytes))
            return false;
    }
    if (m_minSources && (!sources || *sources < *m_minSources))
        return false;
    for (const std::string &term : m_included)
        if (!Contains(matchKey, term))
            return false;
    for (const std::string &term : m_excluded)
        if (Contains(matchKey, term))
            return false;
    return true;
}

bool ResultFilter::narrows(const ResultFilter &previous) const
{
    for (const std::string &theirs : previous.m_included) {
        if (std::none_of(m_included.begin(), m_included.end(),
                         [&](const std::string &mine) { return Contains(mine, theirs); }))
            return false;
    }
    for (const std::string &theirs : previous.m_excluded) {
        if (std::none_of(m_excluded.begin(), m_excluded.end(),
                         [&](const std::string &mine) { return Contains(theirs, mine); }))
            return false;
    }
    return AtLeastAsHigh(m_minBytes, previous.m_minBytes) &&
           AtLeastAsLow(m_maxBytes, previous.m_maxBytes) &&
           AtLeastAsHigh(m_minSources, previous.m_minSources);
}

} // namespace jiujiu
